// Windows decides access through access control lists that the attributes do not show, so the
// question is put to the system itself: the file is opened for writing, or a probe file that
// vanishes when closed is made in the folder.
#include "files/file_access.hpp"

#include <string>

#include <windows.h>

#include <aclapi.h>

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

namespace {

// The volume and the file index of an existing file, as one text; empty when it cannot be opened.
std::wstring fileIdentity(const std::filesystem::path& file) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = ::CreateFileW(file.c_str(), 0, kShare, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!known) {
        return {};
    }
    return std::to_wstring(info.dwVolumeSerialNumber) + L":" +
           std::to_wstring(info.nFileIndexHigh) + L":" + std::to_wstring(info.nFileIndexLow);
}

} // namespace

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::wstring first = fileIdentity(a);
    const std::wstring second = fileIdentity(b);
    if (!first.empty() && !second.empty()) {
        return first == second;
    }
    std::error_code error;
    std::wstring x = std::filesystem::weakly_canonical(a, error).wstring();
    std::wstring y = std::filesystem::weakly_canonical(b, error).wstring();
    // Names on Windows are compared without regard to case.
    return ::CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                  static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

bool markedReadOnly(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string ownerName(const std::filesystem::path& fileOrFolder) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(fileOrFolder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                &owner, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    std::wstring account;
    if (::LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use)) {
        account = std::wstring(domain) + (domainSize > 0 ? L"\\" : L"") + name;
    }
    ::LocalFree(descriptor);
    const std::u8string utf8 = std::filesystem::path(account).u8string();
    return std::string(utf8.begin(), utf8.end());
}

} // namespace tarnelo
