#include "files/file_access.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tarnelo {

bool mayWrite(const std::filesystem::path& fileOrFolder) {
    struct stat info {};
    if (::stat(fileOrFolder.c_str(), &info) != 0) {
        return false;
    }
    const int wanted = S_ISDIR(info.st_mode) ? W_OK | X_OK : W_OK;
    return ::access(fileOrFolder.c_str(), wanted) == 0;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    std::error_code error;
    return std::filesystem::weakly_canonical(a, error) ==
           std::filesystem::weakly_canonical(b, error);
}

bool markedReadOnly(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ((info.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0);
}

std::string ownerName(const std::filesystem::path& fileOrFolder) {
    struct stat info {};
    if (::lstat(fileOrFolder.c_str(), &info) != 0) {
        return {};
    }
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(info.st_uid, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr && *found->pw_name != '\0') {
        return found->pw_name;
    }
    return std::to_string(info.st_uid);
}

} // namespace tarnelo
