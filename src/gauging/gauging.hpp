// A current-meter gauging as the field book records it: the entry mode, the meter and bank
// coefficients, the record header and the rows, each kept as the text that was typed (the
// rounding rules read texts, and "0" and "0.0" mean different things). A plain value: the
// computation, the files, the sheet, the record form and the station's year all work on it.
#pragma once

#include "gauging/columns.hpp"
#include "gauging/table.hpp"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// How the velocities were entered: 垂线模式 types the meter's signal counts N and times T, 测速模式
// the point velocities themselves.
enum class EntryMode { Unknown, Vertical, Velocity };

// "垂线模式" or "测速模式" (empty for Unknown).
std::string_view entryModeName(EntryMode mode);

// The six coefficients in file and tab order; the velocity-measurement mode uses the first
// three.
namespace coef {
inline constexpr std::size_t 水面系数 = 0;
inline constexpr std::size_t 左岸岸边系数 = 1;
inline constexpr std::size_t 右岸岸边系数 = 2;
inline constexpr std::size_t 信号转数 = 3;
inline constexpr std::size_t 公式系数K = 4;
inline constexpr std::size_t 公式常数C = 5;
} // namespace coef
inline constexpr std::size_t kCoefficientCount = 6;
inline constexpr std::size_t kVelocityModeCoefficients = 3;

struct CoefficientName {
    // The key under which the command line's JSON names the coefficient: the thing's name,
    // never a control's (the window's control names belong to the Qt layer).
    std::string_view key;
    // The name users know it by (messages) and its short label (listings).
    std::string_view name;
    std::string_view label;
};
inline constexpr std::array<CoefficientName, kCoefficientCount> kCoefficientNames{{
    {"水面系数", "水面系数", "水面系数"},
    {"左岸岸边系数", "左岸岸边系数", "左岸岸边系数"},
    {"右岸岸边系数", "右岸岸边系数", "右岸岸边系数"},
    {"信号转数", "信号转数", "信号转数"},
    {"公式系数K", "流速仪公式系数 K", "流速仪公式 K"},
    {"公式常数C", "流速仪公式常数 C", "流速仪公式 C"},
}};

// How many coefficients a mode uses.
std::size_t coefficientCount(EntryMode mode);

// The factory defaults, what a new window shows before the user's own defaults are loaded.
inline constexpr std::array<std::string_view, kCoefficientCount> kFactoryCoefficients{
    "0.6", "0.7", "0.7", "20", "0.6793", "0.0033"};

// One row of the field book as typed. A sounding vertical has a distance and a depth; a
// velocity vertical has a measurement too (N and T, or a point velocity); a water edge has a
// depth of exactly "0".
struct GaugingRow {
    std::string distance;    // 起点距
    std::string depth;       // 水深
    std::string relative;    // 相对
    std::string signalCount; // N
    std::string seconds;     // T
    std::string velocity;    // 测点流速

    bool operator==(const GaugingRow&) const = default;
};

// The seven section results, in the order of the window and the form.
namespace res {
inline constexpr std::size_t 断面流量 = 0;
inline constexpr std::size_t 断面面积 = 1;
inline constexpr std::size_t 平均流速 = 2;
inline constexpr std::size_t 最大流速 = 3;
inline constexpr std::size_t 水面宽 = 4;
inline constexpr std::size_t 平均水深 = 5;
inline constexpr std::size_t 最大水深 = 6;
} // namespace res
inline constexpr std::size_t kResultCount = 7;
inline constexpr std::array<std::string_view, kResultCount> kResultNames{
    "断面流量", "断面面积", "平均流速", "最大流速", "水面宽", "平均水深", "最大水深"};

// How 三点法 (0.2, 0.6, 0.8) weighs its points: equally, (V0.2 + V0.6 + V0.8)/3, as the program
// always has, or with the 0.6 point counted twice, (V0.2 + 2V0.6 + V0.8)/4, as ISO 748 gives it.
// A station's setting, not part of the raw data file.
enum class ThreePointRule { Equal, Iso748 };

struct Gauging {
    EntryMode mode = EntryMode::Vertical;
    // The six coefficient texts; a mode uses the first coefficientCount(mode).
    std::array<std::string, kCoefficientCount> coefficients{
        std::string(kFactoryCoefficients[0]), std::string(kFactoryCoefficients[1]),
        std::string(kFactoryCoefficients[2]), std::string(kFactoryCoefficients[3]),
        std::string(kFactoryCoefficients[4]), std::string(kFactoryCoefficients[5])};
    // The record header part of the file, carried byte for byte as the file holds it (the
    // header is the station's, and a file of another program version may hold more than the
    // 39 fields this one shows); empty for a gauging without one.
    std::string headerPart;
    std::vector<GaugingRow> rows;
    ThreePointRule threePoint = ThreePointRule::Equal;

    const std::string& coefficient(std::size_t index) const { return coefficients[index]; }
    bool operator==(const Gauging&) const = default;
};

// A typed cell of a row by its column (起点距, 水深, 相对, N, T, 测点流速); other columns read
// empty.
const std::string& typedText(const GaugingRow& row, int column);
void setTypedText(GaugingRow& row, int column, std::string text);

// The rows with the mode's typed columns filled and every other column empty: what the sheet
// holds once 计算 has cleared what it writes.
Table typedTable(const Gauging& gauging);

// The columns a mode types (起点距, 水深, 相对, then N and T, or 测点流速), in the raw data
// file's order; none without a mode. The one list of them: the sheet's locks, the file, the
// checks and the snapshot of the input all read it.
std::span<const int> typedColumns(EntryMode mode);
// Every column either mode types (the six a GaugingRow holds), in column order.
std::span<const int> eitherModeTypedColumns();
// Whether the mode types the column.
bool typesColumn(EntryMode mode, int column);

} // namespace tarnelo
