// Where the program keeps its files, relative to the program folder: the Data folder with the
// coefficient file, the record header and the record-form templates with their working copies,
// the user guide, and the folders the file dialogs start in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo::paths {

// A path from a UTF-8 text (typed, given on the command line, stored in a file). Texts are
// UTF-8 everywhere inside the program; this is how they reach the system's own names (UTF-16 on
// Windows), where a plain std::string would be read in the system's narrow code page instead.
inline std::filesystem::path fromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// The UTF-8 text of a path, on every system (Windows keeps names as UTF-16, and string() would
// give them in the narrow code page).
inline std::string toUtf8(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

inline std::filesystem::path dataFolder(const std::filesystem::path& programFolder) {
    return programFolder / "Data";
}
inline std::filesystem::path coefficientFile(const std::filesystem::path& programFolder) {
    return dataFolder(programFolder) / "coefficient.dat";
}
// The record-form template of one or two pages, supplied beside the program.
inline std::filesystem::path formTemplate(const std::filesystem::path& programFolder,
                                          bool twoPages) {
    return dataFolder(programFolder) / (twoPages ? "moduleexcel_2.dat" : "moduleexcel_1.dat");
}
// The working copy a fill writes into.
inline std::filesystem::path formWorkingCopy(const std::filesystem::path& programFolder,
                                             bool twoPages) {
    return dataFolder(programFolder) / (twoPages ? "snapexcel_2.dat" : "snapexcel_1.dat");
}
// The user guide the menu item 博客 opens.
inline std::filesystem::path guideFile(const std::filesystem::path& programFolder) {
    return programFolder / "guide.html";
}
// Where the raw-data dialogs 保存 and 打开 start. documentFolder is the program folder itself,
// or for an installed program the Tarnelo folder in the user's documents.
inline std::filesystem::path textDataFolder(const std::filesystem::path& documentFolder) {
    return documentFolder / "Text data";
}
// Where the export dialog starts.
inline std::filesystem::path excelFolder(const std::filesystem::path& documentFolder) {
    return documentFolder / "excel";
}

} // namespace tarnelo::paths
