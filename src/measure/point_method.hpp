// How a vertical's measuring points make its mean velocity: the methods of the Chinese code of
// river discharge measurement, GB 50179-2015 (appendix B, B.7.1: the vertical mean velocity
// where the vertical has no reverse flow), and how a set of relative positions is read.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

enum class PointMethod {
    OnePoint,   // one point, its velocity is the mean (0.6; in a gauging of one point a
                // vertical also 0.2, 0.5 and a surface point not typed "0.0")
    Surface,    // one point at the surface, times 水面系数
    Assumed,    // one point at 0.2 or 0.5, times a coefficient assumed (see kLonePointFactors)
    TwoPoint,   // 0.2, 0.8
    ThreePoint, // 0.2, 0.6, 0.8
    FivePoint,  // 0.0, 0.2, 0.6, 0.8, 1.0
    Unknown,    // no method of the code: nothing is computed
};

// A method, its name on the form and its rule as the user reads it.
struct PointMethodName {
    PointMethod method;
    std::string_view name;
    std::string_view rule;
};
inline constexpr std::array<PointMethodName, 6> kPointMethodNames{{
    {PointMethod::OnePoint, "一点法", "V_m = V_0.6"},
    {PointMethod::Surface, "水面一点法", "V_m = K_s·V_0.0（K_s 为水面系数）"},
    {PointMethod::Assumed, "一点法", "V_m = K·V_0.2 或 K·V_0.5"},
    {PointMethod::TwoPoint, "二点法", "V_m = (V_0.2 + V_0.8)/2"},
    {PointMethod::ThreePoint, "三点法", "V_m = (V_0.2 + V_0.6 + V_0.8)/3"},
    {PointMethod::FivePoint, "五点法", "V_m = (V_0.0 + 3V_0.2 + 3V_0.6 + 2V_0.8 + V_1.0)/10"},
}};
std::string_view pointMethodName(PointMethod method);

// A lone point at 0.2 or 0.5 of the depth gives the mean through a coefficient that each
// station finds from its own multi-point gaugings (GB 50179-2015 names it, gives no value). The
// program takes 1 for both, as it always has; a finding says it is assumed.
struct LonePointFactor {
    double relative;
    std::string_view name;
    double value;
    std::string_view source;
};
inline constexpr std::array<LonePointFactor, 2> kLonePointFactors{{
    {0.2, "0.2 一点法系数", 1.0, "经验值"},
    {0.5, "0.5 一点法系数", 1.0, "经验值"},
}};

// The method of a vertical's points, read from their 相对 texts in row order, with the weight of
// each point (in that order) and the divisor: V_m = Σ wᵢVᵢ / divisor.
struct PointSet {
    PointMethod method = PointMethod::Unknown;
    std::vector<int> weights;
    int divisor = 1;
    // Unknown: a position typed twice (its text), or empty for a set the code does not know.
    std::string repeated;
    // The positions do not run from the surface down.
    bool outOfOrder = false;
    // The positions as typed, joined by "、".
    std::string positions;
};
PointSet pointSetOf(const std::vector<std::string>& relatives, bool onePointGauging,
                    ThreePointRule threePoint = ThreePointRule::Equal);

// 三点法's rule as the form and the listings name it: "(V0.2+V0.6+V0.8)/3" or
// "(V0.2+2V0.6+V0.8)/4".
std::string_view threePointRuleText(ThreePointRule rule);

// The rule given on the command line: "3" or "4" (the divisor); std::nullopt for anything else.
std::optional<ThreePointRule> threePointRuleNamed(std::string_view divisor);

// The relative texts of a vertical's point rows.
std::vector<std::string> relativesOf(const Table& table, const std::vector<int>& rows);

} // namespace tarnelo
