// Message boxes show a readable part of a long message; the cut never splits a character.
#include "window/window.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

TEST(ReadableMessage, ShortMessagesStayWholeAndLongOnesAreCutOnACharacter) {
    EXPECT_EQ(readableMessage("文件不完整。"), "文件不完整。");
    const std::string exact(600, 'x');
    EXPECT_EQ(readableMessage(exact), exact);

    std::string chinese;
    for (int i = 0; i < 700; ++i) {
        chinese += "值";
    }
    const std::string cut = readableMessage(chinese);
    EXPECT_EQ(cut, chinese.substr(0, 600 * 3) + "…");

    // A 60 MB value quoted in a message gives a box of a few hundred characters.
    const std::string huge = "单元格的内容：" + std::string(std::size_t(60) << 20, '7');
    EXPECT_LE(readableMessage(huge).size(), 600u * 3 + 3);
}

TEST(ReadableMessage, TooManyLinesAreCutAtALineEnd) {
    std::string lines;
    for (int i = 1; i <= 30; ++i) {
        lines += "第 " + std::to_string(i) + " 行\n";
    }
    const std::string cut = readableMessage(lines);
    EXPECT_NE(cut.find("第 20 行"), std::string::npos);
    EXPECT_EQ(cut.find("第 21 行"), std::string::npos);
    EXPECT_TRUE(cut.ends_with("第 20 行…"));
}

} // namespace
} // namespace tarnelo
