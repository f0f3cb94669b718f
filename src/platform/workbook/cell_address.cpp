#include "platform/workbook/cell_address.hpp"

#include "platform/workbook/cell_text.hpp"

#include <algorithm>

namespace tarnelo::xlsx {

int columnNumber(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) {
        return 0;
    }
    int n = 0;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c < 'A' || c > 'Z') {
            return 0;
        }
        n = n * 26 + (c - 'A' + 1);
    }
    return n <= kMaxColumn ? n : 0;
}

std::string columnName(int column) {
    std::string name;
    while (column > 0) {
        const int d = (column - 1) % 26;
        name.insert(name.begin(), static_cast<char>('A' + d));
        column = (column - 1) / 26;
    }
    return name;
}

std::string cellName(int row, int column) {
    return columnName(column) + std::to_string(row);
}

std::optional<std::pair<int, int>> parseCell(std::string_view name) {
    std::size_t i = 0;
    if (i < name.size() && name[i] == '$') {
        ++i;
    }
    const std::size_t letters = i;
    while (i < name.size() &&
           ((name[i] >= 'A' && name[i] <= 'Z') || (name[i] >= 'a' && name[i] <= 'z'))) {
        ++i;
    }
    const int column = columnNumber(name.substr(letters, i - letters));
    if (i < name.size() && name[i] == '$') {
        ++i;
    }
    const int row = parseInt(name.substr(i), 0);
    if (column == 0 || row < 1 || row > kMaxRow) {
        return std::nullopt;
    }
    return std::pair{row, column};
}

std::optional<Area> parseArea(std::string_view address) {
    const auto colon = address.find(':');
    const auto first = parseCell(address.substr(0, colon));
    if (!first) {
        return std::nullopt;
    }
    auto second = first;
    if (colon != std::string_view::npos) {
        second = parseCell(address.substr(colon + 1));
        if (!second) {
            return std::nullopt;
        }
    }
    return Area{std::min(first->first, second->first), std::min(first->second, second->second),
                std::max(first->first, second->first), std::max(first->second, second->second)};
}

std::string areaName(const Area& area) {
    std::string name = cellName(area.top, area.left);
    if (area.rows() > 1 || area.columns() > 1) {
        name += ":" + cellName(area.bottom, area.right);
    }
    return name;
}

} // namespace tarnelo::xlsx
