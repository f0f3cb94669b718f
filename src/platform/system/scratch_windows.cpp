// Scratch folders on Windows: under GetTempPathW (the user's own %TEMP%, which only that user
// can enter, so no folder there needs an owner check as /tmp does). There is no memory-backed
// file system: memoryBacked changes nothing.
#include "platform/system/scratch.hpp"

#include "platform/system/scratch_impl.hpp"

#include <random>
#include <system_error>

#include <windows.h>

namespace tarnelo::sys {

namespace fs = std::filesystem;

namespace {

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

namespace detail {

std::string_view temporaryFolderSetting() {
    return "TMP";
}

bool processEnded(unsigned long id) {
    const auto pid = static_cast<DWORD>(id);
    return pid != ::GetCurrentProcessId() && !processRuns(pid);
}

// No owner check: %TEMP% is the user's own.
bool mayRemoveScratchFolder(const fs::directory_entry& entry) {
    std::error_code typeError;
    return !entry.is_symlink(typeError) && entry.is_directory(typeError);
}

} // namespace detail

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

std::string fileUrl(const fs::path& absolutePath) {
    // file:///C:/folder/name: forward slashes, the drive after a third slash.
    return "file:///" + detail::percentEncoded(utf8(absolutePath.generic_u8string()), "/:");
}

} // namespace tarnelo::sys
