#include "app/qt/settings_place.hpp"

namespace tarnelo {

void keepSettingsIn(const std::filesystem::path& /*programFolder*/) {}

} // namespace tarnelo
