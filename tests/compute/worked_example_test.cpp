#include "app/compute_command.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Row = std::array<const char*, Sheet::kColumns>;

void typeRow(Sheet& sheet, int row, const std::vector<std::pair<int, const char*>>& cells) {
    for (const auto& [column, text] : cells) {
        sheet.setCell(row, column, text);
    }
}

void expectRow(const Sheet& sheet, int row, const Row& expected) {
    for (int c = 0; c < Sheet::kColumns; ++c) {
        const std::string want = expected[static_cast<std::size_t>(c)][0] == '-'
                                     ? std::string()
                                     : expected[static_cast<std::size_t>(c)];
        EXPECT_EQ(sheet.cell(row, c), want) << "row " << row << " column " << c;
    }
}

// The five-row measurement of the field manual's worked example.
void typeWorkedExample(HeadlessWindow& window) {
    window.setText(ctl::水面系数编辑框, "0.85");
    Sheet& sheet = window.sheet();
    typeRow(sheet, 0, {{1, "0"}, {2, "0"}});
    typeRow(sheet, 1, {{1, "5"}, {2, "1.2"}, {3, "0.6"}, {5, "10"}, {6, "100"}});
    typeRow(sheet, 2, {{1, "10"}, {2, "1.8"}, {3, "0.6"}, {5, "15"}, {6, "110"}});
    typeRow(sheet, 3, {{1, "15"}, {2, "1.5"}, {3, "0.0"}, {5, "20"}, {6, "105"}});
    typeRow(sheet, 4, {{1, "20"}, {2, "0"}});
}

void expectWorkedExample(const HeadlessWindow& window) {
    const Sheet& sheet = window.sheet();
    expectRow(sheet, 0,
              {"水边", "0", "0", "-", "-", "-", "-", "-", "-", "-", "-", "0.7/0.95", "0.60", "5.0",
               "3.00", "3.00", "2.85"});
    expectRow(sheet, 1,
              {"1", "5", "1.2", "0.6", "0.72", "10", "100", "200", "1.36", "-", "1.36", "1.61",
               "1.50", "5.0", "7.50", "7.50", "12.1"});
    expectRow(sheet, 2,
              {"2", "10", "1.8", "0.6", "1.08", "15", "110", "300", "1.86", "-", "1.86", "2.03",
               "1.65", "5.0", "8.25", "8.25", "16.7"});
    expectRow(sheet, 3,
              {"3", "15", "1.5", "0.0", "0.00", "20", "105", "400", "2.59", "0.85", "2.20",
               "0.7/1.54", "0.75", "5.0", "3.75", "3.75", "5.78"});
    expectRow(
        sheet, 4,
        {"水边", "20", "0", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"});
    for (int r = 5; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            EXPECT_EQ(sheet.cell(r, c), "") << r << "," << c;
        }
    }
    EXPECT_EQ(window.text(ctl::断面流量), "37.4");
    EXPECT_EQ(window.text(ctl::断面面积), "22.5");
    EXPECT_EQ(window.text(ctl::平均流速), "1.66");
    EXPECT_EQ(window.text(ctl::最大流速), "2.59");
    EXPECT_EQ(window.text(ctl::水面宽), "20.0");
    EXPECT_EQ(window.text(ctl::平均水深), "1.12");
    EXPECT_EQ(window.text(ctl::最大水深), "1.80");
    EXPECT_EQ(window.text(ctl::致谢框), "感谢使用!");
}

TEST(WorkedExample, VerticalModeReproducesEveryCellAndResult) {
    HeadlessWindow window("/nonexistent");
    typeWorkedExample(window);
    computeCommand(window);
    expectWorkedExample(window);
    EXPECT_TRUE(window.isEnabled(ctl::导出Excel));
    EXPECT_TRUE(window.isEnabled(ctl::打印));
    EXPECT_TRUE(window.messages.empty());
}

TEST(WorkedExample, SecondComputeGivesIdenticalTexts) {
    HeadlessWindow window("/nonexistent");
    typeWorkedExample(window);
    computeCommand(window);
    computeCommand(window);
    expectWorkedExample(window);
}

} // namespace
} // namespace tarnelo
