// What the file functions do the same way on every system.
#include "files/file_io.hpp"

#include "files/file_io_impl.hpp"

#include <atomic>

namespace tarnelo {

namespace {

std::atomic<bool> flushToDisk{true};
std::atomic<unsigned> temporaryCounter{0};

} // namespace

namespace detail {

WriteResult refuse(std::string why) {
    return {false, std::move(why), false};
}

WriteResult refuseForSpace(std::string why) {
    return {false, std::move(why), true};
}

std::string quoted(const std::filesystem::path& path) {
    return "“" + escapedName(path) + "”";
}

bool writesFlushedToDisk() {
    return flushToDisk.load();
}

std::string temporarySuffix(unsigned long pid) {
    return ".tmp" + std::to_string(pid) + "-" + std::to_string(temporaryCounter++);
}

bool isWriterTemporary(const std::string& name) {
    const auto tmp = name.rfind(".tmp");
    if (name.size() < 2 || name[0] != '.' || tmp == std::string::npos || tmp == 0) {
        return false;
    }
    const std::string rest = name.substr(tmp + 4);
    const auto dash = rest.find('-');
    if (dash == std::string::npos || dash == 0 || dash > 9 || dash + 1 >= rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string::npos ||
        rest.find('-', dash + 1) != std::string::npos) {
        return false;
    }
    return true;
}

WritePlace followLinks(const std::filesystem::path& target, AtLink atLink) {
    const auto refused = [](std::string why) { return WritePlace{{}, {}, std::move(why)}; };
    std::filesystem::path file = target;
    std::error_code linkError;
    if (atLink == AtLink::WriteThrough) {
        // Saving through a symbolic link writes the file it points to and keeps the link.
        bool followed = false;
        for (int hops = 0; std::filesystem::is_symlink(file, linkError); ++hops) {
            if (hops >= 40) {
                return refused("符号链接" + quoted(target) + "指向的层次太多");
            }
            if (!mayFollowLink(file)) {
                return refused(quoted(file) +
                               "是别的用户放在共享文件夹中的符号链接，为安全起见不经由它写入");
            }
            std::filesystem::path next = std::filesystem::read_symlink(file, linkError);
            if (linkError) {
                return refused("无法读取符号链接" + quoted(file));
            }
            file = next.is_absolute() ? next : file.parent_path() / next;
            followed = true;
        }
        if (followed && !std::filesystem::exists(file, linkError)) {
            return refused("符号链接" + quoted(target) + "指向的文件" + quoted(file) + "不存在");
        }
    }
    if (file.filename().empty()) {
        return refused(quoted(target) + "不是文件名");
    }
    WritePlace place;
    place.folder = file.parent_path().empty() ? "." : file.parent_path();
    place.file = std::move(file);
    return place;
}

} // namespace detail

void setWritesFlushedToDisk(bool flushed) {
    flushToDisk.store(flushed);
}

std::string escapedName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    const auto escapeByte = [&](unsigned char byte) {
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    };
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (byte == '\n') {
                out += "\\n";
            } else if (byte == '\r') {
                out += "\\r";
            } else if (byte == '\t') {
                out += "\\t";
            } else if (byte < 0x20 || byte == 0x7f) {
                escapeByte(byte);
            } else {
                out += name[i];
            }
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence stays, unless it is a C1 control or a bidirectional
        // control (which would show the name's characters in another order); any other byte is
        // written as an escape, so a message is always valid UTF-8.
        const std::size_t length = byte >= 0xf0 && byte <= 0xf4   ? 4
                                   : byte >= 0xe0 && byte <= 0xef ? 3
                                   : byte >= 0xc2 && byte <= 0xdf ? 2
                                                                  : 0;
        unsigned code = byte & (length == 2 ? 0x1fu : length == 3 ? 0x0fu : 0x07u);
        bool valid = length > 0 && i + length <= name.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            valid = (next & 0xc0) == 0x80;
            code = (code << 6) | (next & 0x3fu);
        }
        valid = valid && !(length == 3 && (code < 0x800 || (code >= 0xd800 && code <= 0xdfff))) &&
                !(length == 4 && (code < 0x10000 || code > 0x10ffff));
        if (!valid) {
            escapeByte(byte);
            ++i;
            continue;
        }
        if (code <= 0x9f || (code >= 0x202a && code <= 0x202e) ||
            (code >= 0x2066 && code <= 0x2069)) {
            out += "\\u";
            for (const int shift : {12, 8, 4, 0}) {
                out += kHex[(code >> shift) & 15];
            }
        } else {
            out.append(name.substr(i, length));
        }
        i += length;
    }
    return out;
}

} // namespace tarnelo
