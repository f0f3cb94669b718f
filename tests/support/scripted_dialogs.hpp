// The user of a form command as a test scripts it: answers given up front, every message and
// question kept; and the form's context over a program folder, keeping the progress, pauses
// and status text a window would have shown.
#pragma once

#include "report/record_form.hpp"
#include "window/user_dialogs.hpp"

#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnelo::testing {

class ScriptedDialogs : public UserDialogs {
  public:
    struct Message {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    // Kept among the messages; answered from the script, yes when it has no answer left.
    bool ask(std::string_view text, std::string_view title) override;
    FileChoice chooseFile(const FileDialogSpec& dialog,
                          const std::filesystem::path& initialFolder) override;
    // Kept among the messages; answered from the script, cancelled when it has none left.
    std::optional<std::string> askText(std::string_view prompt, std::string_view title) override;

    // The next answer to the file dialog of that name: a path confirms, std::nullopt cancels.
    // An unanswered dialog is cancelled.
    void answerFileDialog(std::string_view dialog, std::optional<std::filesystem::path> path);
    void answerQuestion(bool yes) { answers_.push_back(yes); }
    void answerText(std::optional<std::string> text) { textAnswers_.push_back(std::move(text)); }

    std::vector<Message> messages;
    // The folder each file dialog was last shown in.
    std::map<std::string, std::filesystem::path, std::less<>> dialogFolders;

  private:
    std::map<std::string, std::deque<std::optional<std::filesystem::path>>, std::less<>>
        fileAnswers_;
    // What each dialog's file name field holds: its last confirmed choice.
    std::map<std::string, std::filesystem::path, std::less<>> lastChoices_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> textAnswers_;
};

// A form context whose callbacks keep what they were given.
class RecordingContext {
  public:
    explicit RecordingContext(const std::filesystem::path& programFolder);
    RecordingContext(const RecordingContext&) = delete;
    RecordingContext& operator=(const RecordingContext&) = delete;

    const FormContext& context() const { return context_; }

    std::vector<int> progress;
    std::vector<int> pauses;
    std::string status;

  private:
    FormContext context_;
};

} // namespace tarnelo::testing
