#include "measure/distances.hpp"

#include "measure/numtext.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

// Millimetres: the finest a distance across a channel is ever read to.
constexpr int kFinestDecimals = 3;

} // namespace

int fineDistanceDecimals(const Table& table) {
    int decimals = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, col::起点距)) {
            decimals =
                std::max(decimals, num::typedDecimals(table.cell(r, col::起点距), kFinestDecimals));
        }
    }
    return decimals <= 1 ? 0 : decimals;
}

std::string spacingText(double x, int decimals) {
    return decimals == 0 ? num::graded(x, num::Grade::Distance) : num::distanceText(x, decimals);
}

} // namespace tarnelo
