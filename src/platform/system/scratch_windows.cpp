// Scratch folders on Windows: under GetTempPathW (the user's own %TEMP%, which only that user
// can enter, so no folder there needs an owner check as /tmp does). There is no memory-backed
// file system: memoryBacked changes nothing.
#include "platform/system/scratch.hpp"

#include <random>
#include <system_error>

#include <windows.h>

namespace tarnelo::sys {

namespace fs = std::filesystem;

namespace {

// The process id in a scratch folder's name <prefix>-<pid>-XXXXXX, or 0.
DWORD ownerOf(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + 1 || !name.starts_with(prefix) ||
        name[prefix.size()] != '-') {
        return 0;
    }
    name.remove_prefix(prefix.size() + 1);
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9) {
        return 0;
    }
    DWORD pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + static_cast<DWORD>(c - '0');
    }
    return pid;
}

bool processRuns(DWORD pid) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

fs::path scratchParent(bool /*memoryBacked*/) noexcept {
    try {
        wchar_t buffer[MAX_PATH + 2];
        const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
        if (length > 0 && length <= MAX_PATH + 1) {
            fs::path folder(std::wstring(buffer, length));
            std::error_code ec;
            if (folder.is_absolute() && fs::is_directory(folder, ec)) {
                return folder;
            }
        }
        wchar_t windows[MAX_PATH + 1];
        const UINT windowsLength = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
        if (windowsLength > 0 && windowsLength <= MAX_PATH) {
            return fs::path(std::wstring(windows, windowsLength)) / "Temp";
        }
    } catch (...) {
    }
    return fs::path(L"C:\\Windows\\Temp");
}

ScratchFolder::ScratchFolder(std::string_view prefix, bool memoryBacked) noexcept {
    try {
        static constexpr char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device device;
        std::mt19937 random(device());
        std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
        const fs::path parent = scratchParent(memoryBacked);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name =
                std::string(prefix) + "-" + std::to_string(::GetCurrentProcessId()) + "-";
            for (int i = 0; i < 6; ++i) {
                name += kLetters[pick(random)];
            }
            const fs::path folder = parent / fs::path(std::u8string(name.begin(), name.end()));
            if (::CreateDirectoryW(folder.c_str(), nullptr)) {
                path_ = folder;
                return;
            }
            if (::GetLastError() != ERROR_ALREADY_EXISTS) {
                return;
            }
        }
    } catch (...) {
        path_.clear();
    }
}

ScratchFolder::~ScratchFolder() {
    if (valid()) {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
}

void removeStaleScratchFolders(std::string_view prefix, bool memoryBacked) noexcept {
    try {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(scratchParent(memoryBacked), ec)) {
            const DWORD pid = ownerOf(utf8(entry.path().filename()), prefix);
            std::error_code typeError;
            if (pid == 0 || pid == ::GetCurrentProcessId() || processRuns(pid) ||
                entry.is_symlink(typeError) || !entry.is_directory(typeError)) {
                continue;
            }
            fs::remove_all(entry.path(), ec);
        }
    } catch (...) {
        // A folder that cannot be listed keeps its leftovers; nothing else depends on it.
    }
}

std::string fileUrl(const fs::path& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // file:///C:/folder/name: forward slashes, the drive after a third slash.
    std::string url = "file:///";
    for (const char ch : utf8(absolutePath.generic_u8string())) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/' || c == ':';
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

} // namespace tarnelo::sys
