// Console output on both systems: a line is never cut inside a UTF-8 character.
#include "platform/system/console.hpp"

#include <gtest/gtest.h>

namespace tarnelo::sys {
namespace {

TEST(Console, WholeUtf8LengthKeepsACutCharacterBack) {
    EXPECT_EQ(wholeUtf8Length(""), 0u);
    EXPECT_EQ(wholeUtf8Length("Q = 626 m³/s\n"), std::string_view("Q = 626 m³/s\n").size());
    const std::string text = "测站"; // two characters of three bytes
    EXPECT_EQ(wholeUtf8Length(text), 6u);
    EXPECT_EQ(wholeUtf8Length(text.substr(0, 5)), 3u); // the second cut after two bytes
    EXPECT_EQ(wholeUtf8Length(text.substr(0, 4)), 3u); // and after one
    const std::string four = "a\xF0\x9F\x8C\x8A";      // a character of four bytes
    EXPECT_EQ(wholeUtf8Length(four), 5u);
    EXPECT_EQ(wholeUtf8Length(four.substr(0, 4)), 1u);
    EXPECT_EQ(wholeUtf8Length(four.substr(0, 2)), 1u);
    EXPECT_EQ(wholeUtf8Length("m\xC2"), 1u); // a two-byte character cut after its lead byte
}

} // namespace
} // namespace tarnelo::sys
