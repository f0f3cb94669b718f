#include "cli/store_output.hpp"

#include "cli/output_guard.hpp"
#include "cli/station_input.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_access.hpp"
#include "files/file_io.hpp"
#include "platform/system/console.hpp"
#include "window/program_paths.hpp"

#include <iostream>
#include <map>
#include <optional>
#include <set>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

std::string orDash(std::string_view text) {
    return text.empty() ? std::string("-") : terminalSafe(text);
}

std::string stationText(const store::GaugingEntry& entry) {
    return entry.stationName.empty() ? entry.stationCode
                                     : entry.stationCode + " " + entry.stationName;
}

void writeEntryJson(std::ostream& out, const store::GaugingEntry& e) {
    std::string line =
        "{\"name\": " + jsonString(e.name) + ", \"station_code\": " + jsonString(e.stationCode) +
        ", \"station\": " + jsonString(e.stationName) + ", \"year\": " + std::to_string(e.year) +
        ", \"number\": " + jsonString(e.number) + ", \"start\": " + jsonString(e.start) +
        ", \"end\": " + jsonString(e.end) + ", \"stage\": " + jsonString(e.stage) +
        ", \"discharge\": " + jsonString(e.discharge) + ", \"status\": " + jsonString(e.status) +
        ", \"errors\": " + std::to_string(e.errors) +
        ", \"notices\": " + std::to_string(e.notices) +
        ", \"revisions\": " + std::to_string(e.latest.number) +
        ", \"saved_by\": " + jsonString(e.latest.savedBy) +
        ", \"machine\": " + jsonString(e.latest.machine) +
        ", \"saved_at\": " + jsonString(e.latest.savedAt) +
        ", \"program\": " + jsonString(e.latest.program) +
        ", \"deleted\": " + (e.latest.deleted ? "true" : "false") + "}";
    out << line;
}

// A gauging's name as a file name in a folder: never a path of its own ("../x", "a/b", and
// "..\\x" on Windows).
// Whether a gauging's name makes a file of its own in the folder on every system (a store made
// by hand, or an old one, may hold others).
bool plainFileName(std::string_view name) {
    return !store::gaugingNameProblem(name);
}

// The first two names that differ only in case: one file where names ignore case.
std::optional<std::string> caseTwins(const std::vector<store::GaugingEntry>& entries) {
    std::map<std::string, std::string> seen;
    for (const store::GaugingEntry& entry : entries) {
        std::string folded = entry.name;
        for (char& c : folded) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        const auto [at, added] = seen.emplace(folded, entry.name);
        if (!added) {
            return "“" + at->second + "”与“" + entry.name + "”";
        }
    }
    return std::nullopt;
}

// A gauging's file in the export's folder.
fs::path exportedFile(const fs::path& folder, const std::string& name) {
    return folder / paths::fromUtf8(name + ".dat");
}

// What a file already in the folder is to the gauging's bytes.
enum class AlreadyThere { No, Same, Other };
AlreadyThere alreadyThere(const fs::path& target, std::string_view bytes) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(target, error))) {
        return AlreadyThere::No;
    }
    const std::optional<std::string> held = readFileBytes(target);
    return held && *held == bytes ? AlreadyThere::Same : AlreadyThere::Other;
}

// The files of the folder an export would replace by other bytes: counted, the first named.
struct Replaced {
    std::size_t count = 0;
    std::string first;
    store::Problem problem;
};
Replaced replacedFiles(store::Store& store, const store::Filter& filter, const fs::path& folder,
                       const std::vector<store::GaugingEntry>& entries) {
    Replaced replaced;
    std::set<std::string> present;
    for (const auto& entry : entries) {
        std::error_code error;
        if (plainFileName(entry.name) &&
            fs::exists(fs::symlink_status(exportedFile(folder, entry.name), error))) {
            present.insert(entry.name);
        }
    }
    if (present.empty()) {
        return replaced;
    }
    replaced.problem = store.eachLatest(filter, [&](store::StoredGauging&& stored) {
        const fs::path target = exportedFile(folder, stored.entry.name);
        if (present.count(stored.entry.name) != 0 &&
            alreadyThere(target, stored.bytes) == AlreadyThere::Other) {
            replaced.first = replaced.count == 0 ? escapedName(target) : replaced.first;
            ++replaced.count;
        }
        return !interrupted();
    });
    return replaced;
}

} // namespace

std::string savedByText(const store::Revision& revision) {
    return revision.savedBy + "@" + revision.machine + " " + revision.savedAt;
}

void writeEntries(std::ostream& out, const std::vector<store::GaugingEntry>& entries, bool json) {
    if (json) {
        out << "[";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out << (i == 0 ? "\n  " : ",\n  ");
            writeEntryJson(out, entries[i]);
        }
        out << (entries.empty() ? "]\n" : "\n]\n");
        return;
    }
    std::vector<std::vector<std::string>> rows;
    rows.reserve(entries.size() + 1);
    rows.push_back(
        {"名称", "测站", "施测号数", "施测时间", "水位 m", "流量 m³/s", "修订", "最近保存 (UTC)"});
    for (const auto& e : entries) {
        rows.push_back({terminalSafe(e.name), orDash(stationText(e)), orDash(e.number),
                        orDash(e.start), orDash(e.stage), orDash(e.discharge),
                        std::to_string(e.latest.number) + (e.latest.deleted ? " 已删除" : ""),
                        terminalSafe(savedByText(e.latest))});
    }
    writeAlignedTable(out, rows);
}

void writeStored(std::ostream& out, const store::StoredGauging& stored) {
    const store::GaugingEntry& e = stored.entry;
    const store::Revision& r = stored.revision;
    out << "名称：" << terminalSafe(e.name) << "\n"
        << "测站：" << orDash(stationText(e)) << "\n"
        << "施测号数：" << orDash(e.number) << "\n"
        << "施测时间：" << orDash(e.start) << (e.end.empty() ? "" : " 至 " + terminalSafe(e.end))
        << "\n"
        << "基本水尺水位：" << orDash(e.stage) << (e.stage.empty() ? "" : " m") << "\n"
        << "断面流量：" << orDash(e.discharge) << (e.discharge.empty() ? "" : " m³/s") << "\n"
        << "计算：" << orDash(e.status) << "（错误 " << e.errors << " 处，注意 " << e.notices
        << " 处）\n"
        << "修订：第 " << r.number << " 次，共 " << e.latest.number << " 次"
        << (r.deleted ? "（删除标记）" : "") << "\n"
        << "保存：" << terminalSafe(savedByText(r)) << " UTC，" << terminalSafe(r.program) << "\n";
    if (!r.deleted) {
        out << "文件：" << r.bytes << " 字节\n";
    }
}

void writeHistory(std::ostream& out, const std::vector<store::Revision>& revisions) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : revisions) {
        rows.push_back({"修订 " + std::to_string(r.number), terminalSafe(r.savedAt) + " UTC",
                        terminalSafe(r.savedBy + "@" + r.machine), terminalSafe(r.program),
                        r.deleted ? std::string("删除") : std::to_string(r.bytes) + " 字节"});
    }
    writeAlignedTable(out, rows);
}

int writeGaugingFile(const store::StoredGauging& stored, const fs::path& file, bool force) {
    if (stored.revision.deleted) {
        std::cerr << "tarnelo-cli store show: 修订 " << stored.revision.number
                  << " 是删除标记，没有文件可写出 the revision marks a deletion\n";
        return kExitIncomplete;
    }
    const AlreadyThere there = alreadyThere(file, stored.bytes);
    if (there == AlreadyThere::Same) {
        return kExitDone;
    }
    if (!force && there == AlreadyThere::Other) {
        std::cerr << "tarnelo-cli store show: 目标文件已存在且内容不同：" << escapedName(file)
                  << "，未改动；确认要替换可加 --force the file exists\n";
        return kExitIncomplete;
    }
    if (const WriteResult written = writeFileAtomic(file, stored.bytes); !written) {
        std::cerr << "tarnelo-cli store show: 无法写入 cannot write " << escapedName(file) << "："
                  << terminalSafe(written.problem) << "\n";
        return kExitIncomplete;
    }
    return kExitDone;
}

int failedExport(const std::string& why, int status) {
    std::cerr << "tarnelo-cli store export: " << messageLines(why) << "\n";
    return status;
}

// What must hold before an export writes anything: no two names one file, and without force no
// file of other bytes in the way; the folder made. kExitDone to go on.
int readyToExport(store::Store& store, const store::Filter& latest, const fs::path& folder,
                  const std::vector<store::GaugingEntry>& listed, bool force) {
    const auto fail = failedExport;
    if (const std::optional<std::string> twins = caseTwins(listed)) {
        return fail("测验名称" + *twins +
                        "只差大小写，在不分大小写的文件系统上是同一个文件，未写出任何文件 two "
                        "names differ only in case",
                    kExitIncomplete);
    }
    if (!force) {
        const Replaced replaced = replacedFiles(store, latest, folder, listed);
        if (replaced.problem) {
            return fail(replaced.problem.message, kExitUsage);
        }
        if (replaced.count > 0) {
            return fail("文件夹中已有 " + std::to_string(replaced.count) +
                            " 个同名而内容不同的文件（如 " + replaced.first +
                            "），未写出任何文件；确认要替换可加 --force the folder holds other "
                            "files of these names",
                        kExitIncomplete);
        }
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return fail("无法建立文件夹 cannot make the folder " + escapedName(folder) + "：" +
                        error.message(),
                    kExitIncomplete);
    }
    return kExitDone;
}

int exportGaugings(store::Store& store, const store::Filter& filter, const fs::path& folder,
                   bool force) {
    const auto fail = failedExport;
    store::Filter latest = filter;
    latest.withDeleted = false;
    const auto listed = store.list(latest);
    if (!listed) {
        return fail(listed.problem.message, kExitUsage);
    }
    if (const int ready = readyToExport(store, latest, folder, *listed.value, force);
        ready != kExitDone) {
        return ready;
    }
    const bool progress = sys::standardErrorIsTerminal();
    const std::size_t total = listed.value->size();
    const fs::path storeFile = store.location().engine == store::Location::Engine::SQLite
                                   ? paths::fromUtf8(store.location().text)
                                   : fs::path();
    std::size_t written = 0;
    std::size_t same = 0;
    int status = kExitDone;
    const auto refuse = [&](const std::string& why) { status = fail(why, kExitIncomplete); };
    const store::Problem problem = store.eachLatest(latest, [&](store::StoredGauging&& stored) {
        if (interrupted()) {
            return false;
        }
        const std::string& name = stored.entry.name;
        const fs::path target = exportedFile(folder, name);
        const AlreadyThere there =
            plainFileName(name) ? alreadyThere(target, stored.bytes) : AlreadyThere::No;
        if (!plainFileName(name)) {
            refuse("测验名称不能作文件名，未写出 a name that is no file name: " + name);
        } else if (there == AlreadyThere::Same) {
            ++same;
        } else if (!storeFile.empty() && sameFile(target, storeFile)) {
            refuse("输出文件与数据库文件相同，未写出 the output is the store: " +
                   escapedName(target));
        } else if (there == AlreadyThere::Other && !force) {
            refuse("目标文件已存在且内容不同，未改动 the file exists: " + escapedName(target));
        } else if (const WriteResult put = writeFileAtomic(target, stored.bytes); !put) {
            refuse("无法写入 cannot write " + escapedName(target) + "：" + put.problem);
        } else {
            ++written;
        }
        if (progress) {
            std::cerr << "\r已导出 " << written + same << "/" << total << std::flush;
        }
        return true;
    });
    if (progress && total > 0) {
        std::cerr << "\n";
    }
    if (problem) {
        status = fail(problem.message, kExitUsage);
    }
    if (interrupted()) {
        std::cerr << "tarnelo-cli store export: 已中断 interrupted：已写出 " << written
                  << " 个文件，共 " << total << " 个；写出的文件都完整\n";
        return kExitIncomplete;
    }
    std::cout << "已导出 " << written + same << " 个测验到 " << escapedName(folder);
    std::cout << (same > 0 ? "（其中 " + std::to_string(same) + " 个文件已相同，未改写）" : "")
              << "\n";
    return status;
}

} // namespace tarnelo::cli
