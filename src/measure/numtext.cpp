#include "measure/numtext.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace tarnelo::num {

namespace {

constexpr double kTolerance = 1e-7;

// 10^0 to 10^22, each exact in a double.
constexpr std::array<double, 23> kExactPowers{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double powerOfTen(int n) {
    static constexpr std::array<double, 10> table{1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    if (n >= 0 && n < static_cast<int>(table.size())) {
        return table[static_cast<std::size_t>(n)];
    }
    return std::pow(10.0, n);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Beyond 2^53 a double has no fraction left, so there is nothing to round.
constexpr double kNoFraction = 9007199254740992.0;

// A number text that a double cannot hold: an infinity when it is too large, 0 when it is
// too small. Decided by the decimal position of its leading significant digit.
double outOfRangeValue(const char* first, const char* last) {
    long intDigits = 0;
    long fractionZeros = 0;
    bool intSignificant = false;
    bool fractionSignificant = false;
    bool inFraction = false;
    const char* p = first;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            inFraction = true;
        } else if (!inFraction) {
            if (intSignificant || *p != '0') {
                intSignificant = true;
                ++intDigits;
            }
        } else if (!fractionSignificant) {
            if (*p == '0') {
                ++fractionZeros;
            } else {
                fractionSignificant = true;
            }
        }
    }
    if (!intSignificant && !fractionSignificant) {
        return 0.0;
    }
    const long magnitude = intSignificant ? intDigits - 1 : -(fractionZeros + 1);
    bool largeExponent = false;
    long exponent = 0;
    if (p < last) {
        const char* e = p + 1;
        const bool negativeExponent = *e == '-';
        if (*e == '+' || *e == '-') {
            ++e;
        }
        if (std::from_chars(e, last, exponent).ec != std::errc{}) {
            largeExponent = true;
            exponent = 0;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
        if (largeExponent) {
            return negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
        }
    }
    return magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// Wide enough for a 53-bit mantissa times 5^17 and shifted.
__extension__ typedef unsigned __int128 Wide;

// 5^k for k from 0 to 17.
constexpr std::array<std::uint64_t, 18> kFives{
    1ULL,         5ULL,          25ULL,         125ULL,         625ULL,          3125ULL,
    15625ULL,     78125ULL,      390625ULL,     1953125ULL,     9765625ULL,      48828125ULL,
    244140625ULL, 1220703125ULL, 6103515625ULL, 30517578125ULL, 152587890625ULL, 762939453125ULL};

constexpr std::uint64_t kThirteenDigits = 10'000'000'000'000ULL;
constexpr std::uint64_t kTwelveDigits = 1'000'000'000'000ULL;

// The 13 significant digits of |x| with the decimal exponent of the first one, rounded half to
// even on the exact binary value, as printf's %.13g rounds; false when |x| lies outside 1e-5 to
// 1e13, where the general writer takes over.
bool thirteenDigits(double x, std::uint64_t& digits, int& exponent) {
    const double magnitude = std::fabs(x);
    if (!(magnitude >= 1e-5 && magnitude < 1e13)) {
        return false;
    }
    // magnitude = mantissa * 2^shift0 exactly, read from the bits of a normal double.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t mantissa =
        (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int shift0 = biased - 1075;
    // The decimal exponent from the binary one; the loop below corrects it by one either way.
    int e = static_cast<int>(std::floor((biased - 1023) * 0.30102999566398120));
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int k = 12 - e;
        if (k < 0 || k >= static_cast<int>(kFives.size())) {
            return false;
        }
        // magnitude * 10^k = mantissa * 5^k * 2^(k + shift0)
        const Wide scaled = static_cast<Wide>(mantissa) * kFives[static_cast<std::size_t>(k)];
        const int shift = k + shift0;
        Wide whole = 0;
        bool up = false;
        if (shift >= 0) {
            if (shift > 20) {
                return false;
            }
            whole = scaled << shift;
        } else {
            const int right = -shift;
            if (right >= 127) {
                return false;
            }
            whole = scaled >> right;
            const Wide rest = scaled - (whole << right);
            const Wide half = static_cast<Wide>(1) << (right - 1);
            up = rest > half || (rest == half && (whole & 1U) != 0);
        }
        if (whole >= kThirteenDigits) {
            ++e;
            continue;
        }
        if (whole < kTwelveDigits) {
            --e;
            continue;
        }
        digits = static_cast<std::uint64_t>(whole) + (up ? 1U : 0U);
        exponent = e;
        if (digits == kThirteenDigits) {
            digits = kTwelveDigits;
            ++exponent;
        }
        return true;
    }
    return false;
}

// %.13g of a value given by its 13 digits and exponent.
std::string generalText(bool negative, std::uint64_t digits, int exponent) {
    std::array<char, 13> d{};
    for (int i = 12; i >= 0; --i) {
        d[static_cast<std::size_t>(i)] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    std::size_t used = 13;
    while (used > 1 && d[used - 1] == '0') {
        --used;
    }
    std::array<char, 32> out{};
    std::size_t n = 0;
    const auto put = [&](char c) { out[n++] = c; };
    const auto putDigits = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            put(d[k]);
        }
    };
    if (negative) {
        put('-');
    }
    if (exponent >= -4 && exponent < 13) {
        if (exponent >= 0) {
            const auto whole = static_cast<std::size_t>(exponent) + 1;
            putDigits(0, whole);
            if (used > whole) {
                put('.');
                putDigits(whole, used);
            }
        } else {
            put('0');
            put('.');
            for (int k = 0; k < -exponent - 1; ++k) {
                put('0');
            }
            putDigits(0, used);
        }
        return std::string(out.data(), n);
    }
    put(d[0]);
    if (used > 1) {
        put('.');
        putDigits(1, used);
    }
    put('e');
    put(exponent < 0 ? '-' : '+');
    const int shown = exponent < 0 ? -exponent : exponent;
    if (shown >= 100) {
        put(static_cast<char>('0' + shown / 100));
    }
    put(static_cast<char>('0' + shown / 10 % 10));
    put(static_cast<char>('0' + shown % 10));
    return std::string(out.data(), n);
}

} // namespace

std::string plainText(double x) {
    if (x == 0.0) {
        return "0";
    }
    // The everyday magnitudes are written from exact integer arithmetic, the rest by the
    // library's general writer; both give printf's %.13g.
    std::uint64_t digits = 0;
    int exponent = 0;
    if (thirteenDigits(x, digits, exponent)) {
        return generalText(x < 0, digits, exponent);
    }
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                   std::chars_format::general, 13);
    if (ec != std::errc{}) {
        return "0";
    }
    return std::string(buffer.data(), end);
}

double thirteenDigitValue(double x) {
    if (x == 0.0) {
        return 0.0;
    }
    std::uint64_t digits = 0;
    int exponent = 0;
    if (thirteenDigits(x, digits, exponent)) {
        // Both exact in a double, so the one division rounds as reading the text would (a carry
        // to 1e13 is a whole number, exact as a product).
        const double value = exponent <= 12
                                 ? static_cast<double>(digits) /
                                       kExactPowers[static_cast<std::size_t>(12 - exponent)]
                                 : static_cast<double>(digits) *
                                       kExactPowers[static_cast<std::size_t>(exponent - 12)];
        return x < 0 ? -value : value;
    }
    return numberOf(plainText(x));
}

std::string codeText(unsigned long code) {
    std::array<char, 16> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), code & 0xFFFFFFFFUL, 16);
    std::string digits = ec == std::errc{} ? std::string(buffer.data(), end) : "0";
    for (char& c : digits) {
        c = (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return "0x" + std::string(8 - std::min<std::size_t>(digits.size(), 8), '0') + digits;
}

std::size_t numberEnd(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                ++j;
            }
            end = j;
        }
    }
    return end;
}

bool isWholeNumber(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    std::size_t lead = 0;
    while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\t')) {
        ++lead;
    }
    text.remove_prefix(lead);
    return !text.empty() && numberEnd(text) == text.size();
}

namespace {

// Up to 15 digits with at most one point and no exponent, as most texts are: the digits as an
// integer, exact in a double, divided by an exact power of ten is the correctly rounded value,
// as the full reader gives it. False when the text needs the full reader.
bool readShortDecimal(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t whole = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            if (digits == 15) {
                return false;
            }
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || (i < text.size() && (text[i] == 'e' || text[i] == 'E'))) {
        return false;
    }
    const double read =
        static_cast<double>(whole) / kExactPowers[static_cast<std::size_t>(decimals)];
    value = negative ? -read : read;
    return true;
}

} // namespace

double numberOf(std::string_view text) {
    if (double value = 0.0; readShortDecimal(text, value)) {
        return value;
    }
    const std::size_t end = numberEnd(text);
    if (end == 0) {
        return 0.0;
    }
    std::size_t i = 0;
    while (isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        value = outOfRangeValue(first, last);
    } else if (ec != std::errc{} || ptr != last) {
        return 0.0;
    }
    return negative ? -value : value;
}

double roundHalfAway(double x, int n) {
    if (!std::isfinite(x)) {
        return x;
    }
    const double p = powerOfTen(n);
    const double s = std::fabs(x) * p + 1e-12;
    if (s >= kNoFraction) {
        return x;
    }
    const double i = std::floor(s);
    const double g = s - i;
    const double r = (g >= 0.5 ? i + 1.0 : i) / p;
    if (r == 0.0) {
        return 0.0;
    }
    return x < 0 ? -r : r;
}

double roundHalfEven(double x, int n) {
    if (!std::isfinite(x)) {
        return x;
    }
    if (x < 0) {
        const double r = roundHalfEven(-x, n);
        return r == 0.0 ? 0.0 : -r;
    }
    const double p = powerOfTen(n);
    const double t = x * p;
    if (t >= kNoFraction) {
        return x;
    }
    const auto f = static_cast<std::int64_t>(std::floor(t));
    const double h = t - static_cast<double>(f) - 0.5;
    if (std::fabs(h) > kTolerance) {
        return roundHalfAway(x, n);
    }
    if (f % 2 == 0) {
        return static_cast<double>(f) / p;
    }
    return static_cast<double>(f + 1) / p;
}

std::string fixedText(double x, int n) {
    const double r = roundHalfAway(x, n);
    std::string text = plainText(r);
    if (text.find_first_of("eE") != std::string::npos || !std::isfinite(r)) {
        // Magnitudes beyond 13 digits: write every digit rather than an exponent.
        std::array<char, 400> buffer{};
        auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), r,
                                       std::chars_format::fixed, n);
        return ec == std::errc{} ? std::string(buffer.data(), end) : text;
    }
    if (n <= 0) {
        return text;
    }
    const auto point = text.find('.');
    std::size_t decimals = 0;
    if (point == std::string::npos) {
        text += '.';
    } else {
        decimals = text.size() - point - 1;
    }
    for (auto d = decimals; d < static_cast<std::size_t>(n); ++d) {
        text += '0';
    }
    return text;
}

int typedDecimals(std::string_view text, int most) {
    const double x = std::fabs(numberOf(text));
    if (!std::isfinite(x)) {
        return most;
    }
    for (int n = 0; n < most; ++n) {
        const double scaled = x * powerOfTen(n);
        if (std::fabs(scaled - std::round(scaled)) < kTolerance) {
            return n;
        }
    }
    return most;
}

std::string distanceText(double x, int decimals) {
    const double r = roundHalfEven(x, decimals);
    return fixedText(r == 0.0 ? 0.0 : r, decimals);
}

namespace {

struct Step {
    double low;  // inclusive lower bound, or -inf
    double high; // exclusive upper bound, or +inf
    int decimals;
};

constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr std::array<Step, 3> kVelocity{{{-kInf, 0.1, 3}, {0.1, 10, 2}, {10, 100, 1}}};
constexpr std::array<Step, 2> kDepth{{{-kInf, 5, 2}, {5, kInf, 1}}};
constexpr std::array<Step, 2> kDistance{{{-kInf, 100, 1}, {100, kInf, 0}}};
constexpr std::array<Step, 3> kArea{{{-kInf, 10, 2}, {10, 100, 1}, {100, kInf, 0}}};
constexpr std::array<Step, 4> kDischarge{{{-kInf, 1, 3}, {1, 10, 2}, {10, 100, 1}, {100, kInf, 0}}};

bool inRange(double y, const Step& step) {
    const bool aboveLow = step.low == -kInf || y - step.low >= -kTolerance;
    const bool belowHigh = step.high == kInf || y - step.high < -kTolerance;
    return aboveLow && belowHigh;
}

template <std::size_t N> std::string applySteps(double x, const std::array<Step, N>& steps) {
    // Each step reads the text the step before left: first the 13-digit text of x (written
    // only when no step rewrites it), then each step's own.
    std::string text;
    bool written = false;
    double y = thirteenDigitValue(x);
    for (const auto& step : steps) {
        if (inRange(y, step)) {
            text = fixedText(roundHalfEven(y, step.decimals), step.decimals);
            written = true;
            y = numberOf(text);
        }
    }
    return written ? text : plainText(x);
}

} // namespace

std::string graded(double x, Grade grade) {
    // A negative value (a reverse-flow vertical, its partials) takes the steps of its
    // magnitude, ties to even by magnitude, and its sign; a value that rounds to zero has none.
    if (x < 0 && std::isfinite(x)) {
        std::string text = graded(-x, grade);
        const bool zero = text.find_first_not_of("0.") == std::string::npos;
        return zero ? text : "-" + text;
    }
    switch (grade) {
    case Grade::Velocity:
        return applySteps(x, kVelocity);
    case Grade::Depth:
        return applySteps(x, kDepth);
    case Grade::Distance:
        return applySteps(x, kDistance);
    case Grade::Area:
        return applySteps(x, kArea);
    case Grade::Discharge:
        return applySteps(x, kDischarge);
    }
    return plainText(x);
}

std::string yearbookText(double x, Grade grade) {
    const double y = thirteenDigitValue(x);
    if (!std::isfinite(y) || std::fabs(y) < 1000.0 - kTolerance || std::fabs(y) >= kNoFraction) {
        return graded(x, grade);
    }
    // The unit of the third figure: 10 for 1000-9999, 100 for 10000-99999, ...
    double unit = 10.0;
    while (std::fabs(y) >= unit * 1000.0) {
        unit *= 10.0;
    }
    return fixedText(roundHalfEven(y / unit, 0) * unit, 0);
}

} // namespace tarnelo::num
