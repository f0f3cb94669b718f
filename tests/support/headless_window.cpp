#include "support/headless_window.hpp"

#include "files/record_header.hpp"

#include <algorithm>

namespace tarnelo {

HeadlessWindow::HeadlessWindow(std::filesystem::path programFolder)
    : programFolder_(std::move(programFolder)), selectedMode_(ctl::垂线模式),
      recordHeader_(kDefaultRecordHeader) {
    for (const auto& initial : initialTexts()) {
        texts_.emplace(std::string(initial.control), std::string(initial.text));
    }
    disabled_.emplace(ctl::导出Excel);
    disabled_.emplace(ctl::打印);
}

std::string HeadlessWindow::text(std::string_view control) const {
    const auto it = texts_.find(control);
    return it == texts_.end() ? std::string() : it->second;
}

void HeadlessWindow::setText(std::string_view control, std::string_view text) {
    texts_.insert_or_assign(std::string(control), std::string(text));
}

bool HeadlessWindow::isSelected(std::string_view radio) const {
    return selectedMode_ == radio;
}

void HeadlessWindow::setSelected(std::string_view radio, bool selected) {
    if (radio != ctl::垂线模式 && radio != ctl::测速模式) {
        return;
    }
    if (selected) {
        selectedMode_ = radio;
    } else if (selectedMode_ == radio) {
        selectedMode_.clear();
    }
}

bool HeadlessWindow::isEnabled(std::string_view control) const {
    return disabled_.find(control) == disabled_.end();
}

void HeadlessWindow::setEnabled(std::string_view control, bool enabled) {
    if (enabled) {
        const auto it = disabled_.find(control);
        if (it != disabled_.end()) {
            disabled_.erase(it);
        }
    } else {
        disabled_.emplace(control);
    }
}

int HeadlessWindow::textColour(std::string_view label) const {
    const auto it = colours_.find(label);
    return it == colours_.end() ? kBlack : it->second;
}

void HeadlessWindow::setTextColour(std::string_view label, int colour) {
    colours_.insert_or_assign(std::string(label), colour);
}

void HeadlessWindow::setProgress(int value) {
    progress_ = std::clamp(value, 0, 100);
    progressHistory.push_back(progress_);
}

FileChoice HeadlessWindow::chooseFile(const FileDialogSpec& dialog,
                                      const std::filesystem::path& initialFolder) {
    dialogFolders.insert_or_assign(std::string(dialog.name), initialFolder);
    auto& queue = fileAnswers_[std::string(dialog.name)];
    auto& current = dialogNames_[std::string(dialog.name)];
    if (queue.empty() || !queue.front().has_value()) {
        if (!queue.empty()) {
            queue.pop_front();
        }
        return {false, current};
    }
    current = *queue.front();
    queue.pop_front();
    return {true, current};
}

void HeadlessWindow::showMessage(std::string_view text, std::string_view title, MessageIcon icon) {
    messages.push_back({std::string(text), std::string(title), icon});
}

bool HeadlessWindow::ask(std::string_view text, std::string_view title) {
    messages.push_back({std::string(text), std::string(title), MessageIcon::None});
    if (answers_.empty()) {
        return true;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

std::optional<std::string> HeadlessWindow::askText(std::string_view prompt,
                                                   std::string_view title) {
    messages.push_back({std::string(prompt), std::string(title), MessageIcon::None});
    if (textAnswers_.empty()) {
        return std::nullopt;
    }
    auto text = std::move(textAnswers_.front());
    textAnswers_.pop_front();
    return text;
}

void HeadlessWindow::openRecordHeaderDialog() {
    if (recordHeaderDialog) {
        recordHeaderDialog(*this);
    }
}

void HeadlessWindow::answerFileDialog(std::string_view dialog,
                                      std::optional<std::filesystem::path> path) {
    fileAnswers_[std::string(dialog)].push_back(std::move(path));
}

bool giveRecordHeader(Window& window, const std::array<std::string, 39>& values) {
    const auto bytes = recordHeaderBytes(values);
    if (bytes) {
        window.setRecordHeader(*bytes);
    }
    return bytes.has_value();
}

} // namespace tarnelo
