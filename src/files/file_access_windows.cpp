// Windows decides access through access control lists that the attributes do not show, so the
// question is put to the system itself: the file is opened for writing, or a probe file that
// vanishes when closed is made in the folder.
#include "files/file_access.hpp"

#include <string>

#include <windows.h>

namespace tarnelo {

bool mayWrite(const std::filesystem::path& fileOrFolder) {
    const DWORD attributes = ::GetFileAttributesW(fileOrFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return false;
        }
        HANDLE file = ::CreateFileW(fileOrFolder.c_str(), GENERIC_WRITE, kShare, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
        ::CloseHandle(file);
        return true;
    }
    const std::filesystem::path probe =
        fileOrFolder / (L".tarnelo-probe-" + std::to_wstring(::GetCurrentProcessId()));
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, kShare, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ::GetLastError() == ERROR_FILE_EXISTS;
    }
    ::CloseHandle(file);
    return true;
}

} // namespace tarnelo
