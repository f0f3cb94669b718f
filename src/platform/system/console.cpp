#include "platform/system/console.hpp"

namespace tarnelo::sys {

std::size_t wholeUtf8Length(std::string_view text) {
    // A lead byte within the last three bytes whose sequence runs past the end is cut off there.
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) {
            continue; // a continuation byte: its lead byte lies further back
        }
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

} // namespace tarnelo::sys
