// Where the program keeps its files. A portable program (the build tree, an unpacked folder)
// keeps them beside its executable, in the Data folder there. An installed program cannot write
// beside /usr/bin: each user gets a program folder of their own under $XDG_DATA_HOME/tarnelo,
// laid out on first start with copies of the files the package supplies (the record-form
// templates and the user guide), and the folders the file dialogs start in, "Text data" and
// "excel", go into the user's documents folder under Tarnelo. On Windows the per-user folder is
// %LOCALAPPDATA%\Tarnelo and the documents folder the known folder Documents.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarnelo {

// The parts of the environment that decide where an installed program keeps its files.
struct UserEnvironment {
    std::filesystem::path home;        // the user's home folder
    std::filesystem::path xdgDataHome; // $XDG_DATA_HOME, empty when unset; Windows: %LOCALAPPDATA%
    std::filesystem::path xdgConfigHome; // $XDG_CONFIG_HOME, empty when unset

    // Taken from this process: $HOME, else the password database.
    static UserEnvironment ofProcess();
};

struct ProgramFolders {
    // Holds the Data folder (coefficients, record header, templates and their working copies)
    // and the user guide.
    std::filesystem::path program;
    // Holds the "Text data" and "excel" folders the dialogs start in.
    std::filesystem::path documents;
    // True for an installed program: program is the user's own folder.
    bool perUser = false;
    // What could not be laid out (in Chinese), one text per problem; empty when all went well.
    std::vector<std::string> problems;
};

// The folder of the running executable; empty when it cannot be told.
std::filesystem::path executableFolder();

// Where an installed package keeps the files it supplies: <prefix>/share/tarnelo beside
// <prefix>/bin.
std::filesystem::path packageFolder(const std::filesystem::path& executableFolder);

// The user's documents folder: XDG_DOCUMENTS_DIR in user-dirs.dirs, else $HOME/Documents.
std::filesystem::path userDocumentsFolder(const UserEnvironment& environment);

// The per-user program folder of an installed program: $XDG_DATA_HOME/tarnelo, with
// $XDG_DATA_HOME defaulting to ~/.local/share.
std::filesystem::path userProgramFolder(const UserEnvironment& environment);

// Whether resolving the folders may make them: the window lays them out; the command-line tool
// only reads templates and makes no folder it does not write into.
enum class FolderLayout { Make, LookOnly };

// Decides where the program keeps its files. The executable's folder stays the program folder
// when it holds a writable Data folder that can be trusted. A folder that belongs to another
// user or can be written by group or others is never used (problems names it): the per-user
// folder is then replaced by the executable's folder, as when there is no home folder. Otherwise
// the per-user folder is laid out: its Data folder is made, the supplied files are copied in where
// missing or out of date (a package upgrade brings new templates), and the dialog folders are made
// in the documents folder. Nothing the user made is ever overwritten: the coefficient file, the
// record header and the working copies are not supplied.
ProgramFolders resolveProgramFolders(const std::filesystem::path& executableFolder,
                                     const UserEnvironment& environment,
                                     FolderLayout layout = FolderLayout::Make);

} // namespace tarnelo
