// What the file functions do the same way on every system.
#include "files/file_io.hpp"

namespace tarnelo {

std::string escapedName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tarnelo
