#include "files/record_header.hpp"
#include "report/record_header_grid.hpp"

#include <gtest/gtest.h>

#include <set>

namespace tarnelo {
namespace {

TEST(MeasurementTime, NoLeadingZerosAndTheTimeEndsAtItsLastNonZeroUnit) {
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 9, 5, 3}), "2026年12月7日9时5分3秒");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 9, 0, 3}), "2026年12月7日9时0分3秒");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 0, 0, 3}), "2026年12月7日0时0分3秒");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 9, 5, 0}), "2026年12月7日9时5分");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 0, 5, 0}), "2026年12月7日0时5分");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 9, 0, 0}), "2026年12月7日9时");
    EXPECT_EQ(measurementTimeText({2026, 12, 7, 0, 0, 0}), "2026年12月7日");
    EXPECT_EQ(measurementTimeText({2027, 1, 1, 23, 59, 59}), "2027年1月1日23时59分59秒");
}

TEST(MeterFormula, JoinsTheTwoCoefficientTextsAsTheyStand) {
    EXPECT_EQ(meterFormulaText("0.6793", "0.0033"), "V= 0.6793 N/T+ 0.0033");
    EXPECT_EQ(meterFormulaText("", ""), "V=  N/T+ ");
    EXPECT_EQ(meterFormulaText("0.70", "-0.01"), "V= 0.70 N/T+ -0.01");
}

TEST(RecordHeaderGridLayout, LabelsMergesAndLocks) {
    const RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 12, 7, 0, 0, 0});
    EXPECT_EQ(grid.text(0, 0), "制表数据");
    EXPECT_EQ(grid.text(1, 4), "天  气：");
    EXPECT_EQ(grid.text(3, 4), "10分钟+-：");
    EXPECT_EQ(grid.text(6, 6), "糙  率：");
    EXPECT_EQ(grid.text(8, 4), "水尺零点高程");
    EXPECT_EQ(grid.text(12, 0), "下比降水尺");
    EXPECT_EQ(grid.text(14, 3), "施  测：");
    EXPECT_EQ(grid.text(1, 3), "2026年12月7日");
    EXPECT_EQ(grid.text(2, 3), "V= 0.6793 N/T+ 0.0033");

    // The merged cells of row 14 are one cell each: the text is that of the first.
    RecordHeaderGrid edited = grid;
    edited.setText(14, 2, "说明文字");
    EXPECT_EQ(edited.text(14, 1), "说明文字");
    EXPECT_EQ(edited.anchor(14, 5), (GridCell{14, 4}));
    EXPECT_EQ(edited.anchor(7, 6), (GridCell{7, 0}));
    EXPECT_EQ(edited.anchor(14, 7), (GridCell{14, 7}));
    // Outside the grid: nothing to read or write.
    edited.setText(15, 0, "x");
    edited.setText(0, 8, "x");
    EXPECT_EQ(edited.text(15, 0), "");
    EXPECT_TRUE(edited.isReadOnly(-1, 0));

    std::set<std::pair<int, int>> values;
    for (const GridCell& cell : kRecordHeaderCells) {
        EXPECT_TRUE(values.insert({cell.row, cell.column}).second) << "twice: " << cell.row;
        EXPECT_FALSE(grid.isReadOnly(cell.row, cell.column)) << cell.row << "," << cell.column;
        EXPECT_EQ(grid.anchor(cell.row, cell.column), cell);
    }
    EXPECT_EQ(values.size(), 39u);
    for (const auto& [row, column] : std::set<std::pair<int, int>>{{0, 0},
                                                                   {5, 0},
                                                                   {8, 1},
                                                                   {8, 3},
                                                                   {3, 2},
                                                                   {8, 2},
                                                                   {2, 4},
                                                                   {6, 6},
                                                                   {14, 3},
                                                                   {14, 6},
                                                                   {8, 5},
                                                                   {12, 7},
                                                                   {10, 6},
                                                                   {4, 3},
                                                                   {13, 7}}) {
        EXPECT_TRUE(grid.isReadOnly(row, column)) << row << "," << column;
    }
    // Below their locked heads, columns 2, 4 and 6 hold values.
    EXPECT_FALSE(grid.isReadOnly(9, 2));
    EXPECT_FALSE(grid.isReadOnly(12, 4));
    EXPECT_FALSE(grid.isReadOnly(14, 7));
}

// The grid's 39 values as a file would carry them, read back.
RecordHeader carried(const RecordHeaderGrid& grid) {
    return parseRecordHeader(recordHeaderBytes(recordHeaderValues(grid)).value());
}

TEST(RecordHeaderGridValues, ABlankHeaderLeavesTheProposalsAndEmptyCells) {
    RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 12, 7, 9, 5, 3});
    showRecordHeader(grid, parseRecordHeader(kDefaultRecordHeader));
    int filled = 0;
    for (const GridCell& cell : kRecordHeaderCells) {
        filled += grid.text(cell.row, cell.column).empty() ? 0 : 1;
    }
    EXPECT_EQ(filled, 2);
    // The proposed time stops at the minute.
    EXPECT_EQ(grid.text(1, 3), "2026年12月7日9时5分");
}

TEST(RecordHeaderGridValues, EveryFieldGoesToItsCellAndBack) {
    RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 1, 1, 0, 0, 0});
    for (std::size_t i = 0; i < kRecordHeaderCells.size(); ++i) {
        grid.setText(kRecordHeaderCells[i].row, kRecordHeaderCells[i].column,
                     " 字段" + std::to_string(i + 1) + " ");
    }
    const RecordHeader stored = carried(grid);
    EXPECT_EQ(headerField(stored, 1, 1), " 字段1 ");
    EXPECT_EQ(headerField(stored, 1, 12), " 字段12 ");
    EXPECT_EQ(headerField(stored, 2, 8), " 字段20 ");
    EXPECT_EQ(headerField(stored, 3, 1), " 字段21 ");
    EXPECT_EQ(headerField(stored, 3, 16), " 字段36 ");
    EXPECT_EQ(headerField(stored, 4, 1), " 字段37 ");
    EXPECT_EQ(headerField(stored, 4, 3), " 字段39 ");

    RecordHeaderGrid again = buildRecordHeaderGrid("1", "2", {2030, 5, 5, 5, 5, 5});
    showRecordHeader(again, stored);
    for (std::size_t i = 0; i < kRecordHeaderCells.size(); ++i) {
        EXPECT_EQ(again.text(kRecordHeaderCells[i].row, kRecordHeaderCells[i].column),
                  " 字段" + std::to_string(i + 1) + " ");
    }
}

TEST(RecordHeaderGridValues, EmptyCellsAreCarriedAsNoValueAndProposeAgain) {
    RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 1, 1, 0, 0, 0});
    grid.setText(1, 3, "");
    const RecordHeader stored = carried(grid);
    EXPECT_EQ(headerField(stored, 1, 2), "*");
    EXPECT_EQ(headerField(stored, 1, 6), "V= 0.6793 N/T+ 0.0033");
    RecordHeaderGrid again = buildRecordHeaderGrid("0.7", "0.0033", {2027, 2, 3, 0, 0, 0});
    showRecordHeader(again, stored);
    EXPECT_EQ(again.text(1, 3), "2027年2月3日");
    // The stored formula wins over the new coefficients.
    EXPECT_EQ(again.text(2, 3), "V= 0.6793 N/T+ 0.0033");
}

TEST(RecordHeaderGridValues, AValueTheFileCannotHoldIsRefused) {
    RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 1, 1, 0, 0, 0});
    grid.setText(5, 1, "上游,下游");
    EXPECT_TRUE(recordHeaderProblem(recordHeaderValues(grid)).has_value());
    EXPECT_FALSE(recordHeaderBytes(recordHeaderValues(grid)).has_value());
}

TEST(RecordHeaderGridValues, AShortOrEmptyHeaderLeavesCellsAsTheyAre) {
    RecordHeaderGrid grid = buildRecordHeaderGrid("0.6793", "0.0033", {2026, 1, 1, 0, 0, 0});
    showRecordHeader(grid, parseRecordHeader("站名"));
    EXPECT_EQ(grid.text(2, 3), "V= 0.6793 N/T+ 0.0033");
    showRecordHeader(grid, parseRecordHeader(""));
    EXPECT_EQ(grid.text(1, 3), "2026年1月1日");
}

} // namespace
} // namespace tarnelo
