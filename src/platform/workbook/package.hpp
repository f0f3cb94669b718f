// The package of a workbook: a zip archive of named parts, read whole into memory and written
// whole from it. Reading trusts nothing the archive declares: a workbook template is tens of
// kilobytes, and an archive beyond these limits is taken for a damaged one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::xlsx {

struct RawPart {
    std::string name;
    std::string bytes;
};

// The record-form templates have a dozen entries of a few KB; these limits leave ample room and
// keep a crafted package from taking more than a fraction of a second and a few hundred MB.
inline constexpr std::size_t kMaxEntries = 2000;
inline constexpr std::size_t kMaxPartBytes = std::size_t(8) << 20;
// All parts together, uncompressed; also the largest package file read.
inline constexpr std::size_t kMaxPackageBytes = std::size_t(16) << 20;
// A part larger than kRatioCheckedFrom may be at most kMaxRatio times its compressed size.
inline constexpr std::size_t kRatioCheckedFrom = std::size_t(1) << 20;
inline constexpr std::size_t kMaxRatio = 1000;

// What a package read may hold. The defaults are the limits above, for any workbook from
// elsewhere; a workbook this program has just written itself (a station's year, whose sheets
// grow with its gaugings: 10,000 gaugings make a sheet of about 9 MiB) is read with
// kOwnWorkbookLimits, bounded by memory alone.
struct PackageLimits {
    std::size_t entries = kMaxEntries;
    std::size_t part = kMaxPartBytes;
    std::size_t total = kMaxPackageBytes;
    bool ratioChecked = true;
};
inline constexpr PackageLimits kOwnWorkbookLimits{kMaxEntries, std::size_t(2) << 30,
                                                  std::size_t(2) << 30, false};

// The parts of a package file in archive order; a name that occurs twice keeps its first part,
// folder entries are left out. False and a reason when the file is not a readable package;
// one with an entry name that is empty, absolute, not UTF-8, or holds a ".." segment, a
// backslash or NUL, is damaged; one beyond the limits is said to be too large, with the limit.
bool readPackage(const std::filesystem::path& file, std::vector<RawPart>& parts, std::string& error,
                 const PackageLimits& limits = {});

// What a record-form template must not carry, in words for the user: macros (vbaProject.bin,
// macro sheets), external links, DDE links, or formulas (the form has none of its own, and a
// formula could read other files). std::nullopt when the package carries none of them.
std::optional<std::string> activeContentIn(const std::vector<RawPart>& parts);

// The zip archive holding parts in their order, with libzip's default compression;
// std::nullopt when it cannot be made.
std::optional<std::string> zipPackage(const std::vector<RawPart>& parts);

// Writes the archive of parts to file in one step (temporary file, flushed, renamed over it):
// the old file stays as it was when anything fails, and a symbolic link stays a link.
bool writePackage(const std::filesystem::path& file, const std::vector<RawPart>& parts,
                  std::string& error);

} // namespace tarnelo::xlsx
