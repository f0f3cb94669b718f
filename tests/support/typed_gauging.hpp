// Gaugings as a user types them, for the tests that compute and check without a window: rows of
// texts, the field manual's worked example, and a gauging read back from a computed table.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <string>
#include <utility>
#include <vector>

namespace tarnelo::testing {

// One typed row: 起点距, 水深, then 相对, N, T and 测点流速 when given.
struct Typed {
    std::string distance;
    std::string depth;
    std::string relative = "";
    std::string n = "";
    std::string t = "";
    std::string velocity = "";
};

// A gauging of the factory coefficients with these rows typed in the mode.
inline Gauging typedGauging(const std::vector<Typed>& rows, EntryMode mode = EntryMode::Vertical) {
    Gauging gauging;
    gauging.mode = mode;
    for (const Typed& typed : rows) {
        gauging.rows.push_back(
            {typed.distance, typed.depth, typed.relative, typed.n, typed.t, typed.velocity});
    }
    return gauging;
}

// The field manual's worked example (the rows of support/worked_example.hpp) with a surface
// coefficient of 0.85: two water edges and three velocity verticals, one of them a surface
// point; 37.4 m³/s over five rows.
inline Gauging workedExample() {
    Gauging gauging = typedGauging({{"0", "0"},
                                    {"5", "1.2", "0.6", "10", "100"},
                                    {"10", "1.8", "0.6", "15", "110"},
                                    {"15", "1.5", "0.0", "20", "105"},
                                    {"20", "0"}});
    gauging.coefficients[coef::水面系数] = "0.85";
    return gauging;
}

// The gauging as a sheet showing the table reads back: the six typed columns of every row, as
// they stand after a computation (a computed 测点流速 included), the rest of `gauging` kept.
inline Gauging retyped(Gauging gauging, const Table& table) {
    gauging.rows.assign(static_cast<std::size_t>(table.rowCount()), GaugingRow{});
    for (int r = 0; r < table.rowCount(); ++r) {
        for (const int c : {col::起点距, col::水深, col::相对, col::N, col::T, col::测点流速}) {
            setTypedText(gauging.rows[static_cast<std::size_t>(r)], c, table.cell(r, c));
        }
    }
    return gauging;
}

// Every typed cell of the gauging, of both modes (N and T beside 测点流速), as a sheet holds
// them before a computation; every computed column empty.
inline Table typedCells(const Gauging& gauging) {
    std::vector<RowTexts> rows(gauging.rows.size());
    for (std::size_t r = 0; r < gauging.rows.size(); ++r) {
        for (const int c : {col::起点距, col::水深, col::相对, col::N, col::T, col::测点流速}) {
            rows[r][static_cast<std::size_t>(c)] = typedText(gauging.rows[r], c);
        }
    }
    return Table(std::move(rows));
}

// The rows in which a column of the table is filled.
inline std::vector<int> rowsWithFilled(const Table& table, int column) {
    std::vector<int> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, column)) {
            rows.push_back(r);
        }
    }
    return rows;
}

} // namespace tarnelo::testing
