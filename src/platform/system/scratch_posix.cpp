#include "platform/system/scratch.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <system_error>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace tarnelo::sys {

namespace fs = std::filesystem;

namespace {

bool usableFolder(const fs::path& folder) {
    if (folder.empty() || !folder.is_absolute()) {
        return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// The process id in a scratch folder's name <prefix>-<pid>-XXXXXX, or 0.
pid_t ownerOf(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + 1 || !name.starts_with(prefix) ||
        name[prefix.size()] != '-') {
        return 0;
    }
    name.remove_prefix(prefix.size() + 1);
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9) {
        return 0;
    }
    pid_t pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool processRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

fs::path scratchParent(bool memoryBacked) noexcept {
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && *tmpdir != '\0') {
        if (usableFolder(tmpdir)) {
            return fs::path(tmpdir);
        }
    } else if (memoryBacked && usableFolder("/dev/shm")) {
        return "/dev/shm";
    }
    return "/tmp";
}

ScratchFolder::ScratchFolder(std::string_view prefix, bool memoryBacked) noexcept {
    try {
        std::string pattern = (scratchParent(memoryBacked) / std::string(prefix)).string() + "-" +
                              std::to_string(::getpid()) + "-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
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
            const std::string name = entry.path().filename().string();
            const pid_t pid = ownerOf(name, prefix);
            struct stat info {};
            if (pid <= 0 || pid == ::getpid() || processRuns(pid) ||
                ::lstat(entry.path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
                info.st_uid != ::geteuid()) {
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
    std::string url = "file://";
    for (const char ch : absolutePath.string()) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
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
