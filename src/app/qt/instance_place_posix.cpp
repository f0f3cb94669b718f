#include "app/qt/instance_place.hpp"

#include "app/program_folder.hpp"
#include "files/file_access.hpp"
#include "files/file_io.hpp"

#include <QDir>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

namespace {

// Unix socket addresses hold 107 bytes.
constexpr std::size_t kLongestSocketPath = 100;

// A folder only this user can enter: owned by the user, a real folder, no access for others.
bool privateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The temporary folder the socket folders go into: $TMPDIR, or /tmp when a socket's path under
// it would be too long.
std::filesystem::path temporaryParent(std::string_view name) {
    std::filesystem::path parent = QDir::tempPath().toStdString();
    if ((parent / std::string(name)).string().size() >= kLongestSocketPath - 44) {
        parent = "/tmp";
    }
    return parent;
}

// The first of tarnelo-UID, tarnelo-UID-1 ... -9 in the temporary folder that is the user's own
// private folder, made when missing. Another user may take all ten names first, so this is only
// for a user without a data folder of their own.
std::filesystem::path sharedNameFolder() {
    const std::string own = "tarnelo-" + std::to_string(::geteuid());
    const std::filesystem::path parent = temporaryParent(own);
    for (int i = 0; i < 10; ++i) {
        const std::filesystem::path folder =
            parent / (i == 0 ? own : own + "-" + std::to_string(i));
        ::mkdir(folder.c_str(), 0700);
        if (privateFolder(folder)) {
            return folder;
        }
        struct stat info {};
        const std::string owner =
            ::lstat(folder.c_str(), &info) == 0 && info.st_uid != ::geteuid()
                ? "属于另一个用户（" + escapedName(std::string_view(ownerName(folder))) + "）"
                : "不是只有本用户可以进入的文件夹";
        std::fprintf(stderr, "tarnelo: “%s”%s，不用它来接收再次启动交来的文件。\n",
                     escapedName(folder).c_str(), owner.c_str());
    }
    return {};
}

// The socket folders made by mkdtemp are named so; the file in the user's data folder names the
// current one.
constexpr std::string_view kMadeFolderPrefix = "tarnelo-knock-";
constexpr const char* kPointerFile = "instance-folder";
constexpr auto kPointerLockWait = std::chrono::seconds(2);

// The user's own data folder ($XDG_DATA_HOME/tarnelo), made when missing; empty when there is
// none that only the user can write into.
std::filesystem::path userDataFolder() {
    const std::filesystem::path folder = userProgramFolder(UserEnvironment::ofProcess());
    if (!folder.is_absolute()) {
        return {};
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || untrustedFolderProblem(folder)) {
        return {};
    }
    return folder;
}

// The socket folder the pointer file names, when it is still one this program made and only the
// user can enter; empty otherwise.
std::filesystem::path pointedFolder(const std::filesystem::path& pointer) {
    struct stat info {};
    if (::lstat(pointer.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 022) != 0) {
        return {};
    }
    const std::optional<std::string> text = readFileBytes(pointer, 4096);
    if (!text) {
        return {};
    }
    const std::filesystem::path folder = text->substr(0, text->find('\n'));
    const std::string name = folder.filename().string();
    return folder.is_absolute() && name.starts_with(kMadeFolderPrefix) &&
                   folder.string().size() < kLongestSocketPath - 40 && privateFolder(folder)
               ? folder
               : std::filesystem::path();
}

// A socket folder no other user can take: made by mkdtemp under an unguessable name, and found
// by every start of the user's through the pointer file in their own data folder, which no one
// else can write. Empty when the pointer cannot be kept.
std::filesystem::path madeFolder(const std::filesystem::path& dataFolder) {
    const std::filesystem::path pointer = dataFolder / kPointerFile;
    // Two windows (of two program folders) starting at once agree on one folder: the data
    // folder is locked while the pointer is read and written. Others who may read the folder
    // may lock it too, so the wait is bounded.
    const int lock = ::open(dataFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const auto until = std::chrono::steady_clock::now() + kPointerLockWait;
    while (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0 &&
           (errno == EINTR || errno == EWOULDBLOCK) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::filesystem::path folder = pointedFolder(pointer);
    if (folder.empty()) {
        std::string pattern =
            (temporaryParent(std::string(kMadeFolderPrefix) + "XXXXXX") / kMadeFolderPrefix)
                .string() +
            "XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            if (writeFileAtomic(pointer, pattern + "\n", AtLink::Replace)) {
                // The user's alone, whatever the umask; later writes keep the mode.
                ::chmod(pointer.c_str(), 0600);
                folder = pattern;
            } else {
                ::rmdir(pattern.c_str());
            }
        }
    }
    if (lock >= 0) {
        ::close(lock);
    }
    return folder;
}

std::filesystem::path socketFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime == '/' && privateFolder(runtime) &&
        std::string_view(runtime).size() < kLongestSocketPath - 40) {
        return runtime;
    }
    if (const std::filesystem::path data = userDataFolder(); !data.empty()) {
        if (std::filesystem::path folder = madeFolder(data); !folder.empty()) {
            return folder;
        }
    }
    return sharedNameFolder();
}

} // namespace

std::optional<InstancePlace> instancePlace() {
    const std::filesystem::path folder = socketFolder();
    if (folder.empty()) {
        return std::nullopt;
    }
    return InstancePlace{QString::fromStdString(folder.string()) + QLatin1Char('/'), {}};
}

void allowRunningWindowToFront() {}

} // namespace tarnelo
