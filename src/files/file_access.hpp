// Whether this user may write somewhere, as the operating system decides it (permissions,
// access control lists, read-only attributes), before anything is written.
#pragma once

#include <filesystem>
#include <string>

namespace tarnelo {

// For an existing file: whether it may be written. For a folder: whether files may be made in
// it. False for anything missing.
bool mayWrite(const std::filesystem::path& fileOrFolder);

// Whether two names lead to the same file once links are followed (the same device and inode,
// the same volume and file index on Windows); where either does not exist, whether both name
// the same place.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether an existing file is marked read-only: no write permission for anyone (root too
// would otherwise replace it), or the read-only attribute on Windows. False for anything
// missing.
bool markedReadOnly(const std::filesystem::path& file);

// The user a file or folder belongs to, by the name they log in with (the number where the
// system knows no name; on Windows DOMAIN\name); empty for anything missing.
std::string ownerName(const std::filesystem::path& fileOrFolder);

} // namespace tarnelo
