// Whether this user may write somewhere, as the operating system decides it (permissions,
// access control lists, read-only attributes), before anything is written.
#pragma once

#include <filesystem>

namespace tarnelo {

// For an existing file: whether it may be written. For a folder: whether files may be made in
// it. False for anything missing.
bool mayWrite(const std::filesystem::path& fileOrFolder);

} // namespace tarnelo
