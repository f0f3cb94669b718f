#include "measure/numtext.hpp"

#include <gtest/gtest.h>

#include <vector>

#include <random>

#include <cstring>

#include <charconv>

#include <array>

#include <clocale>
#include <cmath>
#include <string>

namespace tarnelo::num {
namespace {

TEST(PlainText, ThirteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(plainText(300), "300");
    EXPECT_EQ(plainText(0.6), "0.6");
    EXPECT_EQ(plainText(1.70155), "1.70155");
    EXPECT_EQ(plainText(0.1 + 0.2), "0.3"); // noise below 13 digits never shows
    EXPECT_EQ(plainText(2.0 / 3.0), "0.6666666666667");
    EXPECT_EQ(plainText(-12.5), "-12.5");
    EXPECT_EQ(plainText(-0.0), "0");
    EXPECT_EQ(plainText(1e20), "1e+20");
}

// plainText writes everyday magnitudes from integer arithmetic: it must give the library's
// %.13g on every kind of value the computation meets, ties and carries included.
TEST(PlainText, AgreesWithTheLibrarysGeneralWriterEverywhere) {
    const auto reference = [](double x) {
        if (x == 0.0) {
            return std::string("0");
        }
        std::array<char, 64> buffer{};
        const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                             std::chars_format::general, 13);
        return std::string(buffer.data(), end);
    };
    std::mt19937_64 random(748);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> values{0.5,
                               1.0,
                               9999999999999.5,
                               1234567890123.5,
                               0.1 + 0.2,
                               1e-5,
                               9.9999999999995e-5,
                               0.00001,
                               99999.99999999995,
                               1e13,
                               9999999999999.4,
                               0.72,
                               1.2 * 0.6,
                               2.675,
                               1e-4,
                               1.5e-5};
    for (int i = 0; i < 300000; ++i) {
        // Decimals as typed and their products, sums and quotients; random magnitudes; raw bits.
        const double a = std::round(unit(random) * 100000) / 1000;
        const double b = std::round(unit(random) * 10000) / 100;
        values.push_back(a);
        values.push_back(a * b);
        values.push_back(a + b);
        values.push_back(b == 0 ? a : a / b);
        values.push_back(-a * 0.6793 / (b + 1) + 0.0033);
        values.push_back(std::pow(10.0, unit(random) * 24 - 8) * (unit(random) < 0.5 ? -1 : 1));
        std::uint64_t bits = random();
        double raw = 0;
        std::memcpy(&raw, &bits, sizeof raw);
        if (std::isfinite(raw)) {
            values.push_back(raw);
        }
        // Ties at the thirteenth digit: a 13-digit integer and a half, scaled by powers of two.
        const double tie = std::floor(unit(random) * 9e12 + 1e12) + 0.5;
        values.push_back(tie);
        values.push_back(std::ldexp(tie, -static_cast<int>(random() % 40)));
    }
    for (const double x : values) {
        ASSERT_EQ(plainText(x), reference(x)) << std::hexfloat << x;
        const double back = thirteenDigitValue(x);
        const double read = numberOf(reference(x));
        ASSERT_EQ(std::memcmp(&back, &read, sizeof back), 0) << std::hexfloat << x;
    }
}

// numberOf reads short decimal texts itself: the same double as the library's reader.
TEST(NumberOf, ShortDecimalsReadAsTheLibraryReadsThem) {
    std::mt19937_64 random(179);
    for (int i = 0; i < 300000; ++i) {
        std::string text = std::to_string(random() % 10000000000000000ULL);
        text.resize(1 + random() % text.size());
        if (random() % 4 != 0) {
            text.insert(random() % (text.size() + 1), ".");
        }
        if (random() % 5 == 0) {
            text.insert(0, "-");
        }
        double expected = 0;
        const char* first = text.data() + (text[0] == '-' ? 1 : 0);
        std::from_chars(first, text.data() + text.size(), expected);
        expected = text[0] == '-' ? -expected : expected;
        if (text == "." || text == "-.") {
            expected = 0;
        }
        const double read = numberOf(text);
        ASSERT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text;
    }
}

TEST(CodeText, EightUpperCaseHexDigits) {
    EXPECT_EQ(codeText(0), "0x00000000");
    EXPECT_EQ(codeText(0x80020006UL), "0x80020006");
    EXPECT_EQ(codeText(0x800a01c9UL), "0x800A01C9");
}

TEST(NumberOf, TakesTheLongestLeadingDecimalNumber) {
    EXPECT_EQ(numberOf("1.5"), 1.5);
    EXPECT_EQ(numberOf("  1.5abc"), 1.5);
    EXPECT_EQ(numberOf("+2"), 2);
    EXPECT_EQ(numberOf("-.5"), -0.5);
    EXPECT_EQ(numberOf("5."), 5);
    EXPECT_EQ(numberOf("1e3"), 1000);
    EXPECT_EQ(numberOf("2.5E-1m"), 0.25);
    EXPECT_EQ(numberOf("1e"), 1);
    EXPECT_EQ(numberOf("1e+"), 1);
    EXPECT_EQ(numberOf("1,5"), 1);
    EXPECT_EQ(numberOf("0.7/0.95"), 0.7);
}

TEST(NumberOf, NonNumbersReadAsZero) {
    for (const char* text :
         {"", " ", "abc", ".", "-", "+.", "inf", "INF", "nan", "NaN", "infinity", "水边", "e5"}) {
        EXPECT_EQ(numberOf(text), 0.0) << text;
    }
    EXPECT_EQ(numberOf("0x1A"), 0.0); // hex is not a number: only its leading 0 is read
}

TEST(NumberOf, OutOfRangeTextsReadAsInfinityOrZero) {
    EXPECT_EQ(numberOf("1e400"), INFINITY);
    EXPECT_EQ(numberOf("-1e400"), -INFINITY);
    EXPECT_EQ(numberOf("1e99999999999999999999"), INFINITY);
    EXPECT_EQ(numberOf("1e-400"), 0.0);
    EXPECT_EQ(numberOf("0.00001e-400"), 0.0);
    EXPECT_EQ(numberOf(std::string(400, '9')), INFINITY);
}

TEST(Rounding, HalfAwayFromZero) {
    EXPECT_EQ(roundHalfAway(2.5, 0), 3);
    EXPECT_EQ(roundHalfAway(-2.5, 0), -3);
    EXPECT_EQ(roundHalfAway(1.005, 2), 1.01); // the 1e-12 nudge lifts the binary 1.00499..
    EXPECT_EQ(roundHalfAway(1.234, 2), 1.23);
    EXPECT_EQ(std::signbit(roundHalfAway(-0.0001, 2)), false);
}

TEST(Rounding, HalfEvenRecognisesDecimalTies) {
    EXPECT_EQ(roundHalfEven(0.125, 2), 0.12);
    EXPECT_EQ(roundHalfEven(0.135, 2), 0.14); // 13.5 is not exact in binary, still a tie
    EXPECT_EQ(roundHalfEven(1.225, 2), 1.22);
    EXPECT_EQ(roundHalfEven(5.775, 2), 5.78);
    EXPECT_EQ(roundHalfEven(0.0005, 3), 0.0);
    EXPECT_EQ(roundHalfEven(2.5, 0), 2);
    EXPECT_EQ(roundHalfEven(3.5, 0), 4);
    EXPECT_EQ(roundHalfEven(0.1251, 2), 0.13); // not a tie
    EXPECT_EQ(roundHalfEven(1234567890.1235, 3), 1234567890.124);
}

TEST(Rounding, NegativeValuesMirrorPositiveOnes) {
    EXPECT_EQ(roundHalfEven(-0.125, 2), -0.12);
    EXPECT_EQ(roundHalfEven(-0.135, 2), -0.14);
    EXPECT_EQ(roundHalfEven(-0.1251, 2), -0.13);
    EXPECT_FALSE(std::signbit(roundHalfEven(-0.0004, 3)));
}

TEST(FixedText, PadsToExactlyNDecimals) {
    EXPECT_EQ(fixedText(3, 2), "3.00");
    EXPECT_EQ(fixedText(12.5, 2), "12.50");
    EXPECT_EQ(fixedText(0.6, 1), "0.6");
    EXPECT_EQ(fixedText(2.5, 0), "3");
    EXPECT_EQ(fixedText(125, 0), "125");
    EXPECT_EQ(fixedText(-0.0001, 3), "0.000");
    EXPECT_EQ(fixedText(1e20, 2), "100000000000000000000.00");
}

struct GradedCase {
    double value;
    Grade grade;
    const char* text;
};

TEST(Graded, EveryGradeAndItsThresholds) {
    const GradedCase cases[] = {
        // velocity
        {0.125, Grade::Velocity, "0.12"},
        {0.135, Grade::Velocity, "0.14"},
        {0.0994, Grade::Velocity, "0.099"},
        {0.0996, Grade::Velocity, "0.10"}, // lifted over 0.1, rounded again
        {0.5, Grade::Velocity, "0.50"},
        {1.70155, Grade::Velocity, "1.70"},
        {9.996, Grade::Velocity, "10.0"},
        {12.34, Grade::Velocity, "12.3"},
        {99.96, Grade::Velocity, "100.0"}, // the last step is 10 <= y < 100: nothing after it
        {123.456, Grade::Velocity, "123.456"},
        {0.388195, Grade::Velocity, "0.39"},
        // depth
        {0.75, Grade::Depth, "0.75"},
        {5.25, Grade::Depth, "5.2"},
        {5.35, Grade::Depth, "5.4"},
        {4.996, Grade::Depth, "5.0"},
        {1.125, Grade::Depth, "1.12"},
        // distance
        {99.96, Grade::Distance, "100"},
        {5, Grade::Distance, "5.0"},
        {100.5, Grade::Distance, "100"},
        {101.5, Grade::Distance, "102"},
        // area
        {9.995, Grade::Area, "10.0"},
        {100, Grade::Area, "100"},
        {3, Grade::Area, "3.00"},
        {22.5, Grade::Area, "22.5"},
        // discharge
        {0.0005, Grade::Discharge, "0.000"},
        {5.775, Grade::Discharge, "5.78"},
        {12.075, Grade::Discharge, "12.1"},
        {37.355, Grade::Discharge, "37.4"},
        {1234.5, Grade::Discharge, "1234"},
        // zero takes the first step of every grade
        {0, Grade::Velocity, "0.000"},
        {0, Grade::Depth, "0.00"},
        {0, Grade::Distance, "0.0"},
        {0, Grade::Area, "0.00"},
        {0, Grade::Discharge, "0.000"},
        // negatives never come out as "-0..."
        {-0.0001, Grade::Velocity, "0.000"},
        {-0.1245, Grade::Velocity, "-0.12"}, // graded by its magnitude, as 0.1245 is
    };
    for (const auto& c : cases) {
        EXPECT_EQ(graded(c.value, c.grade), c.text)
            << c.value << " grade " << static_cast<int>(c.grade);
    }
}

// A reverse-flow vertical and its partials are graded by their magnitude, exactly as the same
// values downstream would be, ties to even by magnitude; only the sign differs.
TEST(Graded, NegativeValuesTakeTheStepsOfTheirMagnitude) {
    const GradedCase cases[] = {
        {-0.158, Grade::Velocity, "-0.16"},   {-0.0994, Grade::Velocity, "-0.099"},
        {-0.125, Grade::Velocity, "-0.12"},   {-18.202, Grade::Discharge, "-18.2"},
        {-0.0005, Grade::Discharge, "0.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(graded(c.value, c.grade), c.text) << c.value;
    }
}

// A Qt program takes LC_NUMERIC from the environment; a comma-decimal locale must not leak
// into the texts the program writes or reads.
TEST(NumberTexts, IgnoreACommaDecimalLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* locale = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (locale == nullptr) {
        locale = std::setlocale(LC_ALL, "fr_FR.UTF-8");
    }
    if (locale == nullptr) {
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    EXPECT_EQ(plainText(0.6), "0.6");
    EXPECT_EQ(numberOf("0.6"), 0.6);
    EXPECT_EQ(numberOf("0,6"), 0.0);
    EXPECT_EQ(fixedText(12.5, 2), "12.50");
    EXPECT_EQ(graded(1.70155, Grade::Velocity), "1.70");
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace tarnelo::num
