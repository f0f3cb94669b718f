#include "measure/section.hpp"

#include "gauging/points.hpp"
#include "measure/numtext.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace tarnelo {

namespace {

std::optional<double> numberIn(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const double value = num::numberOf(text);
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

int MeasuredSection::velocityVerticalCount() const {
    return static_cast<int>(
        std::count_if(verticals.begin(), verticals.end(),
                      [](const SectionVertical& v) { return v.velocityVertical; }));
}

namespace {

// The first cell of the columns the picture reads whose number is not finite.
std::optional<UnboundedCell> firstUnboundedCell(const Table& sheet) {
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (const int c : {col::起点距, col::水深, col::平均流速, col::部分流量}) {
            const std::string& text = sheet.cell(r, c);
            if (!text.empty() && num::numberEnd(text) > 0 && !std::isfinite(num::numberOf(text))) {
                return UnboundedCell{r, c};
            }
        }
    }
    return std::nullopt;
}

} // namespace

MeasuredSection readSection(const Gauging& gauging, const Table& sheet,
                            std::string_view dischargeText) {
    const bool velocityMode = gauging.mode == EntryMode::Velocity;
    MeasuredSection section;
    section.unbounded = firstUnboundedCell(sheet);
    section.leftBank = num::numberOf(gauging.coefficient(coef::左岸岸边系数));
    section.rightBank = num::numberOf(gauging.coefficient(coef::右岸岸边系数));

    // Distances by row, for the partials' ends.
    std::map<int, double> distanceOfRow;
    int running = 0;
    const auto pointOf = [&](int r) {
        MeasuringPoint measured;
        measured.relative = numberIn(sheet.cell(r, col::相对)).value_or(0.6);
        measured.velocity = numberIn(sheet.cell(r, col::测点流速)).value_or(0.0);
        measured.surface = !sheet.cell(r, col::系数).empty();
        if (!velocityMode) {
            measured.seconds = numberIn(sheet.cell(r, col::T));
        }
        return measured;
    };
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (isPointRow(sheet, r, gauging.mode)) {
            // One more point of the vertical above it.
            const int owner = verticalRowOf(sheet, r, gauging.mode);
            if (!section.verticals.empty() && section.verticals.back().row == owner &&
                section.verticals.back().velocityVertical &&
                !section.verticals.back().points.empty() &&
                numberIn(sheet.cell(r, col::测点流速))) {
                section.verticals.back().points.push_back(pointOf(r));
            }
            continue;
        }
        const bool velocity =
            velocityMode ? !sheet.cell(r, col::测点流速).empty()
                         : !sheet.cell(r, col::N).empty() && !sheet.cell(r, col::T).empty();
        running += velocity ? 1 : 0;
        const std::optional<double> distance = numberIn(sheet.cell(r, col::起点距));
        const std::optional<double> depth = numberIn(sheet.cell(r, col::水深));
        if (!distance || !depth) {
            if (velocity) {
                section.velocityRowsWithoutPlace.push_back(r);
            }
            continue;
        }
        SectionVertical vertical;
        vertical.row = r;
        vertical.distance = *distance;
        vertical.depth = *depth;
        vertical.waterEdge = sheet.cell(r, col::水深) == "0";
        vertical.velocityVertical = velocity;
        if (velocity) {
            const std::string& number = sheet.cell(r, col::号数);
            vertical.number = number.empty() || number == "水边" ? std::to_string(running) : number;
        }
        vertical.meanVelocity = numberIn(sheet.cell(r, col::平均流速));
        if (velocity && numberIn(sheet.cell(r, col::测点流速))) {
            vertical.points.push_back(pointOf(r));
        }
        distanceOfRow.emplace(r, *distance);
        section.verticals.push_back(std::move(vertical));
    }

    const std::string total(dischargeText);
    const std::optional<double> discharge = numberIn(total);
    if (!discharge) {
        return section;
    }
    section.discharge = discharge;
    section.dischargeText = total;

    // The velocity verticals of the computation: the rows it wrote a mean velocity on.
    std::vector<int> rows;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, col::平均流速).empty()) {
            rows.push_back(r);
        }
    }
    if (rows.empty() || section.verticals.empty()) {
        return section;
    }
    const auto at = [&](int row) -> std::optional<double> {
        const auto it = distanceOfRow.find(row);
        return it == distanceOfRow.end() ? std::nullopt : std::optional(it->second);
    };
    const auto add = [&](int row, std::optional<double> from, std::optional<double> to) {
        const std::optional<double> q = numberIn(sheet.cell(row, col::部分流量));
        if (from && to && q) {
            section.partials.push_back({row, *from, *to, *q});
        }
    };
    add(rows.front() - 1, section.verticals.front().distance, at(rows.front()));
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
        add(rows[k], at(rows[k]), at(rows[k + 1]));
    }
    add(rows.back(), at(rows.back()), section.verticals.back().distance);
    return section;
}

} // namespace tarnelo
