#include "files/gbk.hpp"

#include "files/gbk_impl.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

// Length of the UTF-8 character that starts text (1 for a stray byte).
std::size_t utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return std::min(length, text.size());
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string gbkToUtf8(std::string_view bytes) {
    if (isAscii(bytes)) {
        return std::string(bytes);
    }
    return detail::decodeGbk(bytes);
}

std::optional<std::string> utf8ToGbk(std::string_view text) {
    if (isAscii(text)) {
        return std::string(text);
    }
    return detail::encodeGbk(text);
}

std::string firstCharacterOutsideGbk(std::string_view text) {
    if (utf8ToGbk(text)) {
        return {};
    }
    while (!text.empty()) {
        const std::size_t length = utf8Length(text);
        const std::string_view character = text.substr(0, length);
        if (!utf8ToGbk(character)) {
            return std::string(character);
        }
        text.remove_prefix(length);
    }
    return {};
}

bool isUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80                 ? 1
                                   : c >= 0xc2 && c <= 0xdf ? 2
                                   : c >= 0xe0 && c <= 0xef ? 3
                                   : c >= 0xf0 && c <= 0xf4 ? 4
                                                            : 0;
        if (length == 0 || i + length > bytes.size()) {
            return false;
        }
        unsigned cp = length == 1 ? c : c & (0x7fu >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3fu);
        }
        if ((length == 3 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10ffff))) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace tarnelo
