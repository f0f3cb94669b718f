#include "measure/point_method.hpp"

#include "measure/numtext.hpp"

#include <algorithm>
#include <cmath>

namespace tarnelo {

namespace {

// The positions of a method from the surface down, with their weights and the divisor.
struct Rule {
    PointMethod method;
    std::array<double, 5> positions;
    std::array<int, 5> weights;
    std::size_t count;
    int divisor;
};
constexpr std::array<Rule, 3> kRules{{
    {PointMethod::TwoPoint, {0.2, 0.8}, {1, 1}, 2, 2},
    {PointMethod::ThreePoint, {0.2, 0.6, 0.8}, {1, 1, 1}, 3, 3},
    {PointMethod::FivePoint, {0.0, 0.2, 0.6, 0.8, 1.0}, {1, 3, 3, 2, 1}, 5, 10},
}};

bool same(double a, double b) {
    return std::abs(a - b) < 1e-9;
}

} // namespace

std::string_view pointMethodName(PointMethod method) {
    for (const PointMethodName& entry : kPointMethodNames) {
        if (entry.method == method) {
            return entry.name;
        }
    }
    return {};
}

std::vector<std::string> relativesOf(const Table& table, const std::vector<int>& rows) {
    std::vector<std::string> relatives;
    relatives.reserve(rows.size());
    for (const int r : rows) {
        relatives.push_back(table.cell(r, col::相对));
    }
    return relatives;
}

std::string_view threePointRuleText(ThreePointRule rule) {
    return rule == ThreePointRule::Iso748 ? "(V0.2+2V0.6+V0.8)/4" : "(V0.2+V0.6+V0.8)/3";
}

std::optional<ThreePointRule> threePointRuleNamed(std::string_view divisor) {
    if (divisor == "3") {
        return ThreePointRule::Equal;
    }
    if (divisor == "4") {
        return ThreePointRule::Iso748;
    }
    return std::nullopt;
}

PointSet pointSetOf(const std::vector<std::string>& relatives, bool onePointGauging,
                    ThreePointRule threePoint) {
    PointSet set;
    for (std::size_t i = 0; i < relatives.size(); ++i) {
        set.positions += (i == 0 ? "" : "、") + relatives[i];
    }
    if (relatives.size() == 1) {
        const std::string& text = relatives.front();
        const double at = num::numberOf(text);
        set.weights = {1};
        if (onePointGauging) {
            // A gauging of one point a vertical reads as it always has: a surface point is the
            // one typed "0.0"; a point at the surface typed otherwise, at 0.6, 0.2 or 0.5 gives
            // the mean itself. A point anywhere else is no method, as in a gauging with points.
            if (text == "0.0") {
                set.method = PointMethod::Surface;
            } else if (same(at, 0.0) || same(at, 0.6) || same(at, 0.2) || same(at, 0.5)) {
                set.method = PointMethod::OnePoint;
            } else {
                set.weights.clear();
            }
        } else if (same(at, 0.0)) {
            set.method = PointMethod::Surface;
        } else if (same(at, 0.6)) {
            set.method = PointMethod::OnePoint;
        } else if (same(at, 0.2) || same(at, 0.5)) {
            set.method = PointMethod::Assumed;
        } else {
            set.weights.clear();
        }
        return set;
    }
    std::vector<double> at;
    for (const std::string& text : relatives) {
        at.push_back(num::numberOf(text));
    }
    for (std::size_t i = 0; i < at.size() && set.repeated.empty(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (same(at[i], at[j])) {
                set.repeated = relatives[i];
                break;
            }
        }
    }
    if (!set.repeated.empty()) {
        return set;
    }
    set.outOfOrder = !std::is_sorted(at.begin(), at.end());
    for (const Rule& rule : kRules) {
        if (rule.count != at.size()) {
            continue;
        }
        std::vector<int> weights;
        for (const double position : at) {
            const auto* found =
                std::find_if(rule.positions.begin(), rule.positions.begin() + rule.count,
                             [&](double p) { return same(p, position); });
            if (found == rule.positions.begin() + rule.count) {
                break;
            }
            weights.push_back(
                rule.weights[static_cast<std::size_t>(found - rule.positions.begin())]);
        }
        if (weights.size() == at.size()) {
            set.method = rule.method;
            set.weights = std::move(weights);
            set.divisor = rule.divisor;
            if (rule.method == PointMethod::ThreePoint && threePoint == ThreePointRule::Iso748) {
                // ISO 748 (annex on the velocity distribution methods): the 0.6 point twice.
                for (std::size_t i = 0; i < at.size(); ++i) {
                    set.weights[i] = same(at[i], 0.6) ? 2 : 1;
                }
                set.divisor = 4;
            }
            return set;
        }
    }
    return set;
}

} // namespace tarnelo
