#include "app/file_commands.hpp"
#include "support/headless_window.hpp"
#include "files/coefficient_file.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "support/program_folder.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

using testing::bytesOf;

std::vector<std::string> fields(const Window& window) {
    std::vector<std::string> texts;
    for (const auto& [field, name, label] : kCoefficientFields) {
        texts.push_back(window.text(field));
    }
    return texts;
}

const std::vector<std::string> kDefaults{"0.6", "0.7", "0.7", "20", "0.6793", "0.0033"};

class CoefficientFile : public ::testing::Test {
  protected:
    void writeFile(std::string_view utf8) {
        ASSERT_TRUE(writeFileAtomic(paths::coefficientFile(folder.path()), *utf8ToGbk(utf8)));
    }
    testing::ProgramFolder folder;
    HeadlessWindow window{folder.path()};
};

TEST_F(CoefficientFile, DefaultFieldsSaveAsTheExpectedBytesInEitherMode) {
    window.setSelected(ctl::测速模式, true);
    saveCoefficientFile(window);
    EXPECT_EQ(bytesOf(paths::coefficientFile(folder.path())),
              testing::expectedBytes("coefficient-default.dat"));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(CoefficientFile, SavedValuesComeBackInANewWindow) {
    window.setText(ctl::水面系数编辑框, "0.85");
    window.setText(ctl::计算公式编辑框01, "0.2501");
    saveCoefficientFile(window);
    HeadlessWindow next(folder.path());
    loadCoefficientFile(next);
    EXPECT_EQ(fields(next),
              (std::vector<std::string>{"0.85", "0.7", "0.7", "20", "0.2501", "0.0033"}));
    EXPECT_TRUE(next.messages.empty());
}

TEST_F(CoefficientFile, MissingOrForeignFilesKeepTheDefaultsSilently) {
    loadCoefficientFile(window);
    EXPECT_EQ(fields(window), kDefaults);
    writeFile("流速仪原始数据,垂线模式\r\n1,2,3,4,5,6");
    loadCoefficientFile(window);
    EXPECT_EQ(fields(window), kDefaults);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(CoefficientFile, MoreThanSixValuesFillTheSixFieldsAndDropTheRest) {
    writeFile("流速仪系数\r\n1,2,3,4,5,6,7,8");
    loadCoefficientFile(window);
    EXPECT_EQ(fields(window), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_TRUE(window.messages.empty());
    // Line 2 ends only at the next CR LF; a lone line feed belongs to the value.
    HeadlessWindow next(folder.path());
    writeFile("流速仪系数\r\n1,2,3,4,5,6\n7\r\n8");
    loadCoefficientFile(next);
    EXPECT_EQ(next.text(ctl::计算公式编辑框02), "6\n7");
}

TEST_F(CoefficientFile, AnEmptyLastFieldSavedByTheProgramComesBackEmpty) {
    window.setText(ctl::计算公式编辑框02, "");
    saveCoefficientFile(window);
    HeadlessWindow next(folder.path());
    loadCoefficientFile(next);
    EXPECT_EQ(next.text(ctl::计算公式编辑框02), "");
    EXPECT_EQ(next.text(ctl::计算公式编辑框01), "0.6793");
    EXPECT_TRUE(next.messages.empty());

    for (const auto& [field, name, label] : kCoefficientFields) {
        window.setText(field, "");
    }
    saveCoefficientFile(window);
    HeadlessWindow empty(folder.path());
    loadCoefficientFile(empty);
    EXPECT_EQ(fields(empty), std::vector<std::string>(6, ""));
    EXPECT_TRUE(empty.messages.empty());
}

TEST_F(CoefficientFile, ShortFilesFillWhatTheyHoldAndSaySoWithoutFailing) {
    writeFile("流速仪系数\r\n0.9,0.8");
    loadCoefficientFile(window);
    EXPECT_EQ(fields(window),
              (std::vector<std::string>{"0.9", "0.8", "0.7", "20", "0.6793", "0.0033"}));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "提示：");
    EXPECT_NE(window.messages[0].text.find("右岸岸边系数"), std::string::npos);

    writeFile("流速仪系数");
    HeadlessWindow bare(folder.path());
    loadCoefficientFile(bare);
    EXPECT_EQ(fields(bare), kDefaults);
    EXPECT_EQ(bare.messages.size(), 1u);
}

TEST_F(CoefficientFile, UnsavableFieldsAreRefusedByNameAndTheOldFileStays) {
    saveCoefficientFile(window);
    window.setText(ctl::信号转数编辑框, "2,0");
    saveCoefficientFile(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("信号转数"), std::string::npos);
    window.setText(ctl::信号转数编辑框, "20");
    window.setText(ctl::水面系数编辑框, "0.6🙂");
    saveCoefficientFile(window);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_NE(window.messages[1].text.find("水面系数"), std::string::npos);
    EXPECT_EQ(bytesOf(paths::coefficientFile(folder.path())),
              testing::expectedBytes("coefficient-default.dat"));
}

TEST_F(CoefficientFile, AMissingDataFolderIsNotCreatedAndTheUserIsTold) {
    std::filesystem::remove(folder.path() / "Data");
    saveCoefficientFile(window);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Data"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("Data"), std::string::npos);
}

} // namespace
} // namespace tarnelo
