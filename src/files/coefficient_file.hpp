// The coefficient file Data/coefficient.dat: the user's default coefficients, "流速仪系数",
// CR LF, then the six coefficient texts joined by ",".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

inline constexpr std::string_view kCoefficientTag = "流速仪系数";

// The coefficient texts of a coefficient file, in field order; std::nullopt when the text does
// not begin with the tag. Fewer than six values means the file is short.
std::optional<std::vector<std::string>> parseCoefficientText(std::string_view bytes);

// The largest coefficient file read: the real one is a few dozen bytes.
inline constexpr std::size_t kLargestCoefficientFile = 1 << 16;

} // namespace tarnelo
