#include "files/split.hpp"

namespace tarnelo {

std::vector<std::string> splitText(std::string_view text, std::string_view separator,
                                   std::size_t maxPieces) {
    const std::vector<std::string_view> views = splitTextViews(text, separator, maxPieces);
    return std::vector<std::string>(views.begin(), views.end());
}

std::vector<std::string_view> splitTextViews(std::string_view text, std::string_view separator,
                                             std::size_t maxPieces) {
    std::vector<std::string_view> pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            break;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
        if (maxPieces != 0 && pieces.size() == maxPieces) {
            return pieces;
        }
    }
    if (start < text.size()) {
        pieces.emplace_back(text.substr(start));
    }
    return pieces;
}

std::vector<std::string> splitValues(std::string_view line, std::size_t count) {
    auto values = splitText(line, ",", count);
    if (values.size() < count && !line.empty() && line.back() == ',') {
        values.emplace_back();
    }
    return values;
}

} // namespace tarnelo
