#include "app/proposed_names.hpp"
#include "app/shell.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "sheet/sheet.hpp"
#include "support/headless_window.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

RecordHeader headerWith(std::string_view station, std::string_view when, std::string_view number) {
    std::array<std::string, 39> values{};
    values[0] = station;
    values[1] = when;
    values[38] = number;
    return parseRecordHeader(utf8ToGbk(recordHeaderText(values)).value());
}

TEST(ProposedFileName, StationWithNumberOrDate) {
    EXPECT_EQ(proposedFileName(headerWith("黄河口站", "2023年7月1日8时30分", "15"), "xlsx"),
              "黄河口站_15.xlsx");
    EXPECT_EQ(proposedFileName(headerWith("黄河口站", "2023年7月1日8时30分", ""), "dat"),
              "黄河口站_2023年7月1日.dat");
    EXPECT_EQ(proposedFileName(headerWith("黄河口站", "", ""), "dat"), "黄河口站.dat");
    // No station: the dialog proposes nothing of its own.
    EXPECT_EQ(proposedFileName(headerWith("", "2023年7月1日", "15"), "dat"), "");
    EXPECT_EQ(proposedFileName(parseRecordHeader(kDefaultRecordHeader), "dat"), "");
    // Characters no file name may hold are left out; so are names of spaces and dots only.
    EXPECT_EQ(proposedFileName(headerWith(" 甲/乙:站* ", "7/1", "第3?次"), "dat"),
              "甲乙站_第3次.dat");
    EXPECT_EQ(proposedFileName(headerWith(" .. ", "", "1"), "dat"), "");
}

TEST(ProposedFolder, NeverOneOfExamples) {
    EXPECT_TRUE(inExamplesFolder("/src/tarnelo/examples"));
    EXPECT_TRUE(inExamplesFolder("/usr/share/tarnelo/examples/station-year"));
    EXPECT_TRUE(inExamplesFolder(paths::fromUtf8("D:/Tarnelo/Examples/年")));
    EXPECT_TRUE(inExamplesFolder("/src/tarnelo/examples/"));
    EXPECT_FALSE(inExamplesFolder("/home/u/Text data"));
    EXPECT_FALSE(inExamplesFolder("/home/u/my-examples"));
    EXPECT_FALSE(inExamplesFolder("/home/u/examples.old"));
}

TEST(ProposedFileName, AFreshNameIsNoFileOfTheFolder) {
    const std::filesystem::path folder = ::testing::TempDir() + "fresh-names";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    EXPECT_EQ(freshFileName(folder, "dat"), "新测次.dat");
    writeFileAtomic(folder / paths::fromUtf8("新测次.dat"), "x");
    writeFileAtomic(folder / paths::fromUtf8("新测次 2.dat"), "x");
    EXPECT_EQ(freshFileName(folder, "dat"), "新测次 3.dat");
    std::filesystem::remove_all(folder);
}

TEST(DoneStatus, SaysWhereTheFormWent) {
    EXPECT_EQ(exportDoneStatus(paths::fromUtf8("/home/u/excel/黄河口站_15.xlsx")),
              "记载表已导出：/home/u/excel/黄河口站_15.xlsx");
    EXPECT_EQ(printDoneStatus("PDF", true), "记载表已送往打印机 PDF（共 2 页）");
    EXPECT_EQ(printDoneStatus("", false), "记载表已送往打印机（共 1 页）");
}

TEST(ConfirmDiscard, AsksOnlyWithUnsavedInput) {
    HeadlessWindow window("/nonexistent");
    const InputSnapshot start = takeInputSnapshot(window);
    EXPECT_TRUE(confirmDiscard(window, start));
    EXPECT_TRUE(window.messages.empty());
    // Rows inserted in the middle move typed cells: that is unsaved input.
    window.sheet().setCell(3, col::起点距, "15");
    const InputSnapshot saved = takeInputSnapshot(window);
    window.sheet().insertRow(1);
    window.answerQuestion(false);
    EXPECT_FALSE(confirmDiscard(window, saved));
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "当前的测量数据还没有保存，是否继续？");
    EXPECT_EQ(window.messages[0].title, "提示：");
    window.sheet().removeRow(1);
    EXPECT_TRUE(confirmDiscard(window, saved));
    window.answerQuestion(true);
    window.sheet().setCell(0, col::水深, "0");
    EXPECT_TRUE(confirmDiscard(window, saved));
    EXPECT_EQ(window.messages.size(), 2U);
}

} // namespace
} // namespace tarnelo
