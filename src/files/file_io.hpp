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

// Replaces the content of file with bytes: temporary file in the same folder, flushed to disk,
// then renamed over the target. Returns false (and leaves the old file as it was) when any
// step fails. The folder is never created.
bool writeFileAtomic(const std::filesystem::path& file, std::string_view bytes);

// Whether writeFileAtomic waits for the disk (on by default). The command-line tool turns it
// off: it writes only into its own temporary folder, which is removed when it ends. Writes stay
// atomic either way.
void setWritesFlushedToDisk(bool flushed);

} // namespace tarnelo
