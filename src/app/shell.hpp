// The program's outer shell: the creation step of the main window, the mode switch, the button
// that opens the record-header dialog, the menu commands, and the question before quitting
// with unsaved input.
#pragma once

#include "files/record_header.hpp"
#include "window/window.hpp"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// Texts of the menu commands.
namespace shelltext {
inline constexpr std::string_view kStatementTitle = "声明：";
inline constexpr std::string_view kDonationTitle = "请您捐助：";
inline constexpr std::string_view kNoticeTitle = "提示：";
std::string statement();
std::string donation();
inline constexpr std::string_view kGuideMissing = "用户指南文件丢失，请重新安装本软件。";
inline constexpr std::string_view kQuitQuestion = "当前的测量数据还没有保存，是否不保存就退出？";
// The window's own closing question, answered by 保存, 不保存 or 取消.
inline constexpr std::string_view kCloseQuestion =
    "当前的测量数据（含制表数据）还没有保存，退出前是否保存？";
inline constexpr std::string_view kDiscardQuestion = "当前的测量数据还没有保存，是否继续？";
} // namespace shelltext

// Creation step of the main window (after the skin is attached): sheet layout for the selected
// mode, coefficient file over the template coefficients, a blank record header.
void creationStep(Window& window);

// Click on 垂线模式 or 测速模式: the radio box is already selected; only the layout follows.
void modeSwitchCommand(Window& window);

// Button 更多: the record-header dialog, modal.
void recordHeaderCommand(Window& window);

// Menu items of "简介": 用户指南 (the item 帮助) opens the user guide of the program folder,
// which start-up lays out from the installed one.
void guideCommand(Window& window);
void donationCommand(Window& window);
void statementCommand(Window& window);

// The input a user would lose by quitting: the mode, the six coefficients, the typed columns
// and the record header.
struct InputSnapshot {
    std::string mode;
    std::array<std::string, 6> coefficients;
    // Columns 1, 2, 3, 5, 6 and 8 of every row, empty rows at the end left out.
    std::vector<std::array<std::string, 6>> rows;
    // The window's record header, field by field.
    RecordHeader header;

    bool operator==(const InputSnapshot&) const = default;
};

InputSnapshot takeInputSnapshot(const Window& window);

// Whether the window's input differs from the snapshot: another mode, another coefficient, or
// another text in a column typed in the current mode. Computed columns and results never count.
bool inputDiffers(const Window& window, const InputSnapshot& snapshot);

// Whether closing would lose anything: the input differs, or the record header was edited.
bool inputUnsaved(const Window& window, const InputSnapshot& snapshot);

// Asked when the main window is closed: true when it may close (nothing to lose, or the user
// agreed to quit without saving).
bool confirmQuit(Window& window, const InputSnapshot& snapshot);

// Asked before 清空 or 打开 replaces the input: true when it may go ahead (nothing to lose, or
// the user agreed to continue).
bool confirmDiscard(Window& window, const InputSnapshot& snapshot);

} // namespace tarnelo
