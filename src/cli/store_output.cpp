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
        ", \"warnings\": " + std::to_string(e.warnings) +
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
bool plainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// The files an export would replace, counted, and the first of them named.
struct ExistingFiles {
    std::size_t count = 0;
    std::string first;
};

ExistingFiles existingFiles(const std::vector<store::GaugingEntry>& entries,
                            const fs::path& folder) {
    ExistingFiles existing;
    for (const auto& entry : entries) {
        std::error_code error;
        const fs::path target = folder / paths::fromUtf8(entry.name + ".dat");
        if (!entry.latest.deleted && fs::exists(fs::symlink_status(target, error))) {
            existing.first = existing.count == 0 ? escapedName(target) : existing.first;
            ++existing.count;
        }
    }
    return existing;
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
        << "计算：" << orDash(e.status) << "（错误 " << e.errors << "，注意 " << e.warnings
        << "，提示 " << e.notices << "）\n"
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
    std::error_code error;
    if (!force && fs::exists(fs::symlink_status(file, error))) {
        std::cerr << "tarnelo-cli store show: 目标文件已存在：" << escapedName(file)
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

int exportGaugings(store::Store& store, const store::Filter& filter, const fs::path& folder,
                   bool force) {
    const auto fail = [](const std::string& why, int status) {
        std::cerr << "tarnelo-cli store export: " << terminalSafe(why) << "\n";
        return status;
    };
    store::Filter latest = filter;
    latest.withDeleted = false;
    const auto listed = store.list(latest);
    if (!listed) {
        return fail(listed.problem.message, kExitUsage);
    }
    if (const ExistingFiles existing = existingFiles(*listed.value, folder);
        !force && existing.count > 0) {
        return fail("文件夹中已有 " + std::to_string(existing.count) + " 个同名文件（如 " +
                        existing.first +
                        "），未写出任何文件；确认要替换可加 --force the folder holds files of "
                        "these names",
                    kExitIncomplete);
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return fail("无法建立文件夹 cannot make the folder " + escapedName(folder) + "：" +
                        error.message(),
                    kExitIncomplete);
    }
    const bool progress = sys::standardErrorIsTerminal();
    const std::size_t total = listed.value->size();
    const fs::path storeFile = store.location().engine == store::Location::Engine::SQLite
                                   ? paths::fromUtf8(store.location().text)
                                   : fs::path();
    std::size_t written = 0;
    int status = kExitDone;
    const auto refuse = [&](const std::string& why) {
        fail(why, kExitIncomplete);
        status = kExitIncomplete;
    };
    const store::Problem problem = store.eachLatest(latest, [&](store::StoredGauging&& stored) {
        if (interrupted()) {
            return false;
        }
        const std::string& name = stored.entry.name;
        const fs::path target = folder / paths::fromUtf8(name + ".dat");
        std::error_code missing;
        if (!plainFileName(name)) {
            refuse("测验名称不能作文件名，未写出 a name that is no file name: " + name);
        } else if (!storeFile.empty() && sameFile(target, storeFile)) {
            refuse("输出文件与数据库文件相同，未写出 the output is the store: " +
                   escapedName(target));
        } else if (!force && fs::exists(fs::symlink_status(target, missing))) {
            refuse("目标文件已存在，未改动 the file exists: " + escapedName(target));
        } else if (const WriteResult put = writeFileAtomic(target, stored.bytes); !put) {
            refuse("无法写入 cannot write " + escapedName(target) + "：" + put.problem);
        } else {
            ++written;
        }
        if (progress) {
            std::cerr << "\r已写出 " << written << "/" << total << std::flush;
        }
        return true;
    });
    if (progress && total > 0) {
        std::cerr << "\n";
    }
    if (problem) {
        fail(problem.message, kExitUsage);
        status = kExitUsage;
    }
    if (interrupted()) {
        std::cerr << "tarnelo-cli store export: 已中断 interrupted：已写出 " << written
                  << " 个文件，共 " << total << " 个；写出的文件都完整\n";
        return kExitIncomplete;
    }
    std::cout << "已导出 " << written << " 个测验到 " << escapedName(folder) << "\n";
    return status;
}

} // namespace tarnelo::cli
