// Whole-file reads and writes. A write never leaves a half-written file behind: the new content
// goes to a temporary file beside the target, which then replaces the target in one step.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

// The whole content of a file; std::nullopt when it cannot be read (missing, a folder,
// unreadable) or is larger than maxBytes.
std::optional<std::string> readFileBytes(const std::filesystem::path& file,
                                         std::size_t maxBytes = std::size_t(1) << 30);

// What a write does with a symbolic link at the target.
enum class AtLink {
    // Write the file it points to and keep the link (a user's own files). A link that another
    // user planted in a sticky, world-writable folder is not followed, and a link that points
    // to nothing is refused.
    WriteThrough,
    // Put a regular file in the link's place (the program's working files in Data, which must
    // never lead out of their folder).
    Replace,
};

// What a write or a check came to: done, or why not. Tests true when done.
struct WriteResult {
    bool ok = true;
    // Why not, in Chinese; empty when done.
    std::string problem;
    // Whether it failed for want of room: the disk, or the user's quota, is full.
    bool outOfSpace = false;
    explicit operator bool() const { return ok; }
};

// Replaces the content of file with bytes: temporary file in the same folder, flushed to disk,
// then renamed over the target. The replaced file keeps its permission bits (never set-user-ID,
// set-group-ID or sticky); a new one gets
// rw-rw-rw- less the umask. When any step fails the old file is left as it was and the result
// says why. The folder is never created. Leftover temporary files of interrupted writes in that
// folder are removed first.
WriteResult writeFileAtomic(const std::filesystem::path& file, std::string_view bytes,
                            AtLink atLink = AtLink::WriteThrough);

// Whether writeFileAtomic could write target, found without writing: the link rules, the
// name's length, the kind of file there and the folder's permissions; the result says why not.
// A long job checks its target with this before it starts.
WriteResult checkFileWritable(const std::filesystem::path& target,
                              AtLink atLink = AtLink::WriteThrough);

// Removes this writer's temporary files (".NAME.tmpPID-N") that interrupted writes left in
// folder: the user's own, held by no write (the lock, or on Windows an open handle) and not
// written for ten minutes, whatever process id the name carries; nothing else is touched.
void removeStaleTemporaries(const std::filesystem::path& folder);

// Why a folder the program takes templates or state from must not be trusted, as ssh judges
// the folder of its keys: it, or a folder above it, belongs to another user (root aside), or
// can be written by group or others (a folder above it may when it is sticky, as /tmp is).
// In Chinese, naming the folder; std::nullopt when it can be trusted or does not exist.
std::optional<std::string> untrustedFolderProblem(const std::filesystem::path& folder);

// A path or name as a message shows it: line breaks and other control characters are written
// as escapes (\n, \r, \t, \xNN, \u009b), and so are bidirectional controls (\u202e) and bytes
// that are not UTF-8 (\xNN), so a name can never start a line of its own, fake one or reorder
// what is shown, and the text is valid UTF-8 wherever it goes (XML, JSON).
std::string escapedName(std::string_view name);
inline std::string escapedName(const std::filesystem::path& path) {
    // UTF-8 on every system (Windows keeps names as UTF-16).
    const std::u8string name = path.u8string();
    return escapedName(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
}

// Whether writeFileAtomic waits for the disk (on by default). The command-line tool turns it
// off: it writes only into its own temporary folder, which is removed when it ends. Writes stay
// atomic either way.
void setWritesFlushedToDisk(bool flushed);

} // namespace tarnelo
