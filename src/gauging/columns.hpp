// The columns of a gauging's record, as the field book and the sheet order them: the texts a
// user types (起点距, 水深, 相对, N, T or 测点流速) and the ones the computation writes.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarnelo {

inline constexpr int kRecordColumns = 17;

// Column numbers, by their headings.
namespace col {
inline constexpr int 号数 = 0;
inline constexpr int 起点距 = 1;
inline constexpr int 水深 = 2;
inline constexpr int 相对 = 3;
inline constexpr int 测点深 = 4;
inline constexpr int N = 5;
inline constexpr int T = 6;
inline constexpr int 总转数 = 7;
inline constexpr int 测点流速 = 8;
inline constexpr int 系数 = 9;
inline constexpr int 平均流速 = 10;
inline constexpr int 岸边部分 = 11;
inline constexpr int 平均水深 = 12;
inline constexpr int 间距 = 13;
inline constexpr int 测深垂线 = 14;
inline constexpr int 部分 = 15;
inline constexpr int 部分流量 = 16;
} // namespace col

// A block of neighbouring columns, first to last inclusive.
struct ColumnRange {
    int first;
    int last;
};

// Named column blocks.
namespace cols {
inline constexpr ColumnRange kAll{col::号数, col::部分流量};
// Columns the computation writes, per entry mode: 号数, 测点深, and in the vertical mode
// 总转数 onwards; in the velocity-measurement mode N, T and 总转数, then 系数 onwards.
inline constexpr std::array<ColumnRange, 3> kComputedVertical{
    {{col::号数, col::号数}, {col::测点深, col::测点深}, {col::总转数, col::部分流量}}};
inline constexpr std::array<ColumnRange, 3> kComputedVelocity{
    {{col::号数, col::号数}, {col::测点深, col::总转数}, {col::系数, col::部分流量}}};
// The columns the user types are typedColumns(mode) in gauging/gauging.hpp.
} // namespace cols

// Heading of a column as the user reads it ("起点距", "N", "岸边/部分", ...).
std::string_view columnHeading(int column);

// The texts of one row, by column.
using RowTexts = std::array<std::string, kRecordColumns>;

} // namespace tarnelo
