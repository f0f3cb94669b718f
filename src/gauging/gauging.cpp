#include "gauging/gauging.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

// The columns each mode types, in the raw data file's order: the one list of them.
constexpr std::array<int, 5> kVerticalColumns{col::起点距, col::水深, col::相对, col::N, col::T};
constexpr std::array<int, 4> kVelocityColumns{col::起点距, col::水深, col::相对, col::测点流速};
// Every column either mode types, in column order.
constexpr auto kEitherModeColumns = [] {
    std::array<int, 6> all{};
    std::size_t n = 0;
    for (const int c : kVerticalColumns) {
        all[n++] = c;
    }
    for (const int c : kVelocityColumns) {
        if (std::find(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n), c) ==
            all.begin() + static_cast<std::ptrdiff_t>(n)) {
            all[n++] = c;
        }
    }
    std::sort(all.begin(), all.end());
    return all;
}();

const std::string kNone;

} // namespace

std::string_view entryModeName(EntryMode mode) {
    switch (mode) {
    case EntryMode::Vertical:
        return "垂线模式";
    case EntryMode::Velocity:
        return "测速模式";
    case EntryMode::Unknown:
        break;
    }
    return {};
}

std::size_t coefficientCount(EntryMode mode) {
    return mode == EntryMode::Vertical   ? kCoefficientCount
           : mode == EntryMode::Velocity ? kVelocityModeCoefficients
                                         : 0;
}

std::span<const int> typedColumns(EntryMode mode) {
    if (mode == EntryMode::Vertical) {
        return kVerticalColumns;
    }
    if (mode == EntryMode::Velocity) {
        return kVelocityColumns;
    }
    return {};
}

std::span<const int> eitherModeTypedColumns() {
    return kEitherModeColumns;
}

bool typesColumn(EntryMode mode, int column) {
    const auto columns = typedColumns(mode);
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

const std::string& typedText(const GaugingRow& row, int column) {
    switch (column) {
    case col::起点距:
        return row.distance;
    case col::水深:
        return row.depth;
    case col::相对:
        return row.relative;
    case col::N:
        return row.signalCount;
    case col::T:
        return row.seconds;
    case col::测点流速:
        return row.velocity;
    default:
        return kNone;
    }
}

void setTypedText(GaugingRow& row, int column, std::string text) {
    switch (column) {
    case col::起点距:
        row.distance = std::move(text);
        break;
    case col::水深:
        row.depth = std::move(text);
        break;
    case col::相对:
        row.relative = std::move(text);
        break;
    case col::N:
        row.signalCount = std::move(text);
        break;
    case col::T:
        row.seconds = std::move(text);
        break;
    case col::测点流速:
        row.velocity = std::move(text);
        break;
    default:
        break;
    }
}

Table typedTable(const Gauging& gauging) {
    // Without a mode nothing is cleared: every typed text stays.
    const std::span<const int> columns =
        gauging.mode == EntryMode::Unknown ? eitherModeTypedColumns() : typedColumns(gauging.mode);
    std::vector<RowTexts> rows(gauging.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const int c : columns) {
            rows[r][static_cast<std::size_t>(c)] = typedText(gauging.rows[r], c);
        }
    }
    return Table(std::move(rows));
}

} // namespace tarnelo
