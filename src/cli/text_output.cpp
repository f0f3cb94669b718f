#include "cli/text_output.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>

namespace tarnelo::cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Decodes the character at the front of text; 0 bytes used means an invalid sequence.
struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;
};

Decoded decode(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        return {lead, 1};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (text.size() < length) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {};
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {};
    }
    return {code, length};
}

bool isWide(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr std::array<Range, 10> kWide{{{0x1100, 0x115F},
                                                  {0x2E80, 0x303E},
                                                  {0x3041, 0x33FF},
                                                  {0x3400, 0x4DBF},
                                                  {0x4E00, 0x9FFF},
                                                  {0xA000, 0xA4CF},
                                                  {0xAC00, 0xD7A3},
                                                  {0xF900, 0xFAFF},
                                                  {0xFE30, 0xFE4F},
                                                  {0xFF00, 0xFF60}}};
    if (c >= 0xFFE0 && c <= 0xFFE6) {
        return true;
    }
    if (c >= 0x1F300 && c <= 0x1FAFF) {
        return true;
    }
    if (c >= 0x20000 && c <= 0x3FFFD) {
        return true;
    }
    return std::any_of(kWide.begin(), kWide.end(),
                       [c](const Range& r) { return c >= r.first && c <= r.last; });
}

} // namespace

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    while (!text.empty()) {
        const Decoded d = decode(text);
        if (d.length == 0) {
            ++width;
            text.remove_prefix(1);
            continue;
        }
        width += isWide(d.code) ? 2 : (d.code < 0x20 ? 0 : 1);
        text.remove_prefix(d.length);
    }
    return width;
}

std::string alignedTable(const std::vector<std::vector<std::string>>& rows) {
    std::ostringstream out;
    writeAlignedTable(out, rows);
    return std::move(out).str();
}

void writeAlignedTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], displayWidth(row[c]));
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) {
                line += "  ";
            }
            line += row[c];
            line.append(widths[c] - displayWidth(row[c]), ' ');
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        out << line << '\n';
    }
}

void appendJsonString(std::string& out, std::string_view text) {
    // Plain printable ASCII, most of what a sheet holds, goes over as it is.
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
        return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    });
    if (plain) {
        out += '"';
        out.append(text);
        out += '"';
        return;
    }
    out += jsonString(text);
}

std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    while (!text.empty()) {
        const Decoded d = decode(text);
        if (d.length == 0) {
            out += kReplacement;
            text.remove_prefix(1);
            continue;
        }
        const char32_t c = d.code;
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                   (c >= 0x2066 && c <= 0x2069)) {
            // Controls and bidirectional marks as escapes: whoever prints the JSON prints them.
            out += "\\u";
            for (const int shift : {12, 8, 4, 0}) {
                out += kHex[(c >> shift) & 0xF];
            }
        } else {
            out.append(text.substr(0, d.length));
        }
        text.remove_prefix(d.length);
    }
    out += '"';
    return out;
}

std::string terminalSafe(std::string_view text, bool keepLineBreaks) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escapeByte = [&](unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && !(keepLineBreaks && c == '\n')) || c == 0x7f) {
                escapeByte(c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // The length of a well-formed UTF-8 sequence starting here, or 0.
        std::size_t length = 0;
        unsigned cp = 0;
        if (c >= 0xc2 && c <= 0xdf) {
            length = 2;
            cp = c & 0x1fu;
        } else if (c >= 0xe0 && c <= 0xef) {
            length = 3;
            cp = c & 0x0fu;
        } else if (c >= 0xf0 && c <= 0xf4) {
            length = 4;
            cp = c & 0x07u;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xc0) == 0x80;
            cp = (cp << 6) | (next & 0x3fu);
        }
        valid = valid && !(length == 3 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) &&
                !(length == 4 && (cp < 0x10000 || cp > 0x10ffff));
        if (!valid) {
            escapeByte(c);
            ++i;
            continue;
        }
        if (cp >= 0x80 && cp <= 0x9f) {
            out += "\\u00";
            out += kHex[cp >> 4];
            out += kHex[cp & 15];
        } else if ((cp >= 0x202a && cp <= 0x202e) || (cp >= 0x2066 && cp <= 0x2069)) {
            // Bidirectional controls would show a name's characters in another order.
            out += "\\u";
            for (const int shift : {12, 8, 4, 0}) {
                out += kHex[(cp >> shift) & 15];
            }
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string messageLines(std::string_view message) {
    std::string text;
    for (const char c : message) {
        text += c == '\t' ? std::string("  ") : std::string(1, c);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return terminalSafe(text, true);
}

} // namespace tarnelo::cli
