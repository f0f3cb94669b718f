// What a command may ask of the user: a message, a yes-or-no question, a file to open or save,
// a line of text. The window answers with its boxes and dialogs; tests answer from a script.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

// Template names of the window's file dialogs (also the Qt objectNames).
namespace ctl {
inline constexpr std::string_view 通用对话框保存 = "通用对话框保存";
inline constexpr std::string_view 通用对话框打开 = "通用对话框打开";
inline constexpr std::string_view 通用对话框excel = "通用对话框excel";
} // namespace ctl

// A file dialog: its template name, whether it saves, filter and default suffix.
struct FileDialogSpec {
    std::string_view name;
    bool save;
    std::string_view filter;
    std::string_view defaultSuffix;
};
namespace dlg {
inline constexpr FileDialogSpec 通用对话框保存{ctl::通用对话框保存, true, "文本文件（*.dat）",
                                               "dat"};
inline constexpr FileDialogSpec 通用对话框打开{ctl::通用对话框打开, false, "文本文件（*.dat）",
                                               "dat"};
// The record form is Office Open XML, so it is offered as .xlsx.
inline constexpr FileDialogSpec 通用对话框excel{ctl::通用对话框excel, true,
                                                "Excel 工作簿（*.xlsx）", "xlsx"};
} // namespace dlg

struct FileChoice {
    bool confirmed = false;
    // The dialog's file name afterwards: the chosen path, or after a cancel the name it kept
    // from the last choice (possibly empty).
    std::filesystem::path path;
};

enum class MessageIcon { None, Information, Warning };

// A message as a message box shows it: at most mostCharacters characters and mostLines lines,
// cut at a character boundary and ended with "…" when it is longer. The box offers the full
// text beside it.
std::string readableMessage(std::string_view text, std::size_t mostCharacters = 600,
                            std::size_t mostLines = 20);

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;

    // A modal message box with one confirming button.
    virtual void showMessage(std::string_view text, std::string_view title,
                             MessageIcon icon = MessageIcon::None) = 0;
    // A modal question with yes and no; true for yes.
    virtual bool ask(std::string_view text, std::string_view title) = 0;
    // Shows a file dialog starting in initialFolder and waits for the user.
    virtual FileChoice chooseFile(const FileDialogSpec& dialog,
                                  const std::filesystem::path& initialFolder) = 0;
    // A modal prompt for one line of text; std::nullopt when cancelled.
    virtual std::optional<std::string> askText(std::string_view prompt, std::string_view title) = 0;
};

} // namespace tarnelo
