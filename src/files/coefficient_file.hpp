// The coefficient file Data/coefficient.dat: the user's default coefficients, "流速仪系数",
// CR LF, then the six coefficient texts joined by ",".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

class Window;

inline constexpr std::string_view kCoefficientTag = "流速仪系数";

std::filesystem::path coefficientFilePath(const std::filesystem::path& programFolder);

// The coefficient texts of a coefficient file, in field order; std::nullopt when the text does
// not begin with the tag. Fewer than six values means the file is short.
std::optional<std::vector<std::string>> parseCoefficientText(std::string_view bytes);

// Reads the file at start-up and puts its values into the six coefficient fields. A missing or
// foreign file leaves the fields as they are; a short one fills what it holds and says so.
void loadCoefficientFile(Window& window);

// Button 保存系数 ("设为默认"): writes the six fields as the new defaults, in either mode.
void saveCoefficientFile(Window& window);

} // namespace tarnelo
