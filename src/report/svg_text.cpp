#include "report/svg_text.hpp"

#include <cmath>

namespace tarnelo::svg {

double textEms(std::string_view text, double narrow) {
    double em = 0.0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        em += length >= 3 ? 1.0 : narrow;
        i += length;
    }
    return em;
}

std::string xmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c == '\'') {
            out += "&apos;";
        } else if (byte < 0x20 || byte == 0x7F) {
            continue;
        } else {
            out += c;
        }
    }
    return out;
}

double tickStep(double span, int wanted) {
    if (!(span > 0.0) || !std::isfinite(span)) {
        return 1.0;
    }
    const double raw = span / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    if (!(power > 0.0) || !std::isfinite(power)) {
        // Spans near the ends of the double range: no round step exists there.
        return raw > 0.0 ? raw : span;
    }
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power * (1.0 + 1e-9)) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

} // namespace tarnelo::svg
