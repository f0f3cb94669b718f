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

// Status bar texts when 导出Excel or 打印 is done.
std::string exportDoneStatus(const std::filesystem::path& file);
std::string printDoneStatus(std::string_view printer, bool twoPages);

} // namespace tarnelo
