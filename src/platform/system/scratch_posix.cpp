#include "platform/system/scratch.hpp"

#include "platform/system/scratch_impl.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>

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

} // namespace

namespace detail {

std::string_view temporaryFolderSetting() {
    return "TMPDIR";
}

bool processEnded(unsigned long id) {
    const auto pid = static_cast<pid_t>(id);
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool mayRemoveScratchFolder(const fs::directory_entry& entry) {
    struct stat info {};
    return ::lstat(entry.path().c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}

} // namespace detail

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

std::string fileUrl(const fs::path& absolutePath) {
    return "file://" + detail::percentEncoded(absolutePath.string(), "/");
}

} // namespace tarnelo::sys
