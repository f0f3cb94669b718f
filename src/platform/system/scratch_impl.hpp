// What scratch.cpp and each system's own file (scratch_posix.cpp, scratch_windows.cpp) share.
// Not for use outside src/platform/system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo::sys::detail {

// bytes with every byte outside the unreserved set (letters, digits, "-._~") and keep written
// as %XX, for a file:// URL.
std::string percentEncoded(std::string_view bytes, std::string_view keep);

// Each system's own.

// Whether the process with this id has ended: it is not this process and none runs under it.
bool processEnded(unsigned long pid);
// The setting that names the temporary folder ("TMPDIR"; "TMP" on Windows).
std::string_view temporaryFolderSetting();
// Whether the scratch folder of an ended process at entry may be removed: a folder, not a link
// to one, and this user's.
bool mayRemoveScratchFolder(const std::filesystem::directory_entry& entry);

} // namespace tarnelo::sys::detail
