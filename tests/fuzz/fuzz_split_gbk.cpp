// The splitting rule and the GBK decoder on arbitrary input: pieces joined again give back the
// text they were cut from, and decoding always gives valid UTF-8 that re-encodes stably.
#include "files/gbk.hpp"
#include "files/split.hpp"

#include <array>
#include <cstdint>
#include <string_view>

using namespace tarnelo;

namespace {

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::string join(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        text += (i == 0 ? "" : std::string(separator)) + pieces[i];
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static constexpr std::array<std::string_view, 4> kSeparators{",", "\r\n", "\r\n\r\n", "流"};
    const std::string_view separator = kSeparators[bytes[0] % kSeparators.size()];
    const std::size_t most = bytes[1] % 8;
    const std::string_view raw(reinterpret_cast<const char*>(bytes + 2), size - 2);

    const std::string text = gbkToUtf8(raw);
    if (!validUtf8(text)) {
        __builtin_trap();
    }
    if (const auto encoded = utf8ToGbk(text)) {
        if (gbkToUtf8(*encoded) != text) {
            __builtin_trap();
        }
    }

    const auto pieces = splitText(text, separator, most);
    if (most != 0 && pieces.size() > most) {
        __builtin_trap();
    }
    const std::string joined = join(pieces, separator);
    if (most == 0 && joined != text && joined + std::string(separator) != text) {
        __builtin_trap();
    }
    if (!text.starts_with(joined)) {
        __builtin_trap();
    }
    return 0;
}
