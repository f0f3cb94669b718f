// GBK through Windows' code page 936, with strict flags: a byte sequence the code page does not
// define is never guessed at, and a character it cannot hold is never replaced by a look-alike.
#include "files/gbk_impl.hpp"

#include <windows.h>

namespace tarnelo {

namespace {

constexpr UINT kGbk = 936;

// Code page 936 gives GBK's user-defined areas (and the byte 0xFF) characters of Unicode's
// private use area; they are not GBK characters, and iconv refuses them too.
bool isPrivateUse(wchar_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}

// Strict conversion of bytes in a code page to UTF-16; std::nullopt when any byte sequence is
// not valid there.
std::optional<std::wstring> toWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(bytes.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(),
                              length) != length) {
        return std::nullopt;
    }
    return wide;
}

std::string wideToUtf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace

namespace detail {

std::string decodeGbk(std::string_view bytes) {
    // Character by character: a sequence that is not a GBK character becomes one replacement
    // character for its first byte, then decoding goes on with the next byte.
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    while (!bytes.empty()) {
        if (static_cast<unsigned char>(bytes.front()) < 0x80) {
            out.push_back(bytes.front());
            bytes.remove_prefix(1);
            continue;
        }
        bool decoded = false;
        for (const std::size_t length : {std::size_t(2), std::size_t(1)}) {
            if (bytes.size() < length) {
                continue;
            }
            const auto character = toWide(kGbk, bytes.substr(0, length));
            if (character && character->size() == 1 && !isPrivateUse((*character)[0])) {
                out += wideToUtf8(*character);
                bytes.remove_prefix(length);
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out.append(kReplacement);
            bytes.remove_prefix(1);
        }
    }
    return out;
}

std::optional<std::string> encodeGbk(std::string_view text) {
    const auto wide = toWide(CP_UTF8, text);
    if (!wide) {
        return std::nullopt;
    }
    for (const wchar_t c : *wide) {
        if (isPrivateUse(c)) {
            return std::nullopt;
        }
    }
    const int size = static_cast<int>(wide->size());
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide->data(), size,
                                             nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(length), '\0');
    usedDefault = FALSE;
    if (::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide->data(), size, out.data(), length,
                              nullptr, &usedDefault) != length ||
        usedDefault) {
        return std::nullopt;
    }
    return out;
}

} // namespace detail

} // namespace tarnelo
