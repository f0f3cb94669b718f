// The measurement record form: the two fills of the spreadsheet templates and the export and
// print commands that use them.
#pragma once

#include <filesystem>

namespace tarnelo {

class Window;

// The forms have rows for 13 verticals (one page) and 40 verticals (two pages).
inline constexpr int kSinglePageVerticals = 13;
inline constexpr int kTwoPageVerticals = 40;

// Number of sheet rows whose distance (column 1) is filled, over all rows.
int countFilledRows(const Window& window);

// Copy the template over its working copy in the Data folder and write the record header, one
// form row per vertical, the section results and the gauges into it through the spreadsheet
// wrapper; the working copy is saved and closed when they return. The progress bar runs from
// 10 to 100 and rests at 0. True when the working copy was written and saved.
bool fillSinglePageForm(Window& window);
bool fillTwoPageForm(Window& window);

// Button 导出Excel: fills the form and copies it to a workbook the user names.
void exportCommand(Window& window);

// Button 打印: fills the form and prints it on the default printer.
void printCommand(Window& window);

std::filesystem::path templatePath(const std::filesystem::path& programFolder, bool twoPages);
std::filesystem::path workingCopyPath(const std::filesystem::path& programFolder, bool twoPages);

} // namespace tarnelo
