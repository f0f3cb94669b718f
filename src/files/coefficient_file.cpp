#include "files/coefficient_file.hpp"

#include "files/gbk.hpp"
#include "files/split.hpp"

#include <array>

namespace tarnelo {

namespace {

constexpr std::size_t kCoefficients = 6;

} // namespace

std::optional<std::vector<std::string>> parseCoefficientText(std::string_view bytes) {
    const std::string text = gbkToUtf8(bytes);
    if (!text.starts_with(kCoefficientTag)) {
        return std::nullopt;
    }
    const auto lines = splitText(text, "\r\n", 2);
    if (lines.size() < 2) {
        return std::vector<std::string>{};
    }
    return splitValues(lines[1], kCoefficients);
}

} // namespace tarnelo
