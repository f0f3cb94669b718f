// How the spacings between verticals (间距) and the water-surface width (水面宽) are written.
//
// A section whose distances (起点距) were all typed in whole decimetres keeps the graded distance
// rule (0.1 m, whole metres from 100 m). A small channel measured with a tape in centimetres
// keeps the typed resolution: the spacing is the difference of two typed distances, exact at
// their decimals, so neither the spacing nor the areas and the width built on it lose a
// measured digit (a 2.39 m canal with verticals 0.24 m apart would otherwise read 0.2 m a
// spacing, −17 % of its discharge). GB 50179-2015 D.1.5 gives the measured quantities by their
// significant digits, without a common number of decimals.
#pragma once

#include "gauging/table.hpp"

#include <string>

namespace tarnelo {

// The decimals of the finest typed distance of the table when it is finer than a decimetre (2,
// or 3 for millimetres); 0 when every typed distance is a whole number of decimetres and the
// graded distance rule applies.
int fineDistanceDecimals(const Table& table);

// A spacing or width: the graded distance text when decimals is 0, else exactly `decimals`
// decimals.
std::string spacingText(double x, int decimals);

} // namespace tarnelo
