#include "app/qt/instance_place.hpp"

#include <QDir>

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
    std::filesystem::path folder = std::filesystem::path(QDir::tempPath().toStdString()) / own;
    if (folder.string().size() >= kLongestSocketPath - 40) {
        folder = std::filesystem::path("/tmp") / own;
    }
    ::mkdir(folder.c_str(), 0700);
    return privateFolder(folder) ? folder : std::filesystem::path();
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
