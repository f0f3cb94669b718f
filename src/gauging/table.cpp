#include "gauging/table.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

const std::string kEmpty;

constexpr std::array<std::string_view, kRecordColumns> kHeadings{
    "号数",     "起点距", "水深",     "相对", "测点深",   "N",
    "T",        "总转数", "测点流速", "系数", "平均流速", "岸边/部分",
    "平均水深", "间距",   "测深垂线", "部分", "部分流量"};

} // namespace

std::string_view columnHeading(int column) {
    if (column < 0 || column >= kRecordColumns) {
        return {};
    }
    return kHeadings[static_cast<std::size_t>(column)];
}

const std::string& Table::cell(int row, int column) const {
    if (!inside(row, column)) {
        return kEmpty;
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void Table::setCell(int row, int column, std::string_view text) {
    if (inside(row, column)) {
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)].assign(text);
    }
}

void Table::clearColumns(ColumnRange range) {
    const int first = std::max(range.first, 0);
    const int last = std::min(range.last, kRecordColumns - 1);
    for (auto& row : rows_) {
        for (int c = first; c <= last; ++c) {
            row[static_cast<std::size_t>(c)].clear();
        }
    }
}

} // namespace tarnelo
