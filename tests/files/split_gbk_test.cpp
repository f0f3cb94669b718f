#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "files/split.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tarnelo {
namespace {

using Pieces = std::vector<std::string>;

TEST(SplitText, EmptyPiecesBetweenSeparatorsAreKeptButNoEmptyLastPiece) {
    EXPECT_EQ(splitText("", ","), Pieces{});
    EXPECT_EQ(splitText(",", ","), Pieces{""});
    EXPECT_EQ(splitText("a,,b", ","), (Pieces{"a", "", "b"}));
    EXPECT_EQ(splitText("a,b,", ","), (Pieces{"a", "b"}));
    EXPECT_EQ(splitText(",a", ","), (Pieces{"", "a"}));
    EXPECT_EQ(splitText("*,*,*,", ","), (Pieces{"*", "*", "*"}));
    EXPECT_EQ(splitText("abc", ","), Pieces{"abc"});
}

TEST(SplitText, LargestNumberStopsScanningAndDropsTheRest) {
    EXPECT_EQ(splitText("a,b,c,d", ",", 2), (Pieces{"a", "b"}));
    EXPECT_EQ(splitText("a,b", ",", 2), (Pieces{"a", "b"}));
    EXPECT_EQ(splitText("a,b,", ",", 2), (Pieces{"a", "b"}));
    EXPECT_EQ(splitText("1,2,3,4,5,6,7,8", ",", 6), (Pieces{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(splitText("1,2,3,4,5,", ",", 6), (Pieces{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(splitText("a\r\n\r\nb\r\n\r\nc", "\r\n\r\n", 2), (Pieces{"a", "b"}));
    EXPECT_EQ(splitText("a\r\n\r\n", "\r\n\r\n", 2), Pieces{"a"});
}

TEST(SplitText, MultiByteSeparatorsAndCharactersNeverMatchInside) {
    EXPECT_EQ(splitText("流速仪原始数据,垂线模式", ",", 2), (Pieces{"流速仪原始数据", "垂线模式"}));
    EXPECT_EQ(splitText("x\r\ny\r\n", "\r\n"), (Pieces{"x", "y"}));
    EXPECT_EQ(splitText("\r\n\r\n", "\r\n"), (Pieces{"", ""}));
}

TEST(SplitValues, AnEmptyLastValueWrittenAsATrailingCommaComesBack) {
    EXPECT_EQ(splitValues("0.6,0.7,0.7,20,0.6793,", 6),
              (Pieces{"0.6", "0.7", "0.7", "20", "0.6793", ""}));
    EXPECT_EQ(splitValues(",,,,,", 6), (Pieces{"", "", "", "", "", ""}));
    EXPECT_EQ(splitValues("0.6,0.7", 3), (Pieces{"0.6", "0.7"}));
    EXPECT_EQ(splitValues("a,b,c,d", 3), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(splitValues("", 3), Pieces{});
}

TEST(Gbk, RoundTripsChineseAndAscii) {
    const std::string text = "流速仪原始数据,垂线模式\r\n测站名称：清溪河 (No.1) ±0.5";
    const auto gbk = utf8ToGbk(text);
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->substr(0, 14), "\xC1\xF7\xCB\xD9\xD2\xC7\xD4\xAD\xCA\xBC\xCA\xFD\xBE\xDD");
    EXPECT_EQ(gbkToUtf8(*gbk), text);
    EXPECT_EQ(*utf8ToGbk("流速仪系数"), "\xC1\xF7\xCB\xD9\xD2\xC7\xCF\xB5\xCA\xFD");
}

TEST(Gbk, CharactersOutsideGbkAreRefusedAndNamed) {
    EXPECT_FALSE(utf8ToGbk("水位 🌊"));
    EXPECT_FALSE(utf8ToGbk("\xEF\xBF\xBD"));
    EXPECT_FALSE(utf8ToGbk("\xFF broken"));
    EXPECT_EQ(firstCharacterOutsideGbk("水位 🌊 高"), "🌊");
    EXPECT_EQ(firstCharacterOutsideGbk("水位"), "");
}

TEST(Gbk, DamagedBytesBecomeReplacementCharactersAndTheRestDecodes) {
    const std::string replacement = "\xEF\xBF\xBD";
    // A lone lead byte before a comma, a byte that starts nothing, a cut-off last character.
    EXPECT_EQ(gbkToUtf8("\x81,\xC1\xF7"), replacement + ",流");
    EXPECT_EQ(gbkToUtf8("a\xFF"
                        "b"),
              "a" + replacement + "b");
    EXPECT_EQ(gbkToUtf8("\xC1\xF7\xCB"), "流" + replacement);
    EXPECT_EQ(gbkToUtf8(std::string("\0x", 2)), std::string("\0x", 2));
}

TEST(AtomicWrite, ReplacesTheWholeContentAndLeavesNoTemporaryFile) {
    testing::ProgramFolder folder;
    const auto file = folder.path() / "Data" / "x.dat";
    ASSERT_TRUE(writeFileAtomic(file, "a much longer first content"));
    ASSERT_TRUE(writeFileAtomic(file, "short"));
    EXPECT_EQ(testing::bytesOf(file), "short");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(folder.path() / "Data")) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicWrite, KeepsThePermissionsOfTheReplacedFile) {
    testing::ProgramFolder folder;
    const auto file = folder.path() / "Data" / "x.dat";
    ASSERT_TRUE(writeFileAtomic(file, "one"));
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomic(file, "two"));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicWrite, AFailedWriteReportsFailureAndKeepsTheOldFile) {
    testing::ProgramFolder folder;
    EXPECT_FALSE(writeFileAtomic(folder.path() / "missing folder" / "x.dat", "x"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing folder"));
    // The target is a folder: nothing may replace it.
    EXPECT_FALSE(writeFileAtomic(folder.path() / "Data", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "Data"));
}

TEST(AtomicWrite, WritesThroughASymbolicLink) {
    testing::ProgramFolder folder;
    const auto target = folder.path() / "Data" / "target.dat";
    const auto link = folder.path() / "Text data" / "link.dat";
    ASSERT_TRUE(writeFileAtomic(target, "old"));
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(writeFileAtomic(link, "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::bytesOf(target), "new");
}

TEST(ReadFile, MissingFoldersAndOversizedFilesAreNotRead) {
    testing::ProgramFolder folder;
    EXPECT_FALSE(readFileBytes(folder.path() / "nothing.dat"));
    EXPECT_FALSE(readFileBytes(folder.path() / "Data"));
    ASSERT_TRUE(writeFileAtomic(folder.path() / "big.dat", std::string(100, 'x')));
    EXPECT_FALSE(readFileBytes(folder.path() / "big.dat", 99));
    EXPECT_EQ(readFileBytes(folder.path() / "big.dat", 100)->size(), 100u);
}

} // namespace
} // namespace tarnelo
