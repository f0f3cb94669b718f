#include "files/file_io.hpp"

#include "files/file_io_impl.hpp"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

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

namespace detail {

// As the kernel's protected-symlinks rule has it, a link in a sticky, world-writable folder (such
// as /tmp) is followed only when it belongs to this user or to the folder's owner, so nobody can
// plant a link there that redirects a save onto another file of the user's.
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

} // namespace detail

using detail::quoted;
using detail::refuse;

void removeStaleTemporaries(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::time_t now = std::time(nullptr);
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!detail::isWriterTemporary(entry.path().filename().string())) {
            continue;
        }
        FileDescriptor file(::open(entry.path().c_str(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info {};
        if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || now - info.st_mtime < detail::kStaleTemporarySeconds) {
            continue;
        }
        // A write in progress holds the lock, whichever process (or namespace) it runs in; where
        // the file system keeps no locks the age alone decides.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            continue;
        }
        ::unlink(entry.path().c_str());
    }
}

std::optional<std::string> untrustedFolderProblem(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(folder, ec);
    if (ec) {
        return std::nullopt;
    }
    const uid_t self = ::geteuid();
    struct stat link {};
    // A link in the folder's place must be the user's own, or it could be turned elsewhere.
    if (::lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != self &&
        link.st_uid != 0) {
        return "文件夹" + quoted(folder) + "是另一个用户的符号链接，为安全起见不使用";
    }
    bool itself = true;
    for (std::filesystem::path at = real;; at = at.parent_path()) {
        struct stat info {};
        if (::stat(at.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return "无法检查文件夹" + quoted(at) + "，为安全起见不使用" + quoted(folder);
        }
        const std::string which = itself ? "文件夹" + quoted(at)
                                         : "文件夹" + quoted(folder) + "的上级文件夹" + quoted(at);
        if (info.st_uid != self && info.st_uid != 0) {
            return which + "属于另一个用户，为安全起见不使用";
        }
        const bool sticky = (info.st_mode & S_ISVTX) != 0;
        if ((info.st_mode & 022) != 0 && (itself || !sticky)) {
            return which + "可以被同组或其他用户写入，为安全起见不使用（可用 chmod go-w 改正）";
        }
        if (at == at.root_path() || at.parent_path() == at) {
            return std::nullopt;
        }
        itself = false;
    }
}

namespace {

// The longest name a folder holds (255 bytes on the usual file systems).
std::size_t longestName(const std::filesystem::path& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

// The name's first bytes, at most `most` of them, never cutting a UTF-8 character.
std::string leadingBytes(const std::string& name, std::size_t most) {
    if (name.size() <= most) {
        return name;
    }
    std::size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xc0) == 0x80) {
        --end;
    }
    return name.substr(0, end);
}

// A temporary name beside the target: ".NAME.tmpPID-N", with NAME shortened so that the whole
// stays within the folder's name limit whatever the target's name.
std::filesystem::path temporaryName(const std::filesystem::path& folder, const std::string& name) {
    const std::string suffix = detail::temporarySuffix(static_cast<unsigned long>(::getpid()));
    const std::size_t limit = longestName(folder);
    const std::size_t room = limit > suffix.size() + 2 ? limit - suffix.size() - 1 : 1;
    return folder / ("." + leadingBytes(name, room) + suffix);
}

// Permissions a replacing file takes over: the read, write and execute bits only, never
// set-user-ID, set-group-ID or sticky.
constexpr mode_t kKeptBits = 0777;

// The file a write puts its bytes into, after the link rules, with what replacing it keeps;
// problem says why the target is refused.
struct WriteTarget {
    std::filesystem::path file;
    std::filesystem::path folder;
    mode_t mode = 0666;
    bool replacing = false;
    std::string problem; // empty when the write may go on
};

// Why the folder a write goes into must not be reached: below a sticky, world-writable folder
// of another user (/tmp for anyone but root) a folder on the way is a symbolic link that belongs
// to neither this user nor root, so whoever planted it could lead the write into one of the
// user's own folders. The chain is walked a component at a time without following links, and a
// link that may be followed is followed from there. std::nullopt when the way is safe, or when a
// folder on it is missing (the write says that itself).
std::optional<std::string> plantedFolderLinkProblem(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path pending = std::filesystem::absolute(folder, error).lexically_normal();
    if (error) {
        return std::nullopt;
    }
    const uid_t self = ::geteuid();
    for (int hops = 0; hops < 40; ++hops) {
        std::vector<std::filesystem::path> parts;
        for (const auto& part : pending.relative_path()) {
            if (!part.empty()) {
                parts.push_back(part);
            }
        }
        std::filesystem::path at = pending.root_path();
        bool shared = false;
        bool followed = false;
        for (std::size_t i = 0; i < parts.size() && !followed; ++i) {
            const std::filesystem::path next = at / parts[i];
            struct stat info {};
            if (::lstat(next.c_str(), &info) != 0) {
                return std::nullopt;
            }
            if (S_ISLNK(info.st_mode)) {
                if (shared && info.st_uid != self && info.st_uid != 0) {
                    return "文件夹" + quoted(next) +
                           "是别的用户放在共享文件夹中的符号链接，为安全起见不经由它写入";
                }
                const std::filesystem::path target = std::filesystem::read_symlink(next, error);
                if (error) {
                    return "无法读取符号链接" + quoted(next);
                }
                std::filesystem::path rest = target.is_absolute() ? target : at / target;
                for (std::size_t k = i + 1; k < parts.size(); ++k) {
                    rest /= parts[k];
                }
                pending = rest.lexically_normal();
                followed = true;
                continue;
            }
            if (S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0 &&
                (info.st_mode & S_IWOTH) != 0 && info.st_uid != self) {
                shared = true;
            }
            at = next;
        }
        if (!followed) {
            return std::nullopt;
        }
    }
    return "符号链接" + quoted(folder) + "指向的层次太多";
}

WriteTarget resolveWriteTarget(const std::filesystem::path& target, AtLink atLink) {
    const auto refused = [](std::string why) {
        WriteTarget refusal;
        refusal.problem = std::move(why);
        return refusal;
    };
    auto place = detail::followLinks(target, atLink);
    if (!place.problem.empty()) {
        return refused(std::move(place.problem));
    }
    if (auto planted = plantedFolderLinkProblem(place.folder)) {
        return refused(std::move(*planted));
    }
    std::filesystem::path& file = place.file;
    WriteTarget resolved;
    resolved.folder = std::move(place.folder);
    if (file.filename().string().size() > longestName(resolved.folder)) {
        return refused(quoted(file.filename()) + "文件名太长，超过文件系统允许的 " +
                       std::to_string(longestName(resolved.folder)) + " 字节");
    }
    // Keep the permissions of the file being replaced; a new file gets what the umask leaves
    // of rw-rw-rw-, as any program's new file does.
    struct stat old {};
    if ((atLink == AtLink::Replace ? ::lstat(file.c_str(), &old) : ::stat(file.c_str(), &old)) ==
        0) {
        if (S_ISLNK(old.st_mode)) {
            // Replaced by the new file: the link's permissions say nothing.
            old.st_mode = S_IFREG | (0666 & ~currentUmask());
        } else if (!S_ISREG(old.st_mode)) {
            return refused(quoted(file) + "不是普通文件");
        }
        resolved.mode = old.st_mode & kKeptBits;
        resolved.replacing = true;
    }
    resolved.file = std::move(file);
    return resolved;
}

// Why a folder cannot take a new file, in words for the user.
std::string folderProblem(const std::filesystem::path& folder, int error) {
    if (error == ENAMETOOLONG) {
        return quoted(folder) + "中的文件名太长";
    }
    return std::string("文件夹") + quoted(folder) + (error == ENOENT ? "不存在" : "不可写入");
}

bool diskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

} // namespace

WriteResult checkFileWritable(const std::filesystem::path& target, AtLink atLink) {
    const auto resolved = resolveWriteTarget(target, atLink);
    if (!resolved.problem.empty()) {
        return refuse(resolved.problem);
    }
    struct stat info {};
    if (::stat(resolved.folder.c_str(), &info) != 0) {
        return refuse(folderProblem(resolved.folder, errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return refuse(quoted(resolved.folder) + "不是文件夹");
    }
    if (::access(resolved.folder.c_str(), W_OK | X_OK) != 0) {
        return refuse(folderProblem(resolved.folder, errno));
    }
    return {};
}

WriteResult writeFileAtomic(const std::filesystem::path& target, std::string_view bytes,
                            AtLink atLink) {
    const auto resolved = resolveWriteTarget(target, atLink);
    if (!resolved.problem.empty()) {
        return refuse(resolved.problem);
    }
    const std::filesystem::path& file = resolved.file;
    const std::filesystem::path& folder = resolved.folder;
    const mode_t mode = resolved.mode;
    removeStaleTemporaries(folder);
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(folder, file.filename().string());
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && diskFull(errno)) {
            return detail::refuseForSpace(std::string("文件夹") + quoted(folder) +
                                          "所在的磁盘已满，无法建立文件");
        }
        if (fd < 0 && errno != EEXIST) {
            return refuse(folderProblem(folder, errno));
        }
    }
    FileDescriptor out(fd);
    if (!out.valid()) {
        return refuse(std::string("无法在文件夹") + quoted(folder) + "中建立临时文件");
    }
    // Held until the temporary is renamed or removed: no cleaner takes it for a leftover.
    ::flock(out.get(), LOCK_EX | LOCK_NB);
    const bool flush = detail::writesFlushedToDisk();
    errno = 0;
    bool written = writeAll(out.get(), bytes) &&
                   (!resolved.replacing || ::fchmod(out.get(), mode) == 0) &&
                   (!flush || ::fsync(out.get()) == 0);
    int error = written ? 0 : errno;
    if (!out.close() && written) {
        written = false;
        error = errno;
    }
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        if (written) {
            error = errno;
        }
        ::unlink(temporary.c_str());
        if (diskFull(error)) {
            return detail::refuseForSpace(quoted(file) + "写入失败：磁盘已满，原文件未改动");
        }
        return refuse(quoted(file) + "写入失败（磁盘已满或不可写入）");
    }
    // Make the rename itself durable; a folder that cannot be synced is not a failed save.
    if (flush) {
        FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.valid()) {
            ::fsync(dir.get());
        }
    }
    return {};
}

} // namespace tarnelo
