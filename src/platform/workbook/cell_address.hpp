// Cell names and addresses in A1 style: columns as letters ("A" to "XFD"), rows from 1.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tarnelo::xlsx {

inline constexpr int kMaxRow = 1048576;
inline constexpr int kMaxColumn = 16384;

// "A" = 1 ... "Z" = 26, "AA" = 27; 0 when the text is not a column name.
int columnNumber(std::string_view letters);
std::string columnName(int column);
std::string cellName(int row, int column);

// A block of cells, counted from 1, top-left to bottom-right inclusive.
struct Area {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;
    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool contains(int row, int column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool overlaps(const Area& o) const {
        return top <= o.bottom && o.top <= bottom && left <= o.right && o.left <= right;
    }
    friend bool operator==(const Area&, const Area&) = default;
};

// "B3" or "$B$3": row and column; std::nullopt otherwise.
std::optional<std::pair<int, int>> parseCell(std::string_view name);
// "B3", "$B$3", "A1:C5", "$A$1:$C$5" (either corner first); std::nullopt otherwise.
std::optional<Area> parseArea(std::string_view address);
std::string areaName(const Area& area);

} // namespace tarnelo::xlsx
