#include "report/record_header_grid.hpp"

#include "files/record_header.hpp"
#include "measure/numtext.hpp"

#include <ctime>

namespace tarnelo {

namespace {

const std::string kNoText;

struct Label {
    int row;
    int column;
    std::string_view text;
};

// Label cells, row by row from the top and left to right.
constexpr std::array kLabels{
    Label{0, 0, "制表数据"},
    Label{1, 0, "测站名称："},
    Label{1, 2, "施测时间："},
    Label{1, 4, "天  气："},
    Label{1, 6, "风力风向："},
    Label{2, 0, "流速仪牌号："},
    Label{2, 2, "流速仪公式："},
    Label{2, 4, "流速仪检定后使用次数："},
    Label{2, 6, "流速仪轴至铅鱼底距离："},
    Label{3, 0, "铅鱼重量："},
    Label{3, 2, "停表牌号："},
    Label{3, 4, "10分钟+-："},
    Label{3, 6, "测流渡河设备："},
    Label{5, 0, "断面位置："},
    Label{5, 2, "相应水位："},
    Label{5, 4, "死水面积："},
    Label{5, 6, "流速仪型号："},
    Label{6, 0, "比降上下水尺间距："},
    Label{6, 2, "水位差："},
    Label{6, 4, "水面比降："},
    Label{6, 6, "糙  率："},
    Label{8, 0, "水尺名称"},
    Label{8, 1, "水尺编号"},
    Label{8, 2, "水尺读数（始）"},
    Label{8, 3, "水尺读数（终）"},
    Label{8, 4, "水尺零点高程"},
    Label{9, 0, "基本水尺"},
    Label{10, 0, "测流水尺、自记台"},
    Label{11, 0, "上比降水尺"},
    Label{12, 0, "下比降水尺"},
    Label{14, 0, "说  明："},
    Label{14, 3, "施  测："},
    Label{14, 6, "施测号数："},
};

std::string number(int value) {
    return num::plainText(static_cast<double>(value));
}

} // namespace

const std::array<GridCell, 39> kRecordHeaderCells{{
    // Line 1: station, time, weather, wind; meter, formula, uses, axis height; weight,
    // stopwatch, its 10-minute check, crossing equipment.
    {1, 1},
    {1, 3},
    {1, 5},
    {1, 7},
    {2, 1},
    {2, 3},
    {2, 5},
    {2, 7},
    {3, 1},
    {3, 3},
    {3, 5},
    {3, 7},
    // Line 2: section, stage, dead-water area, meter model; slope gauge spacing, stage
    // difference, slope, roughness.
    {5, 1},
    {5, 3},
    {5, 5},
    {5, 7},
    {6, 1},
    {6, 3},
    {6, 5},
    {6, 7},
    // Line 3: the four gauges, each with number, reading at start and end, zero elevation.
    {9, 1},
    {9, 2},
    {9, 3},
    {9, 4},
    {10, 1},
    {10, 2},
    {10, 3},
    {10, 4},
    {11, 1},
    {11, 2},
    {11, 3},
    {11, 4},
    {12, 1},
    {12, 2},
    {12, 3},
    {12, 4},
    // Line 4: remarks, observer, serial number.
    {14, 1},
    {14, 4},
    {14, 7},
}};

LocalDateTime currentLocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string measurementTimeText(const LocalDateTime& when) {
    std::string text =
        number(when.year) + "年" + number(when.month) + "月" + number(when.day) + "日";
    if (when.second != 0) {
        text += number(when.hour) + "时" + number(when.minute) + "分" + number(when.second) + "秒";
    } else if (when.minute != 0) {
        text += number(when.hour) + "时" + number(when.minute) + "分";
    } else if (when.hour != 0) {
        text += number(when.hour) + "时";
    }
    return text;
}

std::string meterFormulaText(std::string_view factor, std::string_view constant) {
    std::string text = "V= ";
    text += factor;
    text += " N/T+ ";
    text += constant;
    return text;
}

const std::string& RecordHeaderGrid::text(int row, int column) const {
    if (!inside(row, column)) {
        return kNoText;
    }
    const GridCell first = anchor(row, column);
    return texts_[static_cast<std::size_t>(first.row)][static_cast<std::size_t>(first.column)];
}

void RecordHeaderGrid::setText(int row, int column, std::string_view text) {
    if (!inside(row, column)) {
        return;
    }
    const GridCell first = anchor(row, column);
    texts_[static_cast<std::size_t>(first.row)][static_cast<std::size_t>(first.column)] = text;
}

bool RecordHeaderGrid::isReadOnly(int row, int column) const {
    if (!inside(row, column)) {
        return true;
    }
    const GridCell first = anchor(row, column);
    return readOnly_[static_cast<std::size_t>(first.row)][static_cast<std::size_t>(first.column)];
}

void RecordHeaderGrid::setReadOnly(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (inside(r, c)) {
                readOnly_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = true;
            }
        }
    }
}

void RecordHeaderGrid::merge(int row, int firstColumn, int lastColumn) {
    if (!inside(row, firstColumn) || !inside(row, lastColumn) || lastColumn <= firstColumn) {
        return;
    }
    merges_.push_back({row, firstColumn, lastColumn});
}

GridCell RecordHeaderGrid::anchor(int row, int column) const {
    for (const GridMerge& m : merges_) {
        if (m.row == row && column >= m.firstColumn && column <= m.lastColumn) {
            return {m.row, m.firstColumn};
        }
    }
    return {row, column};
}

RecordHeaderGrid buildRecordHeaderGrid(std::string_view factor, std::string_view constant,
                                       const LocalDateTime& now) {
    RecordHeaderGrid grid;
    for (const Label& label : kLabels) {
        grid.setText(label.row, label.column, label.text);
    }
    grid.merge(4, 0, 7);
    grid.merge(7, 0, 7);
    grid.merge(13, 0, 7);
    grid.merge(14, 1, 2);
    grid.merge(14, 4, 5);
    grid.setReadOnly(0, 0, 14, 0);
    grid.setReadOnly(8, 1, 8, 1);
    grid.setReadOnly(0, 2, 8, 2);
    grid.setReadOnly(8, 3, 8, 3);
    grid.setReadOnly(0, 4, 8, 4);
    grid.setReadOnly(0, 6, 6, 6);
    grid.setReadOnly(14, 3, 14, 3);
    grid.setReadOnly(14, 6, 14, 6);
    grid.setReadOnly(8, 5, 12, 7);
    // The first row is the grid's fixed row, a heading no one types into.
    grid.setReadOnly(0, 0, 0, RecordHeaderGrid::kColumns - 1);
    // The proposal is the minute the dialog opened; seconds are no part of a gauging's time.
    LocalDateTime minute = now;
    minute.second = 0;
    grid.setText(1, 3, measurementTimeText(minute));
    grid.setText(2, 3, meterFormulaText(factor, constant));
    return grid;
}

void showRecordHeader(RecordHeaderGrid& grid, const RecordHeader& header) {
    std::size_t field = 0;
    for (std::size_t line = 0; line < kRecordHeaderLineFields.size(); ++line) {
        const auto& texts = header[line];
        for (std::size_t i = 0; i < kRecordHeaderLineFields[line]; ++i, ++field) {
            // A short or damaged line leaves its missing fields as they are.
            if (i >= texts.size() || texts[i] == "*") {
                continue;
            }
            const GridCell cell = kRecordHeaderCells[field];
            grid.setText(cell.row, cell.column, texts[i]);
        }
    }
}

std::array<std::string, 39> recordHeaderValues(const RecordHeaderGrid& grid) {
    std::array<std::string, 39> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const GridCell cell = kRecordHeaderCells[i];
        values[i] = grid.text(cell.row, cell.column);
    }
    return values;
}

} // namespace tarnelo
