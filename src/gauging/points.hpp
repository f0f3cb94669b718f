// Several measuring points on one velocity vertical, as the field book records them: the first
// point on the vertical's own row, each further point on a row of its own below it, with
// 起点距 and 水深 left blank.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <vector>

namespace tarnelo {

// The row carries a measurement: N and T in 垂线模式, a point velocity in 测速模式 (either, when
// the mode is not known).
bool hasMeasurement(const Table& table, int row, EntryMode mode);

// A point row: 起点距 and 水深 both empty, 相对 and a measurement filled. It is one more point of
// the vertical above it.
bool isPointRow(const Table& table, int row, EntryMode mode);

// The row a point row belongs to: the nearest row above it that is not a point row; -1 when
// there is none. Any other row belongs to itself.
int verticalRowOf(const Table& table, int row, EntryMode mode);

// A velocity vertical and the rows of its points: its own row first, then its point rows.
struct PointedVertical {
    int row = 0;
    std::vector<int> points;
};

// The velocity verticals (rows with a measurement that are not point rows), in row order, each
// with its point rows.
std::vector<PointedVertical> pointedVerticals(const Table& table, EntryMode mode);

// Where the right water edge is missing: the last velocity vertical is a vertical of the section
// (it has a distance or a depth) and no row below it has either, so the right-bank partial has
// no area. The row below the vertical and its points; -1 when the edge is there or there is no
// velocity vertical.
int missingRightEdgeRow(const Table& table, EntryMode mode);

// True when some vertical has more than one point.
bool hasPointRows(const Table& table, EntryMode mode);

} // namespace tarnelo
