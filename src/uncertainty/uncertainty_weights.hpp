// What both uncertainty methods share: when a section can be estimated at all, and how much the
// discharge moves with each depth and each vertical's mean velocity.
#pragma once

#include "measure/section.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarnelo::uncertainty {

// Fewest velocity verticals either method estimates from: the ISO 748 table of the number of
// verticals starts at 5, and the IVE's m − 2 degrees of freedom mean nothing below it.
inline constexpr int kFewestVerticals = 5;

// Why the section cannot be estimated, or nothing when it can: computed, discharge above 0,
// every velocity vertical placed, distances increasing, enough velocity verticals.
std::optional<std::string> notEstimableBecause(const MeasuredSection& section);

// For the mean-section computation of the sheet: each strip between neighbouring sounding
// verticals i and i+1 has the area (d_i + d_{i+1})/2 · (x_{i+1} − x_i) and the velocity of its
// partial: the mean of the two velocity verticals that bound it, or the bank coefficient times
// the nearest one at a water edge. Q = Σ area · velocity, so
//   byDepth[i]    = ∂Q/∂d_i = Σ_{strips at i} (x_{i+1} − x_i)/2 · velocity,
//   byVelocity[k] = ∂Q/∂v_k = Σ_{strips} area · ∂velocity/∂v_k,
// and byVelocity[k] · v_k is the share of Q carried by velocity vertical k (they sum to Q).
struct SectionWeights {
    std::vector<std::size_t> velocityAt; // index into section.verticals of each velocity vertical
    std::vector<double> byDepth;         // one per vertical
    std::vector<double> byVelocity;      // one per velocity vertical
};

SectionWeights sectionWeights(const MeasuredSection& section);

} // namespace tarnelo::uncertainty
