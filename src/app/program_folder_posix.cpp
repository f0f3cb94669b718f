// Where the program keeps its files on Linux: the XDG base directories and user-dirs.dirs.
#include "app/program_folder.hpp"

#include "files/file_io.hpp"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

// An environment variable as a path; empty when unset or not absolute (the XDG base directory
// rules ignore relative values).
fs::path absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return fs::path(value);
}

fs::path homeOfPasswordDatabase() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return fs::path(found->pw_dir);
}

// The value of one line of user-dirs.dirs, which is written as a shell assignment:
// XDG_DOCUMENTS_DIR="$HOME/文档". Only "$HOME/..." and absolute paths are valid there.
fs::path userDirValue(std::string_view quoted, const fs::path& home) {
    if (quoted.size() < 2 || quoted.front() != '"') {
        return {};
    }
    std::string value;
    for (std::size_t i = 1; i < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '"') {
            break;
        }
        if (c == '\\' && i + 1 < quoted.size()) {
            value += quoted[++i];
            continue;
        }
        value += c;
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.rfind(kHome, 0) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/')) {
        const std::string rest = value.substr(kHome.size());
        return rest.empty() || rest == "/" ? home : home / rest.substr(1);
    }
    if (!value.empty() && value.front() == '/') {
        return fs::path(value);
    }
    return {};
}

} // namespace

UserEnvironment UserEnvironment::ofProcess() {
    UserEnvironment environment;
    environment.home = absoluteVariable("HOME");
    if (environment.home.empty()) {
        environment.home = homeOfPasswordDatabase();
    }
    environment.xdgDataHome = absoluteVariable("XDG_DATA_HOME");
    environment.xdgConfigHome = absoluteVariable("XDG_CONFIG_HOME");
    return environment;
}

fs::path executableFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

fs::path userDocumentsFolder(const UserEnvironment& environment) {
    const fs::path config = environment.xdgConfigHome.empty() ? environment.home / ".config"
                                                              : environment.xdgConfigHome;
    if (const auto dirs = readFileBytes(config / "user-dirs.dirs", 1 << 16)) {
        constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
        std::string_view rest = *dirs;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
                line.remove_prefix(1);
            }
            if (line.rfind(kKey, 0) == 0) {
                const fs::path folder = userDirValue(line.substr(kKey.size()), environment.home);
                if (!folder.empty()) {
                    return folder;
                }
            }
        }
    }
    return environment.home / "Documents";
}

fs::path userProgramFolder(const UserEnvironment& environment) {
    const fs::path dataHome = environment.xdgDataHome.empty()
                                  ? environment.home / ".local" / "share"
                                  : environment.xdgDataHome;
    return dataHome / "tarnelo";
}

} // namespace tarnelo
