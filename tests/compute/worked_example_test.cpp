#include "compute/compute.hpp"
#include "support/typed_gauging.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Row = std::array<const char*, kRecordColumns>;

void expectRow(const Table& sheet, int row, const Row& expected) {
    for (int c = 0; c < kRecordColumns; ++c) {
        const std::string want = expected[static_cast<std::size_t>(c)][0] == '-'
                                     ? std::string()
                                     : expected[static_cast<std::size_t>(c)];
        EXPECT_EQ(sheet.cell(row, c), want) << "row " << row << " column " << c;
    }
}

// Every cell and result of the field manual's worked example (support/typed_gauging.hpp).
void expectWorkedExample(const Computation& computed) {
    ASSERT_EQ(computed.status, Computation::Status::Computed) << computed.message;
    EXPECT_EQ(computed.message, "");
    const Table& sheet = computed.table;
    ASSERT_GE(sheet.rowCount(), 5);
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
        for (int c = 0; c < kRecordColumns; ++c) {
            EXPECT_EQ(sheet.cell(r, c), "") << r << "," << c;
        }
    }
    EXPECT_EQ(computed.result(res::断面流量), "37.4");
    EXPECT_EQ(computed.result(res::断面面积), "22.5");
    EXPECT_EQ(computed.result(res::平均流速), "1.66");
    EXPECT_EQ(computed.result(res::最大流速), "2.59");
    EXPECT_EQ(computed.result(res::水面宽), "20.0");
    EXPECT_EQ(computed.result(res::平均水深), "1.12");
    EXPECT_EQ(computed.result(res::最大水深), "1.80");
    EXPECT_EQ(computed.completion, "感谢使用!");
}

TEST(WorkedExample, VerticalModeReproducesEveryCellAndResult) {
    expectWorkedExample(compute(testing::workedExample()));
    // Empty rows below it, as in a new sheet, stay empty.
    Gauging sheetLong = testing::workedExample();
    sheetLong.rows.resize(20);
    expectWorkedExample(compute(sheetLong));
}

// Computing again what a sheet shows after a computation (its computed point velocities
// among the typed columns) gives the same texts.
TEST(WorkedExample, SecondComputeGivesIdenticalTexts) {
    const Gauging gauging = testing::workedExample();
    const Computation first = compute(gauging);
    const Computation second = compute(testing::retyped(gauging, first.table));
    expectWorkedExample(second);
    EXPECT_EQ(second.findings, first.findings);
}

} // namespace
} // namespace tarnelo
