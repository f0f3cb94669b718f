#include "compute/numtext.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace tarnelo::num {

namespace {

constexpr double kTolerance = 1e-7;

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

} // namespace

std::string plainText(double x) {
    if (x == 0.0) {
        return "0";
    }
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                   std::chars_format::general, 13);
    if (ec != std::errc{}) {
        return "0";
    }
    return std::string(buffer.data(), end);
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

double numberOf(std::string_view text) {
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
    std::string text = plainText(x);
    for (const auto& step : steps) {
        const double y = numberOf(text);
        if (inRange(y, step)) {
            text = fixedText(roundHalfEven(y, step.decimals), step.decimals);
        }
    }
    return text;
}

} // namespace

std::string graded(double x, Grade grade) {
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

} // namespace tarnelo::num
