// The check pass run at every press of 计算: suspect input in the sheet and the coefficient
// fields, reported as findings. It never changes the window and never stops a computation.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

struct Finding {
    enum class Severity {
        Error,  // 错误: the input cannot mean what the record form will say
        Notice, // 注意: plausible, but worth a second look
    };
    Severity severity = Severity::Notice;
    // The cell the finding is about. A coefficient finding has row and column -1 and names its
    // coefficient (coef::...); a finding about the whole section has all three -1.
    int row = -1;
    int column = -1;
    int coefficient = -1;
    // Short reason, in the user's words; a threshold names its source or says 经验值.
    std::string reason;
    // Further rows whose cell in the same column the finding is about, beside its own: tinted
    // lightly in the sheet, but neither listed nor counted apart.
    std::vector<int> alsoRows;

    bool isCell() const { return row >= 0 && column >= 0; }
    bool isCoefficient() const { return !isCell() && coefficient >= 0; }
    std::size_t coefficientIndex() const { return static_cast<std::size_t>(coefficient); }
    bool operator==(const Finding&) const = default;
};

// "错误" or "注意".
std::string_view severityName(Finding::Severity severity);

// What the check pass needs beside the gauging: settings of the station and of its meter.
struct CheckOptions {
    // The meter's starting velocity (起转速), m/s: a point velocity below it is noticed. Empty
    // (the default): the meter rating's C (流速仪公式常数 C) when that is a number above 0, in
    // either mode; 0 or less turns the check off.
    std::optional<double> startingVelocity;
    // The station's class, 1, 2 or 3 (一类、二类、三类精度站, as station::StationClass counts
    // them; any other number reads as 2): the largest spacing of neighbouring velocity verticals
    // as a share of the water-surface width, after GB 50179-2015 B.12.9 (10 %, 11 %, 12 %).
    int stationClass = 2;
};

// The input of the gauging's mode as the check pass sees it: the coefficients and the typed
// cells of the table, and after a computation its partial discharges, point velocities and the
// section discharge (empty when not computed). Findings come coefficients first (in their
// order), then by row and column.
std::vector<Finding> checkMeasurement(const Gauging& gauging, const Table& table,
                                      std::string_view discharge, const CheckOptions& options = {});

// Where a finding points, as a user reads it: "第 3 行“水深”", "“左岸岸边系数”" or "断面".
std::string findingPlace(const Finding& finding);

// "第 3 行“水深”：reason".
std::string findingLine(const Finding& finding);

int countSeverity(std::span<const Finding> findings, Finding::Severity severity);

// "有 1 处错误、2 处需要注意" (empty when there is no finding).
std::string findingCounts(std::span<const Finding> findings);

// Up to `most` finding lines, one a line, with a closing line for the rest.
std::string findingList(std::span<const Finding> findings, std::size_t most = 12);

// The first row of a gap in 起点距 (an empty distance above a filled one, other than a point row
// of a vertical), or -1.
int firstDistanceGap(const Table& table, EntryMode mode);

} // namespace tarnelo
