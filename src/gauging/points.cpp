#include "gauging/points.hpp"

namespace tarnelo {

bool hasMeasurement(const Table& table, int row, EntryMode mode) {
    const bool counted = table.filled(row, col::N) && table.filled(row, col::T);
    switch (mode) {
    case EntryMode::Vertical:
        return counted;
    case EntryMode::Velocity:
        return table.filled(row, col::测点流速);
    case EntryMode::Unknown:
        break;
    }
    return counted || table.filled(row, col::测点流速);
}

bool isPointRow(const Table& table, int row, EntryMode mode) {
    return !table.filled(row, col::起点距) && !table.filled(row, col::水深) &&
           table.filled(row, col::相对) && hasMeasurement(table, row, mode);
}

int verticalRowOf(const Table& table, int row, EntryMode mode) {
    if (!isPointRow(table, row, mode)) {
        return row;
    }
    int above = row - 1;
    while (above >= 0 && isPointRow(table, above, mode)) {
        --above;
    }
    return above;
}

std::vector<PointedVertical> pointedVerticals(const Table& table, EntryMode mode) {
    std::vector<PointedVertical> verticals;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (isPointRow(table, r, mode)) {
            if (!verticals.empty() && verticalRowOf(table, r, mode) == verticals.back().row) {
                verticals.back().points.push_back(r);
            }
        } else if (hasMeasurement(table, r, mode)) {
            verticals.push_back({r, {r}});
        }
    }
    return verticals;
}

int missingRightEdgeRow(const Table& table, EntryMode mode) {
    const std::vector<PointedVertical> verticals = pointedVerticals(table, mode);
    if (verticals.empty()) {
        return -1;
    }
    const auto placed = [&](int row) {
        return table.filled(row, col::起点距) || table.filled(row, col::水深);
    };
    if (!placed(verticals.back().row)) {
        return -1;
    }
    for (int r = verticals.back().points.back() + 1; r < table.rowCount(); ++r) {
        if (placed(r)) {
            return -1;
        }
    }
    return verticals.back().points.back() + 1;
}

bool hasPointRows(const Table& table, EntryMode mode) {
    for (int r = 0; r < table.rowCount(); ++r) {
        if (isPointRow(table, r, mode)) {
            return true;
        }
    }
    return false;
}

} // namespace tarnelo
