#include "app/program_folder.hpp"

#include "files/file_access.hpp"
#include "files/file_io.hpp"
#include "window/program_paths.hpp"

#include <array>
#include <string_view>
#include <system_error>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

// The largest supplied file copied into the per-user folder.
constexpr std::size_t kLargestSuppliedFile = std::size_t(64) << 20;

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
    return writeFileAtomic(target, *supplied).ok;
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

fs::path packageFolder(const fs::path& executableFolder) {
    return executableFolder.parent_path() / "share" / "tarnelo";
}

ProgramFolders resolveProgramFolders(const fs::path& executableFolder,
                                     const UserEnvironment& environment, FolderLayout layout) {
    ProgramFolders folders;
    std::error_code ec;
    if (fs::is_directory(paths::dataFolder(executableFolder), ec) &&
        mayWrite(paths::dataFolder(executableFolder))) {
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
