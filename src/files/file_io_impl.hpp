// What the file functions of every system share (file_io.cpp) and what each system's own file
// (file_io_posix.cpp, file_io_windows.cpp) gives them. Not for use outside src/files.
#pragma once

#include "files/file_io.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace tarnelo::detail {

// A failed write or check, for `return refuse(...)`.
WriteResult refuse(std::string why);
// refuse() for a write that found no room (WriteResult::outOfSpace).
WriteResult refuseForSpace(std::string why);
// A path as messages quote it: escaped (escapedName), between Chinese quotation marks.
std::string quoted(const std::filesystem::path& path);
// Whether writes wait for the disk (setWritesFlushedToDisk).
bool writesFlushedToDisk();

// The end of a temporary file's name, ".tmpPID-N", with N new for every call.
std::string temporarySuffix(unsigned long pid);
// Whether a file name is one of this writer's temporary files, ".NAME.tmpPID-N". The process id
// tells nothing about whether the write still runs (a writer in another PID namespace, or on
// another machine sharing the folder, has ids of its own): a write holds its temporary locked
// (POSIX) or open without sharing (Windows), and a temporary is stale once nobody holds it and
// it has not been written for kStaleTemporarySeconds.
bool isWriterTemporary(const std::string& name);
// Ten minutes: far beyond the time any write of the program's files takes, and a leftover of an
// interrupted write does no harm meanwhile (its name starts with a dot).
inline constexpr long long kStaleTemporarySeconds = 600;

// Where a write lands once the link rules are applied: with AtLink::WriteThrough a chain of
// symbolic links at the target is followed to the file it ends at. problem says why the write
// may not go on: the chain is too long, cannot be read or ends nowhere, mayFollowLink refuses a
// link, or the target names no file.
struct WritePlace {
    std::filesystem::path file;
    std::filesystem::path folder; // "." for a file named without a folder
    std::string problem;          // empty when the write may go on
};
WritePlace followLinks(const std::filesystem::path& target, AtLink atLink);

// Each system's own.

// Whether a write may go on through the symbolic link at link.
bool mayFollowLink(const std::filesystem::path& link);

} // namespace tarnelo::detail
