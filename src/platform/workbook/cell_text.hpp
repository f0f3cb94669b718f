// Texts and numbers as a workbook stores them. Cell texts carry characters XML cannot hold in
// the _xHHHH_ escape of the format; numbers are written and read without regard to the user's
// locale, so a decimal point is always a point.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnelo::xlsx {

// A text as a cell stores it: invalid UTF-8 becomes U+FFFD; control characters other than tab
// and line breaks, and a literal "_xHHHH_", are written in the _xHHHH_ escape.
std::string encodeCellText(std::string_view s);
// The text a stored cell text stands for: every _xHHHH_ becomes its character.
std::string decodeCellText(std::string_view s);

// The characters of a UTF-8 text (bytes that do not continue a sequence).
std::size_t charCount(std::string_view s);

bool isXmlSpace(char c);

// The text of a plain or rich string item (<si>, <is>): its <t>, or the <t> of its runs;
// phonetic runs are skipped.
std::string itemText(pugi::xml_node item);

// "%.13g" of a number in the C locale, "0" for zero (never "-0").
std::string numberText(double x);

// The leading decimal number of a text: blanks skipped, optional sign, digits with an optional
// point, optional exponent. 0 when the text does not start with a number ("inf", "nan" and hex
// included); a number too large for a double reads as an infinity, one too small as 0.
double numberOf(std::string_view text);

// A non-negative whole number of at most 10 digits that fits an int, as in attributes r, s,
// sheetId; fallback for anything else, signs and blanks included.
int parseInt(std::string_view text, int fallback);

} // namespace tarnelo::xlsx
