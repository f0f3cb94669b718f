// tarnelo-cli store: gaugings kept in a store, a SQLite file or a PostgreSQL database, every
// revision of each with who saved it; imported from files and exported back to them.
#include "cli/output_guard.hpp"
#include "cli/station_input.hpp"
#include "cli/store_output.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_io.hpp"
#include "platform/system/console.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <array>
#include <iostream>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli store init STORE\n"
    "       tarnelo-cli store import STORE FILE|FOLDER... [--revise]\n"
    "       tarnelo-cli store list STORE [--station CODE] [--year Y] [--deleted] [--json]\n"
    "       tarnelo-cli store show STORE GAUGING [--revision N] [-o FILE.dat] [--force]\n"
    "       tarnelo-cli store history STORE GAUGING\n"
    "       tarnelo-cli store export STORE -o FOLDER [--station CODE] [--year Y] [--force]\n"
    "       tarnelo-cli store delete STORE GAUGING\n"
    "       tarnelo-cli store station STORE NAME CODE\n"
    "       tarnelo-cli store setup-sql\n"
    "\n"
    "数据库保存每次测验的原始数据文件（原样，GBK）及其每一次修订：谁、在哪台机器、何时、用哪个\n"
    "程序版本保存；修订从不覆盖，删除也是一次修订（删除标记）。\n"
    "STORE 是 SQLite 数据库文件的路径，或 PostgreSQL 的连接：postgresql://… 或 postgres://…\n"
    "（可写 postgresql:///?service=名称 用 libpq 的服务名），或 libpq 的连接字符串（键=值，如\n"
    "host=db dbname=hydro）。密码不写在命令行上：用 libpq 的 ~/.pgpass 或 PGSERVICE。\n"
    "GAUGING 是测验导入或保存时的文件名（不含 .dat），或 测站/年/施测号数（测站写站码或站名，\n"
    "如 石门站/2024/17）。\n\n"
    "  init      建立数据库结构（已有旧版本的结构则升级）create or upgrade the schema\n"
    "  import    逐个导入文件（文件夹取其中的 .dat 文件），每个文件一个事务：新文件为新增，\n"
    "            与库中相同的未变；库中已有同名而内容不同的，不覆盖库中的版本而拒绝，并说明\n"
    "            库中那一版由谁、何时保存；加 --revise 才把文件作为新修订。每个文件一行（新增、\n"
    "            新修订、未变、拒绝及原因），末行为计数。Ctrl-C 在两个文件之间停下，已导入的都\n"
    "            完整。one line per file, then the counts; a file that differs from the store's\n"
    "            version is refused unless --revise; Ctrl-C stops between two files\n"
    "  list      每次测验一行：名称、测站、施测号数、施测时间、水位、流量、修订次数、最近保存者\n"
    "            和时间；--deleted 也列出已删除的；--json 输出 JSON\n"
    "  show      测验的各项和最新修订（或 --revision N）；-o FILE.dat 原样写出该修订的文件\n"
    "  history   每次修订一行，从最早的起 one line per revision, oldest first\n"
    "  export    把选中的各测验的最新修订（已删除的除外）写到文件夹，文件名 NAME.dat，与保存时\n"
    "            逐字节相同；已有内容相同的文件不改写；有同名而内容不同的文件时不写出任何\n"
    "            文件，加 --force 才替换\n"
    "  delete    以一次修订标记测验已删除（不抹去任何修订）mark a gauging deleted\n"
    "  station   给测站（站名或临时站码）定站码 STCD set a station's code\n"
    "  setup-sql 输出 PostgreSQL 管理员在数据库中执行一次的 SQL：表结构和两个角色 tarnelo_staff\n"
    "            （读、添加修订）与 tarnelo_reader（只读），均不能删除 the SQL that sets up a\n"
    "            bureau's database and its roles\n"
    "  --station CODE  只取该测站（站码或站名）only this station\n"
    "  --year Y        只取该年 only this year\n"
    "  --force         show -o、export 替换已有而内容不同的（也包括只读的）文件\n"
    "                  replace existing files of other bytes\n\n"
    "Keeps every raw data file as saved and every revision of it. A file of other bytes is\n"
    "never replaced without --force; an export that would replace one writes nothing.\n\n"
    "退出状态 Exit status: 0 完成 done; 1 有文件被拒绝、修订被拒绝（他人已先保存）或文件未写出\n"
    "some file or revision refused, or a file not written; 2 用法错误，或数据库无法打开、版本\n"
    "较新、无此测验 usage error, or a store that cannot be opened, is newer, or lacks the\n"
    "gauging; 128+N 被信号 N 中断 ended by signal N.\n";

// The usage lines alone, for a usage error.
constexpr std::string_view kUsage = kHelp.substr(0, kHelp.find("\n\n") + 1);

// Options an action takes.
enum Option : unsigned {
    kFilterOptions = 1,  // --station, --year
    kRevisionOption = 2, // --revision
    kOutputOption = 4,   // -o
    kForceOption = 8,    // --force
    kJsonOption = 16,    // --json
    kDeletedOption = 32, // --deleted
    kReviseOption = 64,  // --revise
};

struct StoreArguments {
    std::string action;
    // STORE, then what the action names.
    std::vector<std::string> operands;
    store::Filter filter;
    std::optional<int> revision;
    std::optional<fs::path> output;
    bool force = false;
    bool json = false;
    bool revise = false;
    unsigned given = 0;
};

int usage(std::string_view why) {
    std::cerr << "tarnelo-cli store: " << terminalSafe(why) << "\n\n" << kUsage;
    return kExitUsage;
}

// Reads the options and operands after the action; false after a message.
bool parseOptions(std::span<const std::string> args, StoreArguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--station" && hasValue) {
            parsed.filter.station = args[++i];
            parsed.given |= kFilterOptions;
        } else if (arg == "--year" && hasValue) {
            if (!parseYear("store", args[++i], parsed.filter.year)) {
                return false;
            }
            parsed.given |= kFilterOptions;
        } else if (arg == "--revision" && hasValue) {
            const std::string& text = args[++i];
            if (text.empty() || text.size() > 9 ||
                text.find_first_not_of("0123456789") != std::string::npos || text == "0") {
                usage("--revision 应为修订号 expects a revision number: " + text);
                return false;
            }
            parsed.revision = std::stoi(text);
            parsed.given |= kRevisionOption;
        } else if (arg == "-o" && hasValue) {
            parsed.output = paths::fromUtf8(args[++i]);
            parsed.given |= kOutputOption;
        } else if (arg == "--force") {
            parsed.force = true;
            parsed.given |= kForceOption;
        } else if (arg == "--json") {
            parsed.json = true;
            parsed.given |= kJsonOption;
        } else if (arg == "--revise") {
            parsed.revise = true;
            parsed.given |= kReviseOption;
        } else if (arg == "--deleted") {
            parsed.filter.withDeleted = true;
            parsed.given |= kDeletedOption;
        } else {
            usage("无法理解的参数 unexpected argument: " + arg);
            return false;
        }
    }
    return true;
}

// The store opened, or the exit status after its problem on stderr.
std::optional<store::Store> openStore(const std::string& text, store::Store::Access access,
                                      int& status) {
    auto opened = store::Store::open(store::locationOf(text), access);
    if (!opened) {
        std::cerr << "tarnelo-cli store: " << messageLines(opened.problem.message) << "\n";
        status = kExitUsage;
        return std::nullopt;
    }
    return std::move(opened.value);
}

int sayProblem(const store::Problem& problem) {
    std::cerr << "tarnelo-cli store: " << messageLines(problem.message) << "\n";
    if (problem.newer) {
        std::cerr << "tarnelo-cli store: 修订 " << problem.newer->number << " 已由 "
                  << terminalSafe(savedByText(*problem.newer)) << " (UTC) 保存\n";
        return kExitIncomplete;
    }
    return kExitUsage;
}

int runInit(const StoreArguments& asked) {
    auto made = store::Store::init(store::locationOf(asked.operands[0]));
    if (!made) {
        return sayProblem(made.problem);
    }
    std::cout << "数据库已就绪 the store is ready：" << terminalSafe(made.value->location().shown)
              << "（结构版本 schema " << made.value->schemaVersion() << "）\n";
    return kExitDone;
}

std::string_view outcomeText(store::ImportReport::Item::Outcome outcome) {
    using Outcome = store::ImportReport::Item::Outcome;
    switch (outcome) {
    case Outcome::Added:
        return "新增";
    case Outcome::NewRevision:
        return "新修订";
    case Outcome::Unchanged:
        return "未变";
    case Outcome::Refused:
        break;
    }
    return "拒绝";
}

int runImport(store::Store& opened, const StoreArguments& asked) {
    int status = kExitDone;
    const std::vector<std::string> files(asked.operands.begin() + 1, asked.operands.end());
    const bool progress = sys::standardErrorIsTerminal();
    std::size_t total = files.size();
    const store::ImportReport report = opened.importFiles(
        files, store::thisAuthor(),
        [&](std::size_t done, std::size_t all) {
            total = all;
            if (progress) {
                std::cerr << "\r已导入 " << done << "/" << all << std::flush;
            }
        },
        interrupted, asked.revise);
    if (progress && !report.items.empty()) {
        std::cerr << "\n";
    }
    using Outcome = store::ImportReport::Item::Outcome;
    for (const auto& item : report.items) {
        std::cout << outcomeText(item.outcome) << "  " << terminalSafe(item.file);
        if (item.outcome == Outcome::Refused) {
            std::cout << "：" << terminalSafe(item.reason);
            status = kExitIncomplete;
        } else if (fs::path(paths::fromUtf8(item.file)).stem() != paths::fromUtf8(item.name)) {
            std::cout << " → " << terminalSafe(item.name);
        }
        std::cout << "\n";
    }
    std::cout << "共 " << report.items.size() << " 个文件：新增 " << report.count(Outcome::Added)
              << "，新修订 " << report.count(Outcome::NewRevision) << "，未变 "
              << report.count(Outcome::Unchanged) << "，拒绝 " << report.count(Outcome::Refused)
              << "\n";
    const auto differing = std::count_if(report.items.begin(), report.items.end(),
                                         [](const auto& item) { return item.held.has_value(); });
    if (differing > 0) {
        std::cerr << "tarnelo-cli store import: " << differing
                  << " 个文件与库中已有的版本不同而未导入；确要把它们作为新修订，请加 --revise\n";
    }
    if (interrupted()) {
        std::cerr << "tarnelo-cli store import: 已中断 interrupted：处理了 " << report.items.size()
                  << " 个文件，共 " << total << " 个；已导入的都完整，其余未导入\n";
        return kExitIncomplete;
    }
    return status;
}

int runList(store::Store& opened, const StoreArguments& asked) {
    const auto listed = opened.list(asked.filter);
    if (!listed) {
        return sayProblem(listed.problem);
    }
    writeEntries(std::cout, *listed.value, asked.json);
    return kExitDone;
}

int runShow(store::Store& opened, const StoreArguments& asked) {
    if (asked.output) {
        const store::Location& where = opened.location();
        const std::vector<fs::path> inputs =
            where.engine == store::Location::Engine::SQLite
                ? std::vector<fs::path>{paths::fromUtf8(where.text)}
                : std::vector<fs::path>{};
        if (const int refused =
                checkOutputs("store show", inputs, {&*asked.output, 1}, asked.force)) {
            return refused;
        }
    }
    const auto read = opened.read(asked.operands[1], asked.revision);
    if (!read) {
        return sayProblem(read.problem);
    }
    writeStored(std::cout, *read.value);
    return asked.output ? writeGaugingFile(*read.value, *asked.output, asked.force) : kExitDone;
}

int runHistory(store::Store& opened, const StoreArguments& asked) {
    const auto revisions = opened.history(asked.operands[1]);
    if (!revisions) {
        return sayProblem(revisions.problem);
    }
    writeHistory(std::cout, *revisions.value);
    return kExitDone;
}

int runExport(store::Store& opened, const StoreArguments& asked) {
    return exportGaugings(opened, asked.filter, *asked.output, asked.force);
}

int runDelete(store::Store& opened, const StoreArguments& asked) {
    const auto read = opened.read(asked.operands[1]);
    if (!read) {
        return sayProblem(read.problem);
    }
    const std::string& name = read.value->entry.name;
    if (read.value->revision.deleted) {
        std::cerr << "tarnelo-cli store delete: " << terminalSafe(name) << " 已经删除（修订 "
                  << read.value->revision.number << "）already deleted\n";
        return kExitIncomplete;
    }
    const auto removed = opened.remove(name, read.value->revision.number, store::thisAuthor());
    if (!removed) {
        return sayProblem(removed.problem);
    }
    std::cout << "已删除 deleted " << terminalSafe(name) << "（修订 " << *removed.value << "）\n";
    return kExitDone;
}

int runStation(store::Store& opened, const StoreArguments& asked) {
    if (const store::Problem problem =
            opened.setStationCode(asked.operands[1], asked.operands[2])) {
        return sayProblem(problem);
    }
    std::cout << "测站 " << terminalSafe(asked.operands[1]) << " 的站码为 "
              << terminalSafe(asked.operands[2]) << "\n";
    return kExitDone;
}

struct Action {
    std::string_view name;
    std::size_t operands; // STORE included
    bool more;            // further operands allowed
    unsigned options;
    // An action on a store, which is opened for it first (the others make or need none).
    store::Store::Access access;
    int (*onStore)(store::Store&, const StoreArguments&);
    int (*run)(const StoreArguments&);
};

int runSetupSql(const StoreArguments&) {
    std::cout << store::postgresqlSetupSql();
    return kExitDone;
}

constexpr std::array<Action, 9> kActions{{
    {"init", 1, false, 0, store::Store::Access::ReadWrite, nullptr, runInit},
    {"import", 2, true, kReviseOption, store::Store::Access::ReadWrite, runImport, nullptr},
    {"list", 1, false, kFilterOptions | kJsonOption | kDeletedOption,
     store::Store::Access::ReadOnly, runList, nullptr},
    {"show", 2, false, kRevisionOption | kOutputOption | kForceOption,
     store::Store::Access::ReadOnly, runShow, nullptr},
    {"history", 2, false, 0, store::Store::Access::ReadOnly, runHistory, nullptr},
    {"export", 1, false, kFilterOptions | kOutputOption | kForceOption,
     store::Store::Access::ReadOnly, runExport, nullptr},
    {"delete", 2, false, 0, store::Store::Access::ReadWrite, runDelete, nullptr},
    {"station", 3, false, 0, store::Store::Access::ReadWrite, runStation, nullptr},
    {"setup-sql", 0, false, 0, store::Store::Access::ReadOnly, nullptr, runSetupSql},
}};

int run(std::span<const std::string> args) {
    if (args.empty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    StoreArguments asked;
    asked.action = args[0];
    const Action* action = nullptr;
    for (const Action& a : kActions) {
        action = a.name == asked.action ? &a : action;
    }
    if (action == nullptr) {
        return usage("未知的操作 unknown action: " + asked.action);
    }
    if (!parseOptions(args.subspan(1), asked)) {
        return kExitUsage;
    }
    if ((asked.given & ~action->options) != 0) {
        return usage("store " + asked.action + " 不接受这个选项 takes no such option");
    }
    if (asked.operands.size() < action->operands ||
        (!action->more && asked.operands.size() > action->operands)) {
        return usage("store " + asked.action + " 的参数个数不对 wrong number of arguments");
    }
    if (action->name == "export" && !asked.output) {
        return usage("store export 需要 -o FOLDER needs -o FOLDER");
    }
    if (action->onStore == nullptr) {
        return action->run(asked);
    }
    int status = kExitDone;
    std::optional<store::Store> opened = openStore(asked.operands[0], action->access, status);
    return opened ? action->onStore(*opened, asked) : status;
}

} // namespace

const Subcommand kStore{
    "store", "数据库中的测验：建立、导入、列出、查看、修订历史、导出 a store of gaugings", kHelp,
    run};

} // namespace tarnelo::cli
