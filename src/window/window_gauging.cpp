#include "window/window_gauging.hpp"

#include "sheet/sheet.hpp"
#include "window/window.hpp"

namespace tarnelo {

EntryMode selectedMode(const Window& window) {
    if (window.isSelected(ctl::垂线模式)) {
        return EntryMode::Vertical;
    }
    if (window.isSelected(ctl::测速模式)) {
        return EntryMode::Velocity;
    }
    return EntryMode::Unknown;
}

Gauging gaugingOf(const Window& window) {
    Gauging gauging;
    gauging.mode = selectedMode(window);
    gauging.threePoint = window.threePointRule();
    for (std::size_t i = 0; i < kCoefficientCount; ++i) {
        gauging.coefficients[i] = window.text(kCoefficientFields[i].control);
    }
    gauging.rows = typedRowsOf(window.sheet());
    return gauging;
}

std::vector<GaugingRow> typedRowsOf(const Sheet& sheet) {
    std::vector<GaugingRow> rows(static_cast<std::size_t>(sheet.rowCount()));
    for (int r = 0; r < sheet.rowCount(); ++r) {
        GaugingRow& row = rows[static_cast<std::size_t>(r)];
        for (const int c : eitherModeTypedColumns()) {
            setTypedText(row, c, sheet.cell(r, c));
        }
    }
    return rows;
}

Table tableOf(const Sheet& sheet) {
    std::vector<RowTexts> rows;
    rows.reserve(static_cast<std::size_t>(sheet.rowCount()));
    for (int r = 0; r < sheet.rowCount(); ++r) {
        rows.push_back(sheet.row(r));
    }
    return Table(std::move(rows));
}

} // namespace tarnelo
