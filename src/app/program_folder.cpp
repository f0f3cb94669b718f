#include "app/program_folder.hpp"

#include "files/file_io.hpp"
#include "window/program_paths.hpp"

#include <array>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

// The largest supplied file copied into the per-user folder.
constexpr std::size_t kLargestSuppliedFile = std::size_t(64) << 20;

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

bool isWritableFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
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

// Copies a file the package supplies into the per-user folder when it is missing there or
// differs from the package's (an upgrade). The copy is written atomically, so two programs
// starting together never see half a template.
bool refreshSuppliedFile(const fs::path& source, const fs::path& target) {
    const auto supplied = readFileBytes(source, kLargestSuppliedFile);
    if (!supplied) {
        return false;
    }
    if (readFileBytes(target, kLargestSuppliedFile) == supplied) {
        return true;
    }
    return writeFileAtomic(target, *supplied);
}

// A path as a message names it.
std::string utf8(const fs::path& path) {
    return escapedName(path);
}

bool makeFolder(const fs::path& folder, std::vector<std::string>& problems) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        problems.push_back("无法建立文件夹“" + utf8(folder) + "”");
        return false;
    }
    return true;
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

fs::path packageFolder(const fs::path& executableFolder) {
    return executableFolder.parent_path() / "share" / "tarnelo";
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

ProgramFolders resolveProgramFolders(const fs::path& executableFolder,
                                     const UserEnvironment& environment, FolderLayout layout) {
    ProgramFolders folders;
    if (isWritableFolder(paths::dataFolder(executableFolder))) {
        if (const auto problem = untrustedFolderProblem(paths::dataFolder(executableFolder))) {
            folders.problems.push_back(*problem);
        } else {
            folders.program = executableFolder;
            folders.documents = executableFolder;
            return folders;
        }
    }

    folders.perUser = true;
    folders.program = userProgramFolder(environment);
    folders.documents = userDocumentsFolder(environment) / "Tarnelo";
    if (folders.program.is_relative()) {
        // No home folder: nowhere to keep anything. The commands that write say so themselves.
        folders.problems.push_back("找不到用户的主文件夹（HOME），程序的设置无处保存");
        folders.program = executableFolder;
        folders.documents = executableFolder;
        return folders;
    }
    if (folders.documents.is_relative()) {
        folders.documents = folders.program;
    }
    // Someone else's folder (a shared XDG_DATA_HOME) could hand the program templates and
    // state of their choosing: it is refused, and nothing is kept.
    for (const fs::path& folder : {folders.program, paths::dataFolder(folders.program)}) {
        if (const auto problem = untrustedFolderProblem(folder)) {
            folders.problems.push_back(*problem);
            folders.program = executableFolder;
            folders.documents = executableFolder;
            folders.perUser = false;
            return folders;
        }
    }
    if (layout == FolderLayout::LookOnly) {
        return folders;
    }
    std::error_code existing;
    const bool madeNow = !fs::exists(folders.program, existing);

    // The supplied files come from beside the executable when it has a Data folder of its own
    // (a read-only portable folder), else from the installed package.
    std::error_code ec;
    const fs::path source = fs::is_directory(paths::dataFolder(executableFolder), ec)
                                ? executableFolder
                                : packageFolder(executableFolder);
    if (makeFolder(paths::dataFolder(folders.program), folders.problems)) {
        if (madeNow) {
            // Made now under a lax umask, the folder would be refused at the next start.
            for (const fs::path& folder : {folders.program, paths::dataFolder(folders.program)}) {
                fs::permissions(folder, fs::perms::group_write | fs::perms::others_write,
                                fs::perm_options::remove, existing);
            }
        }
        const std::array<fs::path, 3> supplied = {fs::path(paths::formTemplate({}, false)),
                                                  fs::path(paths::formTemplate({}, true)),
                                                  fs::path(paths::guideFile({}))};
        for (const fs::path& file : supplied) {
            if (!refreshSuppliedFile(source / file, folders.program / file)) {
                folders.problems.push_back("无法复制“" + utf8(source / file) + "”到“" +
                                           utf8(folders.program / file) + "”");
            }
        }
    }
    makeFolder(paths::textDataFolder(folders.documents), folders.problems);
    makeFolder(paths::excelFolder(folders.documents), folders.problems);
    return folders;
}

} // namespace tarnelo
