// File names the save dialogs propose, and what the status bar says when the record form is
// done.
#pragma once

#include "files/record_header.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo {

// The name proposed for a measurement file (raw data or record form): the station name
// (测站名称) and the measurement number (施测号数) or, without one, the date of the measurement
// (施测时间 up to its day), joined by "_", then "." and the extension. Characters a file name
// cannot hold are left out. Empty when the header has no station name.
std::string proposedFileName(const RecordHeader& header, std::string_view extension);

// Whether a folder is, or lies inside, a folder of examples: one named "examples", as a source
// tree and the package name theirs. A measurement is never proposed back into one: a new
// installation or checkout replaces it.
bool inExamplesFolder(const std::filesystem::path& folder);

// A name for a measurement that has none yet (after 清空, without a station name): "新测次" and
// the extension, numbered "新测次 2", "新测次 3"… past the names the folder already holds.
std::string freshFileName(const std::filesystem::path& folder, std::string_view extension);

// Status bar texts when 导出Excel or 打印 is done.
std::string exportDoneStatus(const std::filesystem::path& file);
std::string printDoneStatus(std::string_view printer, bool twoPages);

} // namespace tarnelo
