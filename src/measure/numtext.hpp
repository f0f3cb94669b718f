// Numbers as texts: the one place where numbers become text and text becomes numbers.
// Everything here is locale-independent: the user's locale never changes a decimal point.
#pragma once

#include <string>
#include <string_view>

namespace tarnelo::num {

// "%.13g": at most 13 significant digits, no trailing zeros, "0" for zero (never "-0").
std::string plainText(double x);

// The number plainText(x) reads back as (numberOf(plainText(x))), without writing the text.
double thirteenDigitValue(double x);

// An error code as the system writes it: "0x" and eight upper-case hexadecimal digits.
std::string codeText(unsigned long code);

// The longest leading decimal number of a text (leading blanks skipped, optional sign, digits
// with an optional point, optional exponent). Empty or non-numeric text gives 0; "inf", "nan"
// and hex are not numbers. A number too large for a double reads as an infinity.
double numberOf(std::string_view text);

// Where the leading decimal number that numberOf reads ends (leading blanks included); 0 when
// the text has none.
std::size_t numberEnd(std::string_view text);

// Whether the text, blanks and tabs around it aside, is one decimal number and nothing else:
// what numberOf reads is then all there is ("l.2", "12a", "1.2.3" and "-" are not).
bool isWholeNumber(std::string_view text);

// Round half away from zero to n decimals (n >= 0), with the 1e-12 nudge of the field rule.
double roundHalfAway(double x, int n);

// Round half to even at the n-th decimal; ties are recognised within 1e-7 of a unit of that
// decimal. Negative values mirror the rule for positive ones.
double roundHalfEven(double x, int n);

// Rounded half away from zero to n decimals, then padded with zeros to exactly n decimals.
std::string fixedText(double x, int n);

// The decimals a typed number needs to be written exactly (0 for "12" and "12.0", 2 for "2.45"
// and "2.450"), at most `most`: a finer text counts as `most`.
int typedDecimals(std::string_view text, int most);

// A measured distance (a spacing, a width) with exactly `decimals` decimals, rounded half to
// even by magnitude, never "-0.00".
std::string distanceText(double x, int decimals);

enum class Grade { Velocity, Depth, Distance, Area, Discharge };

// The graded hydrometric rounding: the text a computed value is published with. A negative
// value is graded by its magnitude and keeps its sign (never "-0.00").
std::string graded(double x, Grade grade);

// A discharge or an area as the yearbook prints it: three significant figures, rounded once
// from x, half to even (GB/T 8170: a value is rounded in one step, never by successive
// roundings). Below 1000 the graded text already has them (at most three decimals for
// discharge, two for area); from 1000 on only the first three figures are kept
// (1934.561 -> "1930", 1025 -> "1020", 9995 -> "10000").
std::string yearbookText(double x, Grade grade);

} // namespace tarnelo::num
