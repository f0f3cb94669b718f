#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

using testing::bytesOf;
using testing::expectedBytes;

class RawDataFile : public ::testing::Test {
  protected:
    RawDataFile() { layoutSheet(window); }

    void type(int row, std::initializer_list<std::pair<int, const char*>> cells) {
        for (const auto& [column, text] : cells) {
            window.sheet().setCell(row, column, text);
        }
    }

    std::string save(const std::string& name) {
        window.answerFileDialog(ctl::通用对话框保存, folder.textData(name));
        saveCommand(window);
        return bytesOf(folder.textData(name));
    }

    // Copies expected test data into Text data and opens it into window w.
    void openData(HeadlessWindow& w, const std::string& name) {
        ASSERT_TRUE(writeFileAtomic(folder.textData(name), expectedBytes(name)));
        w.answerFileDialog(ctl::通用对话框打开, folder.textData(name));
        openCommand(w);
    }

    void openBytes(HeadlessWindow& w, std::string_view utf8) {
        ASSERT_TRUE(writeFileAtomic(folder.textData("damaged.dat"), *utf8ToGbk(utf8)));
        w.answerFileDialog(ctl::通用对话框打开, folder.textData("damaged.dat"));
        openCommand(w);
    }

    static void expectEmptyRows(const Sheet& sheet, int from) {
        for (int r = from; r < sheet.rowCount(); ++r) {
            for (int c = 0; c < Sheet::kColumns; ++c) {
                EXPECT_EQ(sheet.cell(r, c), "") << r << "," << c;
            }
        }
    }

    testing::ProgramFolder folder;
    HeadlessWindow window{folder.path()};
};

TEST_F(RawDataFile, VerticalModeWritesFiveColumnLinesOfEveryRowWithStarsForEmptyCells) {
    type(0, {{1, "0"}, {2, "0"}});
    type(1, {{1, "5"}, {2, "1.2"}, {3, "0.6"}, {5, "10"}, {6, "100"}});
    type(2, {{1, "10"}, {2, "1.8"}, {3, "0.0"}, {5, "15"}, {6, "110"}});
    // Computed columns are not stored.
    type(1, {{0, "1"}, {4, "0.72"}, {8, "1.36"}, {16, "12.1"}});
    EXPECT_EQ(save("三行.dat"), expectedBytes("vertical-3rows.dat"));
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "三行.dat");
    EXPECT_EQ(window.dialogFolders[std::string(ctl::通用对话框保存)], folder.path() / "Text data");
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(RawDataFile, VelocityModeWritesThreeCoefficientsAndCarriesTheSavedHeader) {
    window.setSelected(ctl::测速模式, true);
    window.setText(ctl::水面系数编辑框, "0.85");
    window.setText(ctl::岸边系数编辑框02, "0.8");
    type(0, {{1, "0"}, {2, "0"}, {5, "99"}});
    type(1, {{1, "4.5"}, {2, "0.85"}, {3, "0.6"}, {8, "0.42"}});
    type(2, {{1, "9"}, {2, "1.30"}, {3, "0.2"}, {8, "0.57"}, {6, "77"}});
    type(3, {{1, "13.5"}, {2, "1.1"}, {3, "0.8"}, {8, "0.31"}});
    type(4, {{1, "18"}, {2, "0"}});
    window.setRecordHeader(expectedBytes("header-filled.dat"));
    EXPECT_EQ(save("v.dat"), expectedBytes("velocity-5rows.dat"));
}

TEST_F(RawDataFile, OpeningRestoresTheRowsAndLeavesTheOthersEmpty) {
    window.sheet().setCell(7, 10, "stale");
    window.setText(ctl::断面流量, "37.4");
    window.setEnabled(ctl::导出Excel, true);
    window.setEnabled(ctl::打印, true);
    openData(window, "vertical-3rows.dat");
    const Sheet& sheet = window.sheet();
    EXPECT_EQ(sheet.rowCount(), 20);
    EXPECT_EQ(sheet.cell(0, 1), "0");
    EXPECT_EQ(sheet.cell(0, 3), "");
    EXPECT_EQ(sheet.cell(1, 3), "0.6");
    EXPECT_EQ(sheet.cell(2, 6), "110");
    expectEmptyRows(sheet, 3);
    EXPECT_EQ(window.text(ctl::断面流量), "");
    EXPECT_FALSE(window.isEnabled(ctl::导出Excel));
    EXPECT_FALSE(window.isEnabled(ctl::打印));
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "vertical-3rows.dat");
    EXPECT_EQ(window.recordHeader(), expectedBytes("header-default.dat"));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(RawDataFile, ThirtyFiveValuesGrowTheSheetAndTwelveKeepALargerSheet) {
    openData(window, "vertical-35rows.dat");
    Sheet& sheet = window.sheet();
    EXPECT_EQ(sheet.rowCount(), 35);
    EXPECT_EQ(sheet.cell(34, 1), "68");
    EXPECT_EQ(sheet.cell(33, 5), "43");
    // Rows added by the open take the mode's read-only marks at once.
    EXPECT_TRUE(sheet.isReadOnly(8));
    EXPECT_FALSE(sheet.isReadOnly(5));
    // Saving the opened file gives back its very bytes.
    EXPECT_EQ(save("again.dat"), expectedBytes("vertical-35rows.dat"));

    openData(window, "vertical-12rows.dat");
    EXPECT_EQ(sheet.rowCount(), 35);
    EXPECT_EQ(sheet.cell(11, 1), "22");
    expectEmptyRows(sheet, 12);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(RawDataFile, VelocityFileLeavesTheMeterFieldsAndSwitchesTheLayout) {
    window.setText(ctl::信号转数编辑框, "5");
    window.setText(ctl::计算公式编辑框01, "0.25");
    window.setText(ctl::计算公式编辑框02, "");
    openData(window, "velocity-5rows.dat");
    EXPECT_TRUE(window.isSelected(ctl::测速模式));
    EXPECT_FALSE(window.isSelected(ctl::垂线模式));
    EXPECT_TRUE(window.sheet().isReadOnly(5));
    EXPECT_FALSE(window.sheet().isReadOnly(8));
    EXPECT_EQ(window.textColour(ctl::标签13), kRed);
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.85");
    EXPECT_EQ(window.text(ctl::岸边系数编辑框01), "0.7");
    EXPECT_EQ(window.text(ctl::岸边系数编辑框02), "0.8");
    EXPECT_EQ(window.text(ctl::信号转数编辑框), "5");
    EXPECT_EQ(window.text(ctl::计算公式编辑框01), "0.25");
    EXPECT_EQ(window.text(ctl::计算公式编辑框02), "");
    EXPECT_EQ(window.sheet().cell(2, 8), "0.57");
    EXPECT_EQ(window.sheet().cell(0, 5), "");
    EXPECT_EQ(window.recordHeader(), expectedBytes("header-filled.dat"));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(RawDataFile, AFileNamingNeitherModeOnlyClearsAndReplacesTheHeader) {
    window.setSelected(ctl::测速模式, true);
    type(0, {{1, "3"}});
    window.setText(ctl::水面系数编辑框, "0.9");
    openData(window, "no-mode.dat");
    EXPECT_TRUE(window.isSelected(ctl::测速模式));
    EXPECT_EQ(window.sheet().cell(0, 1), "");
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.9");
    EXPECT_EQ(window.recordHeader(), expectedBytes("header-filled.dat"));
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "no-mode.dat");
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("垂线模式"), std::string::npos);
}

TEST_F(RawDataFile, SaveThenOpenRestoresEveryTypedCellInBothModes) {
    for (const bool vertical : {true, false}) {
        HeadlessWindow source(folder.path());
        source.setSelected(vertical ? ctl::垂线模式 : ctl::测速模式, true);
        layoutSheet(source);
        const std::vector<int> columns =
            vertical ? std::vector<int>{1, 2, 3, 5, 6} : std::vector<int>{1, 2, 3, 8};
        source.sheet().growTo(27);
        for (int r = 0; r < 27; ++r) {
            for (const int c : columns) {
                if ((r + c) % 4 != 0) {
                    source.sheet().setCell(r, c,
                                           " " + std::to_string(r * c) + (r % 3 ? "岸" : "") +
                                               (r % 5 ? "" : " "));
                }
            }
        }
        for (std::size_t i = 0; i < 6; ++i) {
            source.setText(kCoefficientFields[i].control, "c" + std::to_string(i));
        }
        source.setText(ctl::岸边系数编辑框02, "");
        source.answerFileDialog(ctl::通用对话框保存, folder.textData("rt.dat"));
        saveCommand(source);

        HeadlessWindow target(folder.path());
        target.setSelected(vertical ? ctl::测速模式 : ctl::垂线模式, true);
        target.answerFileDialog(ctl::通用对话框打开, folder.textData("rt.dat"));
        openCommand(target);
        EXPECT_TRUE(target.isSelected(vertical ? ctl::垂线模式 : ctl::测速模式));
        ASSERT_EQ(target.sheet().rowCount(), 27);
        for (int r = 0; r < 27; ++r) {
            for (int c = 0; c < Sheet::kColumns; ++c) {
                EXPECT_EQ(target.sheet().cell(r, c), source.sheet().cell(r, c)) << r << "," << c;
            }
        }
        const std::size_t stored = vertical ? 6 : 3;
        for (std::size_t i = 0; i < stored; ++i) {
            EXPECT_EQ(target.text(kCoefficientFields[i].control),
                      source.text(kCoefficientFields[i].control));
        }
        EXPECT_TRUE(target.messages.empty()) << target.messages[0].text;
    }
}

TEST_F(RawDataFile, TheHeaderPartEndsAtAFurtherBlankLine) {
    openBytes(window, "流速仪原始数据,垂线模式\r\n0.6,0.7,0.7,20,0.6793,0.0033\r\n0\r\n0\r\n*\r\n*"
                      "\r\n*\r\n\r\n站,*\r\n\r\nnot part of the header");
    EXPECT_EQ(window.recordHeader(), "\xd5\xbe,*");
}

TEST_F(RawDataFile, AStarCellIsSavedAsAStarAndComesBackEmpty) {
    type(0, {{1, "*"}, {2, "0"}});
    save("star.dat");
    HeadlessWindow other(folder.path());
    other.answerFileDialog(ctl::通用对话框打开, folder.textData("star.dat"));
    openCommand(other);
    EXPECT_EQ(other.sheet().cell(0, 1), "");
    EXPECT_EQ(other.sheet().cell(0, 2), "0");
}

TEST_F(RawDataFile, AnEmptyHeaderStillEndsWithTheSeparator) {
    window.setRecordHeader("");
    const std::string bytes = save("noheader.dat");
    EXPECT_TRUE(bytes.ends_with("*\r\n\r\n"));
    HeadlessWindow other(folder.path());
    other.answerFileDialog(ctl::通用对话框打开, folder.textData("noheader.dat"));
    openCommand(other);
    EXPECT_TRUE(other.messages.empty());
    EXPECT_EQ(other.recordHeader(), "");
}

TEST_F(RawDataFile, ACancelledSaveShowsTheNameTheDialogKept) {
    save("first.dat");
    window.setText(ctl::编辑框当前操作数据, "");
    window.answerFileDialog(ctl::通用对话框保存, std::nullopt);
    saveCommand(window);
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "first.dat");

    HeadlessWindow fresh(folder.path());
    fresh.setText(ctl::编辑框当前操作数据, "x.dat");
    saveCommand(fresh);
    EXPECT_EQ(fresh.text(ctl::编辑框当前操作数据), "");
    EXPECT_FALSE(std::filesystem::exists(folder.textData("x.dat")));
}

TEST_F(RawDataFile, TextsThatWouldBreakTheLayoutAreRefusedByCellAndNothingIsWritten) {
    type(2, {{2, "1,5"}});
    window.answerFileDialog(ctl::通用对话框保存, folder.textData("bad.dat"));
    saveCommand(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("第 3 行“水深”"), std::string::npos)
        << window.messages[0].text;
    EXPECT_EQ(window.messages[0].title, "提示：");
    EXPECT_FALSE(std::filesystem::exists(folder.textData("bad.dat")));
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "");

    type(2, {{2, "1.5"}, {6, "10\r\n0"}});
    saveCommand(window);
    EXPECT_NE(window.messages.back().text.find("第 3 行“T”"), std::string::npos);

    type(2, {{6, "100"}});
    window.setText(ctl::计算公式编辑框02, "0.003😀");
    saveCommand(window);
    EXPECT_NE(window.messages.back().text.find("流速仪公式常数 C"), std::string::npos);
    EXPECT_NE(window.messages.back().text.find("😀"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.textData("bad.dat")));

    // In the velocity mode N, T and the meter rating are not stored, so they cannot stand in
    // the way. A refused save never showed its dialog, so the first answer is still waiting.
    window.setSelected(ctl::测速模式, true);
    type(2, {{6, "1,0"}});
    saveCommand(window);
    EXPECT_TRUE(std::filesystem::exists(folder.textData("bad.dat")));
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "bad.dat");
}

TEST_F(RawDataFile, AFailedWriteSaysSoAndKeepsTheOldFileAndName) {
    window.setText(ctl::编辑框当前操作数据, "before.dat");
    window.answerFileDialog(ctl::通用对话框保存, folder.path() / "no such folder" / "x.dat");
    saveCommand(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("未保存"), std::string::npos);
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "before.dat");
}

TEST_F(RawDataFile, CancelledUnreadableAndForeignFilesChangeNothing) {
    type(0, {{1, "7"}});
    window.setText(ctl::编辑框当前操作数据, "keep.dat");
    openCommand(window);
    window.answerFileDialog(ctl::通用对话框打开, folder.textData("absent.dat"));
    openCommand(window);
    ASSERT_TRUE(writeFileAtomic(folder.textData("other.dat"), *utf8ToGbk("流速仪系数\r\n1,2")));
    window.answerFileDialog(ctl::通用对话框打开, folder.textData("other.dat"));
    openCommand(window);
    EXPECT_EQ(window.sheet().cell(0, 1), "7");
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "keep.dat");
    // The cancelled dialog says nothing; the missing and the foreign file say why.
    ASSERT_EQ(window.messages.size(), 2U);
    EXPECT_EQ(window.messages[0].text, "无法打开“absent.dat”：文件不存在。");
    EXPECT_EQ(window.messages[1].text,
              "无法打开“other.dat”：不是流速仪原始数据文件（开头没有“流速仪原始数据”）。");
}

TEST_F(RawDataFile, ShortAndDamagedFilesFillWhatTheyCanAndSayWhatIsMissing) {
    // Coefficient line cut short, N line shorter than column 1, T line missing, no header.
    openBytes(window, "流速仪原始数据,垂线模式\r\n0.5,0.6\r\n0,5,10\r\n0,1.2,0\r\n*,0.6,*\r\n*,10");
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.5");
    EXPECT_EQ(window.text(ctl::岸边系数编辑框01), "0.6");
    EXPECT_EQ(window.text(ctl::岸边系数编辑框02), "0.7");
    EXPECT_EQ(window.sheet().cell(1, 5), "10");
    EXPECT_EQ(window.sheet().cell(2, 2), "0");
    EXPECT_EQ(window.recordHeader(), expectedBytes("header-default.dat"));
    ASSERT_EQ(window.messages.size(), 1u);
    const std::string& text = window.messages[0].text;
    EXPECT_EQ(window.messages[0].title, "提示：");
    for (const char* part :
         {"damaged.dat", "右岸岸边系数", "“N”列只有 2 个值", "缺少“T”列", "测站记录表头"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    }

    HeadlessWindow bare(folder.path());
    openBytes(bare, "流速仪原始数据");
    ASSERT_EQ(bare.messages.size(), 1u);
    EXPECT_EQ(bare.text(ctl::编辑框当前操作数据), "damaged.dat");
}

TEST_F(RawDataFile, MoreThanTenThousandRowsAreRefusedBeforeAnythingChanges) {
    type(0, {{1, "7"}});
    std::string line = "1";
    for (int i = 0; i < 10000; ++i) {
        line += ",1";
    }
    openBytes(window, "流速仪原始数据,测速模式\r\n1,2,3\r\n" + line + "\r\n\r\n");
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("10001"), std::string::npos);
    EXPECT_EQ(window.sheet().cell(0, 1), "7");
    EXPECT_TRUE(window.isSelected(ctl::垂线模式));
    EXPECT_EQ(window.sheet().rowCount(), 20);
}

TEST(ClearCommand, EmptiesCellsResultsAndHeaderButKeepsRowsCoefficientsAndMode) {
    testing::ProgramFolder folder;
    HeadlessWindow window(folder.path());
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    window.sheet().growTo(30);
    window.sheet().setCell(29, 16, "5.78");
    window.sheet().setCell(0, 1, "0");
    window.setText(ctl::水面系数编辑框, "0.85");
    for (const auto field : ctl::kResultFields) {
        window.setText(field, "1.0");
    }
    window.setText(ctl::致谢框, "感谢使用!");
    window.setText(ctl::编辑框当前操作数据, "a.dat");
    window.setEnabled(ctl::导出Excel, true);
    window.setEnabled(ctl::打印, true);
    window.setRecordHeader("x,y");

    clearCommand(window);
    EXPECT_EQ(window.sheet().rowCount(), 30);
    for (int r = 0; r < 30; ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            EXPECT_EQ(window.sheet().cell(r, c), "");
        }
    }
    for (const auto field : ctl::kResultFields) {
        EXPECT_EQ(window.text(field), "");
    }
    EXPECT_EQ(window.text(ctl::致谢框), "");
    EXPECT_EQ(window.text(ctl::编辑框当前操作数据), "");
    EXPECT_EQ(window.text(ctl::水面系数编辑框), "0.85");
    EXPECT_TRUE(window.isSelected(ctl::测速模式));
    EXPECT_FALSE(window.sheet().isReadOnly(8));
    EXPECT_FALSE(window.isEnabled(ctl::导出Excel));
    EXPECT_FALSE(window.isEnabled(ctl::打印));
    EXPECT_EQ(window.recordHeader(), expectedBytes("header-default.dat"));
}

} // namespace
} // namespace tarnelo
