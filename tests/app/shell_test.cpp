#include "app/shell.hpp"
#include "compute/compute.hpp"
#include "files/record_header.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tarnelo {
namespace {

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() /
            ("tarnelo-shell-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "Data");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string slurp(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path folder;
};

TEST_F(ShellTest, CreationStepLaysOutLoadsCoefficientsAndBlanksTheHeader) {
    std::ofstream(folder / "Data" / "coefficient.dat", std::ios::binary)
        << "\xC1\xF7\xCB\xD9\xD2\xC7\xCF\xB5\xCA\xFD\r\n0.7,0.8,0.6,40,0.25,0.01";
    // A header file an older version left in Data is no working state: neither read nor changed.
    std::ofstream(folder / "Data" / "snap.dat", std::ios::binary) << "A,B\r\n*\r\n*\r\n*";
    HeadlessWindow window(folder);
    window.setRecordHeader("A,B\r\n*\r\n*\r\n*");
    creationStep(window);
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.7");
    EXPECT_EQ(window.text(ctl::计算公式编辑框02), "0.01");
    EXPECT_EQ(window.recordHeader(), kDefaultRecordHeader);
    EXPECT_EQ(slurp(folder / "Data" / "snap.dat"), "A,B\r\n*\r\n*\r\n*");
    EXPECT_TRUE(window.sheet().isReadOnly(0));
    EXPECT_FALSE(window.sheet().isReadOnly(5));
    EXPECT_TRUE(window.sheet().isReadOnly(8));
    EXPECT_EQ(window.textColour(ctl::标签7), kRed);
    EXPECT_EQ(window.textColour(ctl::标签13), kBlack);
}

TEST_F(ShellTest, CreationStepWithoutCoefficientFileKeepsTemplateTexts) {
    HeadlessWindow window(folder);
    creationStep(window);
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.6");
    EXPECT_EQ(window.text(ctl::计算公式编辑框01), "0.6793");
    EXPECT_EQ(window.recordHeader(), kDefaultRecordHeader);
    EXPECT_FALSE(std::filesystem::exists(folder / "Data" / "snap.dat"));
}

TEST_F(ShellTest, ModeSwitchOnlyLaysOutAndKeepsEveryCellAndResult) {
    HeadlessWindow window(folder);
    creationStep(window);
    window.sheet().setCell(1, 5, "10");
    window.sheet().setCell(1, 10, "1.36");
    window.setText(ctl::断面流量, "37.4");
    window.setSelected(ctl::测速模式, true);
    modeSwitchCommand(window);
    EXPECT_TRUE(window.sheet().isReadOnly(5));
    EXPECT_FALSE(window.sheet().isReadOnly(8));
    EXPECT_EQ(window.textColour(ctl::标签13), kRed);
    EXPECT_EQ(window.sheet().cell(1, 5), "10");
    EXPECT_EQ(window.sheet().cell(1, 10), "1.36");
    EXPECT_EQ(window.text(ctl::断面流量), "37.4");
    window.setSelected(ctl::垂线模式, true);
    modeSwitchCommand(window);
    EXPECT_FALSE(window.sheet().isReadOnly(5));
}

TEST_F(ShellTest, MenuMessagesAndTheGuide) {
    HeadlessWindow window(folder);
    donationCommand(window);
    statementCommand(window);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[0].title, "请您捐助：");
    EXPECT_EQ(window.messages[0].text.rfind("    感谢您使用本软件，", 0), 0u);
    const auto blank = window.messages[0].text.find("谢谢！\n\n");
    ASSERT_NE(blank, std::string::npos);
    EXPECT_GT(window.messages[0].text.size(), blank + std::string("谢谢！\n\n").size());
    EXPECT_EQ(window.messages[1].title, "声明：");

    // No guide beside the program: a message, no browser.
    guideCommand(window);
    EXPECT_TRUE(window.openedUrls.empty());
    ASSERT_EQ(window.messages.size(), 3u);
    EXPECT_EQ(window.messages[2].title, "提示：");
    std::ofstream(folder / "guide.html") << "<html></html>";
    guideCommand(window);
    ASSERT_EQ(window.openedUrls.size(), 1u);
    EXPECT_EQ(std::filesystem::path(window.openedUrls[0]), folder / "guide.html");
}

TEST_F(ShellTest, RecordHeaderButtonOpensTheDialog) {
    HeadlessWindow window(folder);
    int opened = 0;
    window.recordHeaderDialog = [&opened](Window&) { ++opened; };
    recordHeaderCommand(window);
    EXPECT_EQ(opened, 1);
}

TEST_F(ShellTest, OnlyTypedInputOfTheModeCountsAsUnsaved) {
    HeadlessWindow window(folder);
    creationStep(window);
    const InputSnapshot start = takeInputSnapshot(window);
    EXPECT_FALSE(inputDiffers(window, start));

    // Computed columns, results and empty rows added by Enter are no input.
    window.sheet().setCell(2, 10, "1.5");
    window.setText(ctl::断面流量, "3");
    window.sheet().appendRow();
    EXPECT_FALSE(inputDiffers(window, start));

    window.sheet().setCell(20, 1, "80");
    EXPECT_TRUE(inputDiffers(window, start));
    window.sheet().setCell(20, 1, "");
    EXPECT_FALSE(inputDiffers(window, start));

    // The point velocity is typed only in the velocity-measurement mode.
    window.sheet().setCell(3, 8, "0.5");
    EXPECT_FALSE(inputDiffers(window, start));
    window.setSelected(ctl::测速模式, true);
    EXPECT_TRUE(inputDiffers(window, start));
    const InputSnapshot velocity = takeInputSnapshot(window);
    window.sheet().setCell(3, 5, "12");
    EXPECT_FALSE(inputDiffers(window, velocity));
    window.sheet().setCell(3, 8, "0.6");
    EXPECT_TRUE(inputDiffers(window, velocity));

    HeadlessWindow other(folder);
    const InputSnapshot fresh = takeInputSnapshot(other);
    other.setText(ctl::岸边系数编辑框02, "0.8");
    EXPECT_TRUE(inputDiffers(other, fresh));
}

TEST_F(ShellTest, QuitAsksOnlyWhenInputWouldBeLost) {
    HeadlessWindow window(folder);
    const InputSnapshot start = takeInputSnapshot(window);
    EXPECT_TRUE(confirmQuit(window, start));
    EXPECT_TRUE(window.messages.empty());
    window.sheet().setCell(0, 2, "0");
    window.answerQuestion(false);
    EXPECT_FALSE(confirmQuit(window, start));
    window.answerQuestion(true);
    EXPECT_TRUE(confirmQuit(window, start));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[0].title, "提示：");
}

TEST_F(ShellTest, AnEditedRecordHeaderIsUnsavedInputButDoesNotOutdateResults) {
    HeadlessWindow window(folder);
    creationStep(window);
    const InputSnapshot start = takeInputSnapshot(window);
    EXPECT_FALSE(inputUnsaved(window, start));
    std::array<std::string, 39> values;
    values[0] = "黄河口站";
    window.setRecordHeader(recordHeaderBytes(values).value());
    EXPECT_TRUE(inputUnsaved(window, start));
    // The same fields in another shape are the same header.
    window.setRecordHeader("*,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*\r\n"
                           "*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*");
    EXPECT_FALSE(inputUnsaved(window, start));
    window.setRecordHeader(recordHeaderBytes(values).value());
    // Figures do not depend on the header.
    EXPECT_FALSE(inputDiffers(window, start));
    window.answerQuestion(false);
    EXPECT_FALSE(confirmQuit(window, start));
    window.answerQuestion(false);
    EXPECT_FALSE(confirmDiscard(window, start));
    // Taken again (after 保存 or 打开), the header is no longer unsaved.
    EXPECT_FALSE(inputUnsaved(window, takeInputSnapshot(window)));
}

} // namespace
} // namespace tarnelo
