// 实测流量成果表 as a workbook: the yearbook's table, the sheet 检查与不确定度 and the sheet 问题.
#include "report/station_book.hpp"
#include "report/station_workbook.hpp"

#include <iterator>
#include <span>

namespace tarnelo {

namespace {

using sheets::Book;
using sheets::pageSetup;
using sheets::wrappedHeight;
using station::StationTable;

// The 成果表 as the yearbook prints it: its first columns up to 附注, which holds the record's own
// 说明 alone.
constexpr std::size_t kYearbookColumns = 18;
constexpr std::size_t kMethodColumn = 6;
constexpr std::size_t kRemarkColumn = 17;
constexpr double kRemarkWidth = 22;

// The widths of the yearbook's columns; 测验方法 as wide as its longest text, so that
// "流速仪 18/18" stands on one line.
void setYearbookWidths(lxw_worksheet* sheet, const StationTable& table) {
    // Each heading on lines of whole words: "施测号数" on one, "基本水尺水位" on one.
    static constexpr double kWidths[kYearbookColumns] = {8, 4, 4, 7, 9, 12, 10, 12, 9,
                                                         9, 8, 8, 8, 8, 8,  8,  7,  kRemarkWidth};
    double method = kWidths[kMethodColumn];
    for (const auto& r : table.rows) {
        // A wide character takes two units of a column's width, and a cell its margins.
        method = std::max(method, svg::textEms(r.method, 0.5) * 2.0 + 2.0);
    }
    for (std::size_t c = 0; c < kYearbookColumns; ++c) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             c == kMethodColumn ? method : kWidths[c], nullptr);
    }
}

// The table's two heading rows, written top to bottom: a group ("施测时间") over its columns,
// else one cell over both rows, merged once the second row is written.
void yearbookHeadings(lxw_worksheet* sheet, std::span<const station::TableColumn> columns,
                      lxw_format* heading) {
    worksheet_set_row(sheet, 1, 22, nullptr);
    const auto headingText = [](const station::TableColumn& column) {
        return std::string(column.name) +
               (column.unit.empty() ? "" : "\n(" + std::string(column.unit) + ")");
    };
    for (std::size_t c = 0; c < columns.size();) {
        const auto at = static_cast<lxw_col_t>(c);
        if (columns[c].group.empty()) {
            worksheet_write_string(sheet, 1, at, headingText(columns[c]).c_str(), heading);
            ++c;
            continue;
        }
        std::size_t end = c;
        while (end + 1 < columns.size() && columns[end + 1].group == columns[c].group) {
            ++end;
        }
        worksheet_merge_range(sheet, 1, at, 1, static_cast<lxw_col_t>(end),
                              std::string(columns[c].group).c_str(), heading);
        c = end + 1;
    }
    worksheet_set_row(sheet, 2, 30, nullptr);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto at = static_cast<lxw_col_t>(c);
        if (columns[c].group.empty()) {
            worksheet_write_blank(sheet, 2, at, heading);
        } else {
            worksheet_write_string(sheet, 2, at, headingText(columns[c]).c_str(), heading);
        }
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].group.empty()) {
            // The first cell is in the row above, written already.
            const auto at = static_cast<lxw_col_t>(c);
            worksheet_merge_range(sheet, 1, at, 2, at, headingText(columns[c]).c_str(), heading);
        }
    }
}

// A sheet's note goes into its footer, left of the page number, so that it stands on every page
// and never on a page of its own.
void footNote(lxw_worksheet* sheet, const std::string& note) {
    worksheet_set_footer(sheet, ("&L" + note + "&R第 &P 页，共 &N 页").c_str());
}

// 检查与不确定度: beside each row of the table, the 95 % uncertainties of its discharge and what
// the program found about the gauging (the 附注 beyond the record's 说明).
void findingsSheet(Book& book, const StationTable& table) {
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "检查与不确定度");
    lxw_format* title = book.format(true, false, true, false, 14);
    lxw_format* heading = book.format(true, true, true, true, 9);
    lxw_format* text = book.format(false, true, true, true);
    lxw_format* found = book.format(false, true, false, true);
    static constexpr const char* kHeadings[] = {
        "施测号数",      "月", "日", "流量\n(m³/s)", "不确定度 IVE\n(%)", "不确定度 ISO 748\n(%)",
        "本程序检查所见"};
    static constexpr double kWidths[] = {8, 4, 4, 10, 12, 14, 70};
    constexpr auto kLast = static_cast<lxw_col_t>(std::size(kHeadings) - 1);
    worksheet_merge_range(sheet, 0, 0, 0, kLast, (tableTitle(table) + " 检查与不确定度").c_str(),
                          title);
    worksheet_set_row(sheet, 0, 24, nullptr);
    worksheet_set_row(sheet, 1, 30, nullptr);
    for (lxw_col_t c = 0; c <= kLast; ++c) {
        worksheet_set_column(sheet, c, c, kWidths[c], nullptr);
        worksheet_write_string(sheet, 1, c, kHeadings[c], heading);
    }
    int row = 2;
    for (const auto& r : table.rows) {
        const auto texts = station::rowTexts(r);
        const std::string remarks = station::foundRemarks(r);
        const auto at = static_cast<lxw_row_t>(row);
        worksheet_set_row(sheet, at, wrappedHeight(remarks, kWidths[kLast]), nullptr);
        for (const std::size_t c : {0, 1, 2}) {
            worksheet_write_string(sheet, at, static_cast<lxw_col_t>(c), texts[c].c_str(), text);
        }
        // 流量 as the table prints it, then the two uncertainties.
        book.write(sheet, row, 3, texts[8]);
        book.write(sheet, row, 4, texts[18]);
        book.write(sheet, row, 5, texts[19]);
        worksheet_write_string(sheet, at, kLast, remarks.c_str(), found);
        ++row;
    }
    pageSetup(sheet, 1, 1);
    footNote(sheet, "注：不确定度为流量的 95% 扩展不确定度（IVE：Cohn 等 2013；ISO 748:2007），"
                    "不属年鉴表格式");
}

void problemsSheet(Book& book, const StationTable& table) {
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "问题");
    lxw_format* heading = book.format(true, true, true, false);
    lxw_format* cell = book.format(false, true, false, true);
    worksheet_set_column(sheet, 0, 0, 28, nullptr);
    worksheet_set_column(sheet, 1, 1, 80, nullptr);
    worksheet_set_column(sheet, 2, 2, 10, nullptr);
    worksheet_write_string(sheet, 0, 0, "文件", heading);
    worksheet_write_string(sheet, 0, 1, "原因", heading);
    worksheet_write_string(sheet, 0, 2, "成果表", heading);
    lxw_row_t row = 1;
    for (const auto& problem : table.problems) {
        worksheet_write_string(sheet, row, 0, escapedName(problem.file.filename()).c_str(), cell);
        worksheet_write_string(sheet, row, 1, problem.reason.c_str(), cell);
        worksheet_write_string(sheet, row, 2, problem.kept ? "已列入" : "未列入", cell);
        worksheet_set_row(sheet, row, wrappedHeight(problem.reason, 80), nullptr);
        ++row;
    }
    if (table.problems.empty()) {
        worksheet_write_string(sheet, 1, 0, "（无）", cell);
    }
    pageSetup(sheet, 0, 0);
}

} // namespace

std::optional<std::string> writeStationTableWorkbook(const StationTable& table,
                                                     const std::filesystem::path& file) {
    Book book(true);
    if (book.get() == nullptr) {
        return "无法建立临时文件夹";
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "实测流量成果表");
    lxw_format* title = book.format(true, false, true, false, 16);
    lxw_format* heading = book.format(true, true, true, true, 9);
    lxw_format* text = book.format(false, true, true, true);
    book.setText(text);
    // The yearbook's columns, up to 附注; the uncertainties have a sheet of their own.
    const auto columns = station::tableColumns().first(kYearbookColumns);
    const auto last = static_cast<lxw_col_t>(columns.size() - 1);
    worksheet_merge_range(sheet, 0, 0, 0, last, tableTitle(table).c_str(), title);
    worksheet_set_row(sheet, 0, 28, nullptr);
    yearbookHeadings(sheet, columns, heading);
    setYearbookWidths(sheet, table);
    int row = 3;
    for (const auto& r : table.rows) {
        auto texts = station::rowTexts(r);
        // 附注 as the yearbook has it: the record's own 说明; what the program found is listed
        // on the sheet 检查与不确定度.
        texts[kRemarkColumn] = r.stated;
        texts.resize(kYearbookColumns);
        if (!r.stated.empty()) {
            worksheet_set_row(sheet, static_cast<lxw_row_t>(row),
                              std::max(15.0, wrappedHeight(r.stated, kRemarkWidth)), nullptr);
        }
        for (std::size_t c = 0; c < texts.size(); ++c) {
            // 施测号数, dates and times stay texts; the figures become numbers with their digits.
            if (c <= 6 || c == 17) {
                worksheet_write_string(sheet, static_cast<lxw_row_t>(row),
                                       static_cast<lxw_col_t>(c), texts[c].c_str(), text);
            } else {
                book.write(sheet, row, static_cast<int>(c), texts[c]);
            }
        }
        ++row;
    }
    pageSetup(sheet, 1, 2);
    footNote(sheet, "注：流量、断面面积取三位有效数字（经验值：年鉴刊印的写法）；不确定度和检查所见"
                    "见“检查与不确定度”表");
    findingsSheet(book, table);
    problemsSheet(book, table);
    return book.finish(file);
}

} // namespace tarnelo
