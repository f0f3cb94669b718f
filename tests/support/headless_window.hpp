// A window without a screen: the commands run against it in tests and in the command-line tool.
// Dialogs are answered from a queue the caller fills; messages are recorded, never shown.
#pragma once

#include "sheet/sheet.hpp"
#include "window/window.hpp"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace tarnelo {

class HeadlessWindow : public Window {
  public:
    struct Message {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    explicit HeadlessWindow(std::filesystem::path programFolder);

    std::string text(std::string_view control) const override;
    void setText(std::string_view control, std::string_view text) override;
    bool isSelected(std::string_view radio) const override;
    void setSelected(std::string_view radio, bool selected) override;
    bool isEnabled(std::string_view control) const override;
    void setEnabled(std::string_view control, bool enabled) override;
    int textColour(std::string_view label) const override;
    void setTextColour(std::string_view label, int colour) override;
    Sheet& sheet() override { return sheet_; }
    const Sheet& sheet() const override { return sheet_; }
    int progress() const override { return progress_; }
    void setProgress(int value) override;
    void setStatus(std::string_view text) override { status_ = text; }
    FileChoice chooseFile(const FileDialogSpec& dialog,
                          const std::filesystem::path& initialFolder) override;
    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    bool ask(std::string_view text, std::string_view title) override;
    std::optional<std::string> askText(std::string_view prompt, std::string_view title) override;
    void openRecordHeaderDialog() override;
    std::string recordHeader() const override { return recordHeader_; }
    void setRecordHeader(std::string_view headerPart) override { recordHeader_ = headerPart; }
    void openUrl(std::string_view address) override { openedUrls.emplace_back(address); }
    void pause(int milliseconds) override { pauses.push_back(milliseconds); }
    std::filesystem::path programFolder() const override { return programFolder_; }
    std::filesystem::path documentFolder() const override {
        return documentFolder_.empty() ? programFolder_ : documentFolder_;
    }
    // Where the dialog folders are when not in the program folder (an installed program).
    void setDocumentFolder(std::filesystem::path folder) { documentFolder_ = std::move(folder); }

    // What the user will answer to the next file dialog of that name: a path confirms,
    // std::nullopt cancels. An unanswered dialog is cancelled.
    void answerFileDialog(std::string_view dialog, std::optional<std::filesystem::path> path);
    // What the user will answer to the next question (default: yes).
    void answerQuestion(bool yes) { answers_.push_back(yes); }
    // What the user will type into the next text prompt; std::nullopt (the default) cancels.
    void answerText(std::optional<std::string> text) { textAnswers_.push_back(std::move(text)); }

    const std::string& status() const { return status_; }

    std::vector<Message> messages;
    std::vector<int> progressHistory;
    std::vector<int> pauses;
    std::vector<std::string> openedUrls;
    // Initial folder each dialog was last shown with.
    std::map<std::string, std::filesystem::path, std::less<>> dialogFolders;
    // Runs in place of the modal record-header dialog.
    std::function<void(Window&)> recordHeaderDialog;

  private:
    std::filesystem::path programFolder_;
    std::filesystem::path documentFolder_;
    Sheet sheet_;
    std::map<std::string, std::string, std::less<>> texts_;
    std::map<std::string, int, std::less<>> colours_;
    std::set<std::string, std::less<>> disabled_;
    std::string selectedMode_;
    int progress_ = 0;
    std::string status_;
    std::string recordHeader_;
    std::map<std::string, std::deque<std::optional<std::filesystem::path>>, std::less<>>
        fileAnswers_;
    std::map<std::string, std::filesystem::path, std::less<>> dialogNames_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> textAnswers_;
};

// Gives the window the record header of the 39 values, as 更多 does; false (and the header
// unchanged) when a file could not carry them.
bool giveRecordHeader(Window& window, const std::array<std::string, 39>& values);

} // namespace tarnelo
