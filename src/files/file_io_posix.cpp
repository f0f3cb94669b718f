#include "files/file_io.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

namespace {

mode_t currentUmask() {
    // Reading the umask means setting it; put it straight back.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::atomic<unsigned> temporaryCounter{0};
std::atomic<bool> flushToDisk{true};

} // namespace

std::optional<std::string> readFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO or a device must not wait for a writer; only a regular file
    // is read, and a regular file ignores the flag.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    if (static_cast<unsigned long long>(info.st_size) <= maxBytes) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

namespace {

// Whether a symbolic link may be followed: as the kernel's protected-symlinks rule has it, a
// link in a sticky, world-writable folder (such as /tmp) is followed only when it belongs to
// this user or to the folder's owner, so nobody can plant a link there that redirects a save
// onto another file of the user's.
bool mayFollowLink(const std::filesystem::path& link) {
    struct stat linkInfo {};
    struct stat folderInfo {};
    const std::filesystem::path folder = link.parent_path().empty() ? "." : link.parent_path();
    if (::lstat(link.c_str(), &linkInfo) != 0 || ::stat(folder.c_str(), &folderInfo) != 0) {
        return false;
    }
    const bool shared = (folderInfo.st_mode & S_ISVTX) != 0 && (folderInfo.st_mode & S_IWOTH) != 0;
    return !shared || linkInfo.st_uid == ::geteuid() || linkInfo.st_uid == folderInfo.st_uid;
}

thread_local std::string lastProblem;

bool refuse(std::string why) {
    lastProblem = std::move(why);
    return false;
}

std::string quoted(const std::filesystem::path& path) {
    return "“" + path.string() + "”";
}

// Whether a leftover temporary file name of this writer ".NAME.tmpPID-N" belongs to a process
// that no longer runs.
bool isStaleTemporary(const std::string& name) {
    const auto tmp = name.rfind(".tmp");
    if (name.size() < 2 || name[0] != '.' || tmp == std::string::npos || tmp == 0) {
        return false;
    }
    const std::string rest = name.substr(tmp + 4);
    const auto dash = rest.find('-');
    if (dash == std::string::npos || dash == 0 || dash > 9 || dash + 1 >= rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string::npos ||
        rest.find('-', dash + 1) != std::string::npos) {
        return false;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

void removeStaleTemporaries(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        struct stat info {};
        if (isStaleTemporary(name) && ::lstat(entry.path().c_str(), &info) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            ::unlink(entry.path().c_str());
        }
    }
}

std::string lastWriteProblem() {
    return lastProblem;
}

bool writeFileAtomic(const std::filesystem::path& target, std::string_view bytes, AtLink atLink) {
    lastProblem.clear();
    std::filesystem::path file = target;
    std::error_code linkError;
    if (atLink == AtLink::WriteThrough) {
        // Saving through a symbolic link writes the file it points to and keeps the link.
        bool followed = false;
        for (int hops = 0; std::filesystem::is_symlink(file, linkError); ++hops) {
            if (hops >= 40) {
                return refuse("符号链接" + quoted(target) + "指向的层次太多");
            }
            if (!mayFollowLink(file)) {
                return refuse(quoted(file) +
                              "是别的用户放在共享文件夹中的符号链接，为安全起见不经由它写入");
            }
            std::filesystem::path next = std::filesystem::read_symlink(file, linkError);
            if (linkError) {
                return refuse("无法读取符号链接" + quoted(file));
            }
            file = next.is_absolute() ? next : file.parent_path() / next;
            followed = true;
        }
        if (followed && !std::filesystem::exists(file, linkError)) {
            return refuse("符号链接" + quoted(target) + "指向的文件" + quoted(file) + "不存在");
        }
    }
    if (file.filename().empty()) {
        return refuse(quoted(target) + "不是文件名");
    }
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    removeStaleTemporaries(folder);
    // Keep the permissions of the file being replaced; a new file gets what the umask leaves
    // of rw-rw-rw-, as any program's new file does.
    mode_t mode = 0666;
    bool replacing = false;
    struct stat old {};
    if ((atLink == AtLink::Replace ? ::lstat(file.c_str(), &old) : ::stat(file.c_str(), &old)) ==
        0) {
        if (S_ISLNK(old.st_mode)) {
            // Replaced by the new file: the link's permissions say nothing.
            old.st_mode = S_IFREG | (0666 & ~currentUmask());
        } else if (!S_ISREG(old.st_mode)) {
            return refuse(quoted(file) + "不是普通文件");
        }
        mode = old.st_mode & 07777;
        replacing = true;
    }
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + file.filename().string() + ".tmp" + std::to_string(::getpid()) +
                              "-" + std::to_string(temporaryCounter++));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) {
            return refuse(std::string("文件夹") + quoted(folder) +
                          (errno == ENOENT ? "不存在" : "不可写入"));
        }
    }
    FileDescriptor out(fd);
    if (!out.valid()) {
        return refuse(std::string("无法在文件夹") + quoted(folder) + "中建立临时文件");
    }
    const bool flush = flushToDisk.load();
    const bool written = writeAll(out.get(), bytes) &&
                         (!replacing || ::fchmod(out.get(), mode) == 0) &&
                         (!flush || ::fsync(out.get()) == 0);
    if (!out.close() || !written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return refuse(quoted(file) + "写入失败（磁盘已满或不可写入）");
    }
    // Make the rename itself durable; a folder that cannot be synced is not a failed save.
    if (flush) {
        FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.valid()) {
            ::fsync(dir.get());
        }
    }
    return true;
}

void setWritesFlushedToDisk(bool flushed) {
    flushToDisk.store(flushed);
}

} // namespace tarnelo
