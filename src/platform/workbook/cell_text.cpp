#include "platform/workbook/cell_text.hpp"

#include "platform/workbook/xml.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <system_error>

namespace tarnelo::xlsx {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isEscapeAt(std::string_view s, std::size_t i) {
    return i + 7 <= s.size() && s[i] == '_' && s[i + 1] == 'x' && isHex(s[i + 2]) &&
           isHex(s[i + 3]) && isHex(s[i + 4]) && isHex(s[i + 5]) && s[i + 6] == '_';
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at s[i] (2 to 4 bytes), 0 when there is none: overlong
// forms, surrogates, U+FFFE, U+FFFF and anything beyond U+10FFFF are not valid in a cell.
std::size_t sequenceAt(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    unsigned cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
    }
    if (length == 0 || i + length > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (cont & 0x3F);
    }
    const bool valid = !(length == 3 && cp < 0x800) &&
                       !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
                       !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF;
    return valid ? length : 0;
}

// Whether a number text (digits, optional point and digits, optional exponent) that a double
// cannot hold lies beyond 1 rather than below it, from the place of its first significant
// digit and its exponent.
bool beyondOne(std::string_view number) {
    const std::size_t e = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return false;
    }
    long long magnitude = first < point ? static_cast<long long>(point - first) - 1
                                        : -static_cast<long long>(first - point);
    long long exponent = 0;
    std::size_t i = e + 1;
    const bool negative = i < number.size() && number[i] == '-';
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
        ++i;
    }
    for (; i < number.size() && exponent < 1000000000; ++i) {
        exponent = exponent * 10 + (number[i] - '0');
    }
    magnitude += negative ? -exponent : exponent;
    return magnitude > 0;
}

} // namespace

std::string encodeCellText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F) {
                out += "_x00";
                out += kHexDigits[b >> 4];
                out += kHexDigits[b & 15];
                out += '_';
            } else if (isEscapeAt(s, i)) {
                out += "_x005F_";
            } else {
                out += static_cast<char>(b);
            }
            ++i;
        } else if (const std::size_t length = sequenceAt(s, i); length > 0) {
            out.append(s.substr(i, length));
            i += length;
        } else {
            appendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::string decodeCellText(std::string_view s) {
    if (s.find("_x") == std::string_view::npos) {
        return std::string(s);
    }
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (isEscapeAt(s, i)) {
            unsigned cp = 0;
            for (std::size_t k = 2; k < 6; ++k) {
                const char c = s[i + k];
                cp = cp * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            }
            appendUtf8(out, cp);
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string itemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node c = item.first_child(); c; c = c.next_sibling()) {
        const std::string_view name = localName(c.name());
        if (name == "t") {
            text += c.text().get();
        } else if (name == "r") {
            text += child(c, "t").text().get();
        }
    }
    return decodeCellText(text);
}

std::string numberText(double x) {
    if (x == 0.0) {
        return "0";
    }
    // General format with a precision is defined as printf's "%.*g"; 13 significant digits
    // need at most 20 characters ("-1.234567890123e-308").
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                         std::chars_format::general, 13);
    return ec == std::errc{} ? std::string(buffer.data(), end) : "0";
}

double numberOf(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when digits follow its sign: "2e" and "2e+" read as 2.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            for (i = j; i < text.size() && isDigit(text[i]); ++i) {
            }
        }
    }
    const std::string_view number = text.substr(start, i - start);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        value = beyondOne(number) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc{} || end != number.data() + number.size()) {
        return 0.0;
    }
    return negative ? -value : value;
}

int parseInt(std::string_view text, int fallback) {
    if (text.empty() || text.size() > 10) {
        return fallback;
    }
    long long value = 0;
    for (char c : text) {
        if (!isDigit(c)) {
            return fallback;
        }
        value = value * 10 + (c - '0');
    }
    return value > std::numeric_limits<int>::max() ? fallback : static_cast<int>(value);
}

} // namespace tarnelo::xlsx
