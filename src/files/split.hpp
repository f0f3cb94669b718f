// The one rule by which every reader of the program's text files cuts a text into pieces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// Cuts text at every separator, left to right. An empty text gives no pieces; empty pieces
// between two separators are kept; a text that ends with the separator gives no empty last
// piece. With maxPieces L > 0, scanning stops as soon as L pieces have been cut at separators
// and the rest of the text is dropped. Texts are UTF-8, so a separator never matches inside a
// character.
std::vector<std::string> splitText(std::string_view text, std::string_view separator,
                                   std::size_t maxPieces = 0);

// The same pieces as views into text, which must outlive them: a large text is cut without
// a copy of it.
std::vector<std::string_view> splitTextViews(std::string_view text, std::string_view separator,
                                             std::size_t maxPieces = 0);

// The values of a line written with count values joined by ",": the splitting rule with count
// as the largest number of pieces, plus the empty last value that a line ending with "," held
// (the rule itself drops it). Fewer than count values means the line is short.
std::vector<std::string> splitValues(std::string_view line, std::size_t count);

} // namespace tarnelo
