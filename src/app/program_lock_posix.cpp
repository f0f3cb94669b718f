#include "app/program_lock.hpp"

#include "files/file_access.hpp"
#include "window/program_paths.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tarnelo {

namespace {

// The process that holds a flock on the file of fd, as its /proc folder (owned by the user it
// runs as), from the kernel's list of locks (/proc/locks: "1: FLOCK  ADVISORY  WRITE 4242
// 08:01:1234 0 EOF"); empty when it cannot be told (no /proc, or a process of another PID
// namespace).
std::filesystem::path lockHolder(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return {};
    }
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, place;
        fields >> number >> kind >> mode >> access >> pid >> place;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (kind == "FLOCK" &&
            std::sscanf(place.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 &&
            inode == info.st_ino && ::makedev(major, minor) == info.st_dev &&
            pid.find_first_not_of("0123456789") == std::string::npos) {
            return "/proc/" + pid;
        }
    }
    return {};
}

// Whether a file or folder belongs to another user than this process's.
bool othersOwn(const std::filesystem::path& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0 && info.st_uid != ::geteuid();
}

} // namespace

ProgramFolderLock::~ProgramFolderLock() {
    ::close(static_cast<int>(fd_));
}

ProgramFolderLock::Result ProgramFolderLock::acquire(const std::filesystem::path& programFolder,
                                                     std::unique_ptr<ProgramFolderLock>& lock,
                                                     std::string* holder) {
    const std::filesystem::path data = paths::dataFolder(programFolder);
    const int folder = ::open(data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return Result::NoFolder;
    }
    const std::filesystem::path file = data / ".tarnelo.lock";
    const auto otherUser = [holder](const std::filesystem::path& owned) {
        if (holder != nullptr) {
            *holder = ownerName(owned);
        }
        return Result::HeldByOtherUser;
    };
    // A file only this user may open: the folder itself can be opened, and so locked, by anyone
    // who may read it.
    int fd = ::openat(folder, ".tarnelo.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int openError = fd < 0 ? errno : 0;
    struct stat info {};
    if (fd < 0 && ::fstatat(folder, ".tarnelo.lock", &info, AT_SYMLINK_NOFOLLOW) == 0) {
        // There, but not to be opened for writing: another user's file or link, or the user's
        // own read-only file.
        fd = info.st_uid == ::geteuid() && S_ISREG(info.st_mode)
                 ? ::openat(folder, ".tarnelo.lock", O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                 : -1;
        if (fd < 0) {
            ::close(folder);
            return info.st_uid != ::geteuid() ? otherUser(file) : Result::NoFolder;
        }
    }
    if (fd >= 0) {
        ::close(folder);
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
            ::close(fd);
            return otherUser(file);
        }
        if ((info.st_mode & 077) != 0) {
            ::fchmod(fd, 0600);
        }
    } else if (openError == EACCES || openError == EROFS || openError == EPERM) {
        // A read-only Data folder without a lock file: the folder's own lock.
        fd = folder;
    } else {
        ::close(folder);
        return Result::NoFolder;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        const bool held = errno == EWOULDBLOCK;
        const std::filesystem::path process = held ? lockHolder(fd) : std::filesystem::path();
        ::close(fd);
        if (!held) {
            return Result::NoFolder;
        }
        return othersOwn(process) ? otherUser(process) : Result::HeldByOther;
    }
    lock.reset(new ProgramFolderLock(fd));
    return Result::Taken;
}

} // namespace tarnelo
