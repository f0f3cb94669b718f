// Raw data files that are not in the program's own form (another encoding, other line ends, a
// header cut short, cells far too long): each is named for what it is before the window changes.
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "files/record_header.hpp"
#include "sheet/sheet.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace tarnelo {
namespace {

using testing::expectedBytes;

std::string utf8Of(const std::string& gbk) {
    return gbkToUtf8(gbk);
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    // The test texts hold only characters of the basic plane.
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = c;
        std::size_t n = 1;
        if (c >= 0xe0) {
            cp = ((c & 0x0fu) << 12) | ((utf8[i + 1] & 0x3fu) << 6) | (utf8[i + 2] & 0x3fu);
            n = 3;
        } else if (c >= 0xc0) {
            cp = ((c & 0x1fu) << 6) | (utf8[i + 1] & 0x3fu);
            n = 2;
        }
        const char hi = static_cast<char>(cp >> 8);
        const char lo = static_cast<char>(cp & 0xff);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        i += n;
    }
    return out;
}

class ForeignForms : public ::testing::Test {
  protected:
    ForeignForms() {
        layoutSheet(window);
        window.sheet().setCell(0, col::起点距, "typed before");
    }

    OpenResult open(const std::string& bytes) {
        EXPECT_TRUE(writeFileAtomic(folder.textData("m.dat"), bytes));
        return openRawDataFile(window, folder.textData("m.dat"));
    }

    bool untouched() const { return window.sheet().cell(0, col::起点距) == "typed before"; }

    testing::ProgramFolder folder;
    HeadlessWindow window{folder.path()};
    const std::string gbk = expectedBytes("vertical-12rows.dat");
};

TEST_F(ForeignForms, EveryEncodingAndLineEndIsNamedAndOpensOnlyWhenTheUserAgrees) {
    const std::string text = utf8Of(gbk);
    const std::string lf = replaceAll(gbk, "\r\n", "\n");
    const struct {
        const char* name;
        std::string bytes;
        const char* said;
    } cases[] = {
        {"UTF-8", text, "UTF-8 编码"},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text, "带 BOM 的 UTF-8"},
        {"UTF-16 LE", utf16(text, false), "UTF-16（小端）"},
        {"UTF-16 BE", utf16(text, true), "UTF-16（大端）"},
        {"LF only", lf, "行尾是 LF"},
        {"CR only", replaceAll(gbk, "\r\n", "\r"), "行尾是 CR"},
        {"UTF-8 and LF", utf8Of(lf), "且行尾是 LF"},
    };
    // The twelfth distance: the last value of the file's third line.
    const std::string thirdLine = [&] {
        std::string all = utf8Of(gbk);
        for (int line = 0; line < 2; ++line) {
            all = all.substr(all.find("\r\n") + 2);
        }
        return all.substr(0, all.find("\r\n"));
    }();
    const std::string lastDistance = thirdLine.substr(thirdLine.rfind(',') + 1);
    for (const auto& c : cases) {
        window.messages.clear();
        window.answerQuestion(false);
        OpenResult refused = open(c.bytes);
        EXPECT_EQ(refused.outcome, OpenOutcome::Refused) << c.name;
        EXPECT_NE(refused.message.find(c.said), std::string::npos) << c.name << refused.message;
        EXPECT_TRUE(untouched()) << c.name;

        window.answerQuestion(true);
        const OpenResult opened = open(c.bytes);
        EXPECT_EQ(opened.outcome, OpenOutcome::Opened) << c.name << opened.message;
        EXPECT_EQ(window.sheet().cell(11, col::起点距), lastDistance) << c.name;
        window.sheet().setCell(0, col::起点距, "typed before");
    }
}

TEST_F(ForeignForms, Utf8ThatGbkCannotHoldIsRefusedWithoutAQuestion) {
    const std::string text = utf8Of(gbk) + "😀";
    const OpenResult result = open(text);
    EXPECT_EQ(result.outcome, OpenOutcome::Refused);
    EXPECT_NE(result.message.find("无法转换"), std::string::npos);
    EXPECT_TRUE(untouched());
    ASSERT_EQ(window.messages.size(), 1u);
}

TEST_F(ForeignForms, AHeaderCutShortIsReported) {
    const std::size_t header = gbk.find("\r\n\r\n");
    ASSERT_NE(header, std::string::npos);
    const OpenResult result = open(gbk.substr(0, header + 4 + 20));
    EXPECT_EQ(result.outcome, OpenOutcome::Incomplete);
    EXPECT_NE(result.message.find("截断"), std::string::npos);
}

TEST_F(ForeignForms, CellsFarTooLongAreRefusedQuicklyWithTheCellNamed) {
    std::string longCell = gbk;
    const std::size_t secondLine = longCell.find("\r\n", longCell.find("\r\n") + 2) + 2;
    longCell.insert(secondLine, std::string(300, '7'));
    OpenResult result = open(longCell);
    EXPECT_EQ(result.outcome, OpenOutcome::Refused);
    EXPECT_NE(result.message.find("第 1 行“起点距”有 30"), std::string::npos) << result.message;
    EXPECT_TRUE(untouched());

    std::string huge = gbk;
    huge.insert(secondLine, std::string(std::size_t(60) << 20, '7'));
    const auto started = std::chrono::steady_clock::now();
    result = open(huge);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(result.outcome, OpenOutcome::Refused);
    EXPECT_TRUE(untouched());
}

} // namespace
} // namespace tarnelo
