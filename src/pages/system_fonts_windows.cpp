#include "pages/system_fonts.hpp"

#include <shlobj.h>
#include <windows.h>

#include <cstdlib>

namespace tarnelo::pages {

void useSystemFontsOffscreen() {
    if (_wgetenv(L"QT_QPA_FONTDIR") != nullptr) {
        return;
    }
    // The Fonts folder as the system knows it (not a fixed C:\Windows: Windows may live on
    // another drive or folder).
    PWSTR folder = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Fonts, 0, nullptr, &folder)) && folder != nullptr) {
        _wputenv_s(L"QT_QPA_FONTDIR", folder);
    }
    CoTaskMemFree(folder);
}

} // namespace tarnelo::pages
