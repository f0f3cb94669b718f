// What scratch folders do the same way on every system.
#include "platform/system/scratch.hpp"

#include "platform/system/scratch_impl.hpp"

#include "files/file_io.hpp"

#include <span>
#include <system_error>

namespace tarnelo::sys {

namespace fs = std::filesystem;

namespace {

// The process id in a scratch folder's name <prefix>-<pid>-XXXXXX, or 0. The six characters
// mkdtemp put in are asked for: the window's socket folders of the shared kind are named
// tarnelo-<uid>-1 ... -9, and a user id is no process of a run that ended.
constexpr std::size_t kMadeSuffix = 6;

unsigned long ownerOf(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + 1 || !name.starts_with(prefix) ||
        name[prefix.size()] != '-') {
        return 0;
    }
    name.remove_prefix(prefix.size() + 1);
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9 ||
        name.size() - dash - 1 != kMadeSuffix) {
        return 0;
    }
    unsigned long pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + static_cast<unsigned long>(c - '0');
    }
    return pid;
}

// Every prefix of the program's scratch folders. "tarnelo" is the forms' working copies (in
// memory where it can be); the others are named after what makes them.
constexpr std::string_view kPrefixes[] = {
    "tarnelo",      "tarnelo-render", "tarnelo-print",  "tarnelo-lp",      "tarnelo-svg",
    "tarnelo-xlsx", "tarnelo-table",  "tarnelo-rating", "tarnelo-summary", "tarnelo-runtime",
};

void removeStale(const fs::path& parent, std::span<const std::string_view> prefixes) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
        // UTF-8 on every system (Windows keeps names as UTF-16).
        const std::u8string name = entry.path().filename().u8string();
        const std::string plain(name.begin(), name.end());
        for (const std::string_view prefix : prefixes) {
            const unsigned long pid = ownerOf(plain, prefix);
            if (pid != 0 && detail::processEnded(pid) && detail::mayRemoveScratchFolder(entry)) {
                fs::remove_all(entry.path(), ec);
                break;
            }
        }
    }
}

} // namespace

ScratchFolder::~ScratchFolder() {
    if (valid()) {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
}

void removeStaleScratchFolders(std::string_view prefix, bool memoryBacked) noexcept {
    try {
        removeStale(scratchParent(memoryBacked), std::span(&prefix, 1));
    } catch (...) {
        // A folder that cannot be listed keeps its leftovers; nothing else depends on it.
    }
}

void removeStaleScratchFoldersOfEveryKind() noexcept {
    try {
        const fs::path parent = scratchParent(false);
        removeStale(parent, kPrefixes);
        if (const fs::path memory = scratchParent(true); memory != parent) {
            removeStale(memory, kPrefixes);
        }
    } catch (...) {
        // As above.
    }
}

namespace detail {

std::string percentEncoded(std::string_view bytes, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           keep.find(ch) != std::string_view::npos;
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace detail

std::string scratchFullProblem(const fs::path& scratchFolder) {
    const fs::path parent =
        scratchFolder.parent_path().empty() ? scratchFolder : scratchFolder.parent_path();
    const std::string setting(detail::temporaryFolderSetting());
    return "临时文件夹“" + escapedName(parent) + "”（" + setting +
           "）所在的磁盘已满，请腾出空间或把 " + setting + " 指向别的文件夹";
}

} // namespace tarnelo::sys
