// The raw measurement data file: the entry mode, the mode's coefficients, the typed columns of
// the sheet and, after a blank line, the record header carried unchanged. Buttons 保存 and 打开.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

class Window;

inline constexpr std::string_view kRawDataTag = "流速仪原始数据";
inline constexpr std::string_view kVerticalModeName = "垂线模式";
inline constexpr std::string_view kVelocityModeName = "测速模式";
// Values per column line beyond which a file is not opened.
inline constexpr std::size_t kMostRawDataRows = 10000;

// Typed columns of each mode, in file order.
inline constexpr std::array<int, 5> kVerticalFileColumns{1, 2, 3, 5, 6};
inline constexpr std::array<int, 4> kVelocityFileColumns{1, 2, 3, 8};

// What a raw data file holds, read before anything in the window changes.
struct RawData {
    enum class Mode { Vertical, Velocity, Unknown };
    Mode mode = Mode::Unknown;
    // The coefficient values the file holds, at most 6 (vertical) or 3 (velocity).
    std::vector<std::string> coefficients;
    // The column lines the file holds, in the mode's file order; each line's values.
    std::vector<std::vector<std::string>> columns;
    // Values in the line of column 1: the rows the file fills.
    std::size_t rows = 0;
    // The bytes after the first CR LF CR LF; std::nullopt when the file has no separator.
    std::optional<std::string> header;
    // What a short or damaged file lacks, in words for the user.
    std::vector<std::string> problems;
};

struct RawDataRead {
    // Whether the text begins with the tag; nothing else is filled when it does not.
    bool tagged = false;
    // Why the file cannot be opened at all (too many rows); empty when it can.
    std::string refusal;
    RawData data;
};

RawDataRead parseRawData(std::string_view bytes);

// Puts a read file into a cleared window: mode radio boxes and sheet layout, the coefficient
// fields the file holds, the row count and the typed cells.
void fillFromRawData(Window& window, const RawData& data);

// Why the window's input cannot be saved (a "," or line break, or a character GBK cannot hold,
// in a coefficient or typed cell; no mode selected), naming the field or cell; std::nullopt
// when it can.
std::optional<std::string> rawDataProblem(const Window& window);

// The tag line, coefficient line and column lines of the window's input (UTF-8, no header).
std::string rawDataText(const Window& window);

// How opening a chosen file went.
enum class OpenOutcome {
    NotOpened,  // unreadable, or not a raw data file: nothing changed, nothing said
    Refused,    // a message said why; nothing changed
    Incomplete, // opened as far as it goes; a message said what was missing
    Opened,
};
struct OpenResult {
    OpenOutcome outcome = OpenOutcome::NotOpened;
    std::string message;
};

// Opens file into the window as the 打开 button does after its dialog.
OpenResult openRawDataFile(Window& window, const std::filesystem::path& file);

// Button 保存.
void saveCommand(Window& window);
// Button 打开.
void openCommand(Window& window);

} // namespace tarnelo
