// The names of the user's edits of a measurement, one list for the sheet's steps and the
// document's: the status bar names the step undone or redone with them.
#pragma once

#include <string_view>

namespace tarnelo::edits {

inline constexpr std::string_view kTyping = "输入";
inline constexpr std::string_view kPaste = "粘贴";
inline constexpr std::string_view kCut = "剪切";
inline constexpr std::string_view kDelete = "删除";
inline constexpr std::string_view kInsertRows = "插入行";
inline constexpr std::string_view kInsertPoint = "插入测点";
inline constexpr std::string_view kRemoveRows = "删除行";
inline constexpr std::string_view kCompute = "计算";
inline constexpr std::string_view kModeSwitch = "切换模式";
inline constexpr std::string_view kCoefficient = "修改系数";
inline constexpr std::string_view kHeader = "修改表头";
inline constexpr std::string_view kClear = "清空";

} // namespace tarnelo::edits
