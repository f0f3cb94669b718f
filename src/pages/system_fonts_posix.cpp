#include "pages/system_fonts.hpp"

namespace tarnelo::pages {

// fontconfig gives the offscreen platform the system's fonts.
void useSystemFontsOffscreen() {}

} // namespace tarnelo::pages
