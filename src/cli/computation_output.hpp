// What tarnelo-cli compute prints of one computed file: a JSON object, or the sheet and the
// results as aligned text.
#pragma once

#include "app/compute_file.hpp"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnelo::cli {

// The exit status a file gives: done, findings with errors, incomplete or refused, unreadable.
int exitStatus(const FileComputation& outcome);
// Why the figures of the file may not be used (not computed, or computed from input with
// errors: "有 1 处错误，结果不可用：…"), or std::nullopt when they may.
std::optional<std::string> unusableReason(const FileComputation& outcome);

// The mode's name, or empty when the file was not opened.
std::string_view modeName(const FileComputation& outcome);

// The version of the JSON's shape: 2 names every key by the thing it holds (完成情况, 水面系数),
// where 1 used the window's control names (致谢框, 水面系数编辑框).
inline constexpr int kJsonFormat = 2;

// The seven results and 完成情况, by name; none when the file was not opened. completionName
// is what the listing calls 完成情况.
std::vector<std::pair<std::string_view, std::string_view>>
results(const FileComputation& out, std::string_view completionName = "完成情况");

// The findings, or none when the file was not opened.
const std::vector<Finding>& findingsOf(const FileComputation& outcome);

// One JSON object for the file.
std::string json(const std::string& file, const FileComputation& outcome);

// The table of one file onto stream, row by row: ten thousand rows of long cells are never
// held as one text.
void printText(std::ostream& stream, const std::string& file, const FileComputation& outcome);

} // namespace tarnelo::cli
