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
