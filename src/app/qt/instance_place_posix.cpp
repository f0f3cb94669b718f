#include "app/qt/instance_place.hpp"

#include "files/file_access.hpp"
#include "files/file_io.hpp"

#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

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

std::filesystem::path socketFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime == '/' && privateFolder(runtime) &&
        std::string_view(runtime).size() < kLongestSocketPath - 40) {
        return runtime;
    }
    const std::string own = "tarnelo-" + std::to_string(::geteuid());
    std::filesystem::path parent = QDir::tempPath().toStdString();
    if ((parent / own).string().size() >= kLongestSocketPath - 44) {
        parent = "/tmp";
    }
    // The first of tarnelo-UID, tarnelo-UID-1 ... -9 that is the user's own private folder, made
    // when missing: every start of the user's finds the same one, and a name another user took
    // first (to keep a second start from reaching the window) is passed over and said.
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
