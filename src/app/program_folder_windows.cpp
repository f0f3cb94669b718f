// Where the program keeps its files on Windows: the portable folder beside the .exe when its
// Data folder can be written, else %LOCALAPPDATA%\Tarnelo, with the dialog folders in the
// user's Documents folder as the known-folder API names it.
#include "app/program_folder.hpp"

#include <cstdlib>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

fs::path knownFolder(const KNOWNFOLDERID& id) {
    PWSTR text = nullptr;
    fs::path folder;
    if (::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text) == S_OK && text != nullptr) {
        folder = fs::path(std::wstring(text));
    }
    ::CoTaskMemFree(text);
    return folder.is_absolute() ? folder : fs::path();
}

fs::path absoluteVariable(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    if (value == nullptr) {
        return {};
    }
    const fs::path folder(value);
    return folder.is_absolute() ? folder : fs::path();
}

} // namespace

UserEnvironment UserEnvironment::ofProcess() {
    UserEnvironment environment;
    environment.home = knownFolder(FOLDERID_Profile);
    if (environment.home.empty()) {
        environment.home = absoluteVariable(L"USERPROFILE");
    }
    environment.xdgDataHome = knownFolder(FOLDERID_LocalAppData);
    if (environment.xdgDataHome.empty()) {
        environment.xdgDataHome = absoluteVariable(L"LOCALAPPDATA");
    }
    return environment;
}

fs::path executableFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            name.resize(length);
            return fs::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

fs::path userDocumentsFolder(const UserEnvironment& environment) {
    const fs::path documents = knownFolder(FOLDERID_Documents);
    return documents.empty() ? environment.home / "Documents" : documents;
}

fs::path userProgramFolder(const UserEnvironment& environment) {
    const fs::path localAppData = environment.xdgDataHome.empty()
                                      ? environment.home / "AppData" / "Local"
                                      : environment.xdgDataHome;
    return localAppData / "Tarnelo";
}

} // namespace tarnelo
