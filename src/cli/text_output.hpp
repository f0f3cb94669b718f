// Text for a terminal and for JSON.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::cli {

// Columns a UTF-8 text takes on a terminal: CJK and full-width characters take two.
std::size_t displayWidth(std::string_view text);

// Rows of cells laid out in columns padded to their widest cell, two spaces apart, one line per
// row, no trailing blanks.
std::string alignedTable(const std::vector<std::vector<std::string>>& rows);
// The same, line by line onto out: a table of many rows is never held whole as one text.
void writeAlignedTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// A text made safe to show on a terminal: control characters (C0, DEL, C1) and bytes that are
// not UTF-8 are written as escapes (ESC as \x1b, U+009B as \u009b), and so are the
// bidirectional controls (U+202A–U+202E, U+2066–U+2069), so a file name or a cell can never
// move the cursor, set the title, clear the screen or show its characters in another order. With
// keepLineBreaks, "\n" stays a line break (for messages of several lines).
std::string terminalSafe(std::string_view text, bool keepLineBreaks = false);

// A message of several lines from elsewhere (a database server's): its line breaks kept, a tab
// shown as two spaces, trailing line breaks dropped, and otherwise made safe as above.
std::string messageLines(std::string_view message);

// A JSON string literal, quotes included. Bytes that are not UTF-8 become U+FFFD; control
// characters (C0, DEL, C1) and bidirectional controls are written as \uXXXX escapes.
// The same appended to out, without a text of its own for plain ASCII.
void appendJsonString(std::string& out, std::string_view text);
std::string jsonString(std::string_view text);

} // namespace tarnelo::cli
