// What every picture of the program lays out the same way: the widths of texts and round tick
// steps for its axes.
#pragma once

#include <string>
#include <string_view>

namespace tarnelo::svg {

// The characters of a UTF-8 text with their widths in em (a character of three bytes or more,
// as CJK, 1; others `narrow`), for laying text out without a font at hand.
double textEms(std::string_view text, double narrow = 0.6);

// A round tick step (1, 2 or 5 times a power of ten) that gives about `wanted` intervals; a
// usable step also for spans near the ends of the double range.
double tickStep(double span, int wanted);

} // namespace tarnelo::svg
