#include "app/store_commands.hpp"
#include "app/proposed_names.hpp"

#include "files/gauging_file.hpp"
#include "window/program_paths.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

namespace tarnelo {

namespace {

constexpr std::string_view kNotice = "提示：";
// A save refused again and again (others keep saving first) gives up after this many tries.
constexpr int kMostTries = 5;

std::string revisionText(int number) {
    return "第 " + std::to_string(number) + " 版";
}

std::string savedByText(const store::Revision& revision) {
    return (revision.savedBy.empty() ? std::string("（未知用户）") : revision.savedBy) +
           (revision.machine.empty() ? std::string() : "（" + revision.machine + "）") + "于 " +
           revision.savedAt + "（UTC）";
}

} // namespace

std::string storedFileName(std::string_view gauging) {
    return std::string(gauging) + ".dat";
}

OpenResult openStoredGauging(Window& window, const store::StoredGauging& stored) {
    return openRawDataBytes(window, stored.bytes, storedFileName(stored.entry.name));
}

std::string newerRevisionQuestion(const std::string& name, int basedOn,
                                  const store::Revision& newer) {
    const std::string quoted = "“" + name + "”";
    if (basedOn == 0) {
        return "数据库中已有测次" + quoted + "：" + revisionText(newer.number) + "已由 " +
               savedByText(newer) + " 保存。\n是否把当前数据作为它的" +
               revisionText(newer.number + 1) + "保存？（选“否”则不保存。）";
    }
    return "测次" + quoted + "在你读入的" + revisionText(basedOn) + "之后，已由 " +
           savedByText(newer) + " 保存了" + revisionText(newer.number) + "。\n是否把当前数据作为" +
           revisionText(newer.number + 1) +
           "保存在其后？（不会覆盖别人保存的版本；选“否”则不保存。）";
}

StoreSaveOutcome saveToStore(Window& window, store::Store& store, const std::string& name,
                             int basedOn) {
    const GaugingFileBytes measurement = gaugingFileBytes(gaugingOf(window), window.recordHeader());
    StoreSaveOutcome outcome;
    if (!measurement.bytes) {
        outcome.status = StoreSaveOutcome::Status::Refused;
        outcome.message = measurement.problem;
        window.showMessage(outcome.message, kNotice, MessageIcon::Warning);
        return outcome;
    }
    const store::Author author = store::thisAuthor();
    for (int tries = 0; tries < kMostTries; ++tries) {
        store::Result<int> saved = store.save(name, *measurement.bytes, basedOn, author);
        if (saved) {
            outcome.status = StoreSaveOutcome::Status::Saved;
            outcome.revision = *saved.value;
            return outcome;
        }
        if (!saved.problem.newer) {
            outcome.status = StoreSaveOutcome::Status::Failed;
            outcome.message = "测次“" + name + "”没有保存到数据库：" + saved.problem.message;
            window.showMessage(outcome.message, kNotice, MessageIcon::Warning);
            return outcome;
        }
        const store::Revision& newer = *saved.problem.newer;
        if (!window.ask(newerRevisionQuestion(name, basedOn, newer), kNotice)) {
            outcome.status = StoreSaveOutcome::Status::Cancelled;
            outcome.message =
                "未保存：测次“" + name + "”已有更新的" + revisionText(newer.number) + "。";
            return outcome;
        }
        basedOn = newer.number;
    }
    outcome.status = StoreSaveOutcome::Status::Failed;
    outcome.message = "测次“" + name + "”没有保存到数据库：别人一直在先保存新的版本，请稍后再试。";
    window.showMessage(outcome.message, kNotice, MessageIcon::Warning);
    return outcome;
}

std::string storedTitle(const StoredSource& source) {
    return source.gauging + " " + revisionText(source.revision) + "（数据库 " + source.shown + "）";
}

std::string proposedGaugingName(const std::filesystem::path& file, const RecordHeader& header) {
    if (!file.empty()) {
        return paths::toUtf8(file.stem());
    }
    std::string proposed = proposedFileName(header, "dat");
    if (proposed.size() > 4) {
        proposed.resize(proposed.size() - 4);
    }
    return proposed;
}

} // namespace tarnelo
