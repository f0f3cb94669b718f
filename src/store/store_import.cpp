// Files into a store and back out: an import takes each file in its own transaction, so that
// an import stopped or killed half-way leaves whole gaugings only; an export writes each file
// through the atomic writer.
#include "store/store.hpp"

#include "files/file_io.hpp"
#include "station/station_table.hpp"
#include "store/store_rows.hpp"
#include "window/program_paths.hpp"

namespace tarnelo::store {

namespace {

constexpr std::size_t kMostFileBytes = std::size_t(16) << 20;

using Outcome = ImportReport::Item::Outcome;

ImportReport::Item importOne(Engine& engine, const std::filesystem::path& file,
                             const Author& author, bool revise) {
    ImportReport::Item item{
        paths::toUtf8(file), paths::toUtf8(file.stem()), Outcome::Refused, {}, {}};
    const std::optional<std::string> bytes = readFileBytes(file, kMostFileBytes);
    if (!bytes) {
        item.reason = "无法读取（不存在、不是文件，或大于 16 MB）";
        return item;
    }
    if (Problem p = nameProblem(item.name)) {
        item.reason = p.message;
        return item;
    }
    const Facts facts = factsOf(*bytes, item.name);
    if (facts.status == "unreadable") {
        item.reason = facts.problem.empty() ? "不是原始数据文件" : facts.problem;
        return item;
    }
    Written written;
    const Problem p = transaction(engine, true, [&] {
        return writeRevision(engine, {item.name, *bytes, 0, true, author, &facts, revise}, written);
    });
    if (p) {
        item.reason = p.message;
        item.held = p.newer;
    } else {
        item.outcome = written.unchanged ? Outcome::Unchanged
                       : written.added   ? Outcome::Added
                                         : Outcome::NewRevision;
    }
    return item;
}

} // namespace

ImportReport Store::importFiles(const std::vector<std::string>& paths, const Author& author,
                                const std::function<void(std::size_t, std::size_t)>& progress,
                                const std::function<bool()>& stopped, bool revise) {
    ImportReport report;
    std::vector<std::filesystem::path> named;
    for (const std::string& path : paths) {
        named.push_back(paths::fromUtf8(path));
    }
    std::vector<station::TableProblem> listing;
    const std::vector<std::filesystem::path> files = station::gaugingFiles(named, listing);
    for (const station::TableProblem& problem : listing) {
        report.items.push_back(
            {paths::toUtf8(problem.file), {}, Outcome::Refused, problem.reason, {}});
    }
    if (access_ == Access::ReadOnly) {
        for (const auto& file : files) {
            report.items.push_back({paths::toUtf8(file),
                                    {},
                                    Outcome::Refused,
                                    "数据库以只读方式打开，不能写入。",
                                    {}});
        }
        return report;
    }
    // The commits of an import do not each wait for the disk; the last one does, and with it
    // every one before it. A stop between them loses whole files, never parts of one.
    engine_->setDurable(false);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (stopped && stopped()) {
            break;
        }
        if (i + 1 == files.size()) {
            engine_->setDurable(true);
        }
        report.items.push_back(importOne(*engine_, files[i], author, revise));
        if (progress) {
            progress(i + 1, files.size());
        }
    }
    engine_->setDurable(true);
    return report;
}

Result<int> Store::exportTo(const Filter& filter, const std::string& folder,
                            const std::function<void(std::size_t, std::size_t)>& progress,
                            bool replace) {
    const std::filesystem::path into = paths::fromUtf8(folder);
    std::error_code error;
    std::filesystem::create_directories(into, error);
    if (!std::filesystem::is_directory(into, error)) {
        return {std::nullopt, {"无法建立文件夹 " + escapedName(into) + "。", {}}};
    }
    Result<std::vector<GaugingEntry>> listed = list(filter);
    if (!listed) {
        return {std::nullopt, listed.problem};
    }
    const std::size_t total = listed.value->size();
    std::string clashes;
    if (!replace) {
        const Problem p = eachLatest(filter, [&](StoredGauging&& stored) {
            const auto target = into / paths::fromUtf8(stored.entry.name + ".dat");
            const std::optional<std::string> there = readFileBytes(target, kMostFileBytes);
            if (std::filesystem::exists(target, error) && there != stored.bytes) {
                clashes += (clashes.empty() ? "" : "、") + escapedName(target.filename());
            }
            return true;
        });
        if (p) {
            return {std::nullopt, p};
        }
        if (!clashes.empty()) {
            return {std::nullopt,
                    {"文件夹中已有内容不同的同名文件，未导出任何文件：" + clashes, {}}};
        }
    }
    int written = 0;
    Problem failed;
    const Problem p = eachLatest(filter, [&](StoredGauging&& stored) {
        // A store made by other hands may hold a name that is no file of this folder.
        if (Problem bad = nameProblem(stored.entry.name)) {
            failed = bad;
            return false;
        }
        const auto target = into / paths::fromUtf8(stored.entry.name + ".dat");
        if (WriteResult w = writeFileAtomic(target, stored.bytes); !w) {
            failed = {"写入 " + escapedName(target) + " 失败：" + w.problem, {}};
            return false;
        }
        ++written;
        if (progress) {
            progress(static_cast<std::size_t>(written), total);
        }
        return true;
    });
    if (p || failed) {
        Problem why = p ? p : failed;
        why.message += "（已写入 " + std::to_string(written) + " 个文件）";
        return {std::nullopt, why};
    }
    return {written, {}};
}

} // namespace tarnelo::store
