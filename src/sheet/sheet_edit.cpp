#include "sheet/sheet_edit.hpp"

#include <algorithm>

namespace tarnelo {

SheetEdit emptyingEdit(const Sheet& sheet, CellRange range, std::string_view name) {
    SheetEdit edit{std::string(name), {}, range};
    const int bottom = std::min(range.bottom, sheet.rowCount() - 1);
    const int right = std::min(range.right, Sheet::kColumns - 1);
    for (int r = std::max(range.top, 0); r <= bottom; ++r) {
        for (int c = std::max(range.left, 0); c <= right; ++c) {
            if (!sheet.isReadOnly(c) && !sheet.cell(r, c).empty()) {
                edit.writes.push_back({r, c, ""});
            }
        }
    }
    return edit;
}

std::string undoStatus(std::string_view name) {
    return name.empty() ? "没有可以撤销的操作。" : "已撤销：" + std::string(name);
}

std::string redoStatus(std::string_view name) {
    return name.empty() ? "没有可以重做的操作。" : "已重做：" + std::string(name);
}

std::optional<CellPos> tabTarget(const Sheet& sheet, CellPos from, bool forward) {
    const int step = forward ? 1 : -1;
    int row = from.row;
    int column = from.column + step;
    // At most one whole row beyond the current one is searched.
    for (int visited = 0; visited <= 2 * Sheet::kColumns; ++visited) {
        if (column < 0 || column >= Sheet::kColumns) {
            row += step;
            column = forward ? 0 : Sheet::kColumns - 1;
        }
        if (row < 0 || row >= sheet.rowCount()) {
            return std::nullopt;
        }
        if (!sheet.isReadOnly(column)) {
            return CellPos{row, column};
        }
        column += step;
    }
    return std::nullopt;
}

std::string readOnlyColumnStatus(int column) {
    return "“" + std::string(Sheet::heading(column)) + "”是计算列，由“计算”填写，不能输入。";
}

} // namespace tarnelo
