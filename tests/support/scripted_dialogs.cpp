#include "support/scripted_dialogs.hpp"

namespace tarnelo::testing {

void ScriptedDialogs::showMessage(std::string_view text, std::string_view title, MessageIcon icon) {
    messages.push_back({std::string(text), std::string(title), icon});
}

bool ScriptedDialogs::ask(std::string_view text, std::string_view title) {
    messages.push_back({std::string(text), std::string(title), MessageIcon::None});
    if (answers_.empty()) {
        return true;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

FileChoice ScriptedDialogs::chooseFile(const FileDialogSpec& dialog,
                                       const std::filesystem::path& initialFolder) {
    dialogFolders.insert_or_assign(std::string(dialog.name), initialFolder);
    auto& queue = fileAnswers_[std::string(dialog.name)];
    auto& last = lastChoices_[std::string(dialog.name)];
    std::optional<std::filesystem::path> answer;
    if (!queue.empty()) {
        answer = std::move(queue.front());
        queue.pop_front();
    }
    if (!answer) {
        return {false, last};
    }
    last = *answer;
    return {true, last};
}

std::optional<std::string> ScriptedDialogs::askText(std::string_view prompt,
                                                    std::string_view title) {
    messages.push_back({std::string(prompt), std::string(title), MessageIcon::None});
    if (textAnswers_.empty()) {
        return std::nullopt;
    }
    auto text = std::move(textAnswers_.front());
    textAnswers_.pop_front();
    return text;
}

void ScriptedDialogs::answerFileDialog(std::string_view dialog,
                                       std::optional<std::filesystem::path> path) {
    fileAnswers_[std::string(dialog)].push_back(std::move(path));
}

RecordingContext::RecordingContext(const std::filesystem::path& programFolder) {
    context_.programFolder = programFolder;
    context_.documentFolder = programFolder;
    context_.progress = [this](int value) { progress.push_back(value); };
    context_.pause = [this](int milliseconds) { pauses.push_back(milliseconds); };
    context_.status = [this](std::string_view text) { status = text; };
}

} // namespace tarnelo::testing
