#include "report/station_workbook.hpp"
#include "report/station_book.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <map>
#include <string_view>
#include <vector>

namespace tarnelo {

namespace {

using sheets::Book;
using sheets::pageSetup;
using sheets::wrappedHeight;
using station::RatingFit;
using station::StationTable;

// A row prints only when it fits a page: no taller than 409 pt, the tallest row a spreadsheet
// keeps (Microsoft, "Excel specifications and limits": row height 409 points), which is less
// than the room on an A4 landscape page.
constexpr double kTallestRow = 409.0;

// The text in pieces, each wrapping to no more than kTallestRow in a cell `widthChars` wide (as
// wrappedHeight counts): cut after a "；" where one falls in the piece, else between
// characters.
std::vector<std::string> rowPieces(std::string_view text, double widthChars) {
    const double mostEms = std::floor(kTallestRow / 13.5) * std::max(widthChars - 1.0, 1.0) / 2.0;
    std::vector<std::string> pieces;
    std::size_t start = 0;
    std::size_t lastBreak = 0; // just after the piece's last "；", 0 when none
    double ems = 0;
    double emsAtBreak = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const double w = svg::textEms(text.substr(i, length), 0.5);
        if (ems + w > mostEms && i > start) {
            const std::size_t end = lastBreak > start ? lastBreak : i;
            pieces.emplace_back(text.substr(start, end - start));
            ems = end == i ? 0 : ems - emsAtBreak;
            start = end;
            lastBreak = 0;
        }
        ems += w;
        i += length;
        if (text.substr(i - length, length) == "；") {
            lastBreak = i;
            emsAtBreak = ems;
        }
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

// What the 检验 sheet says of a gauging beside its deviation.
std::string gaugingRemark(const station::RatingReview& review, std::size_t i) {
    if (!review.excluded[i].empty()) {
        return "不参加定线：" + review.excluded[i];
    }
    const std::string kept = review.kept[i].empty() ? "" : "经复核保留：" + review.kept[i];
    for (const station::Outlier& o : review.outliers) {
        if (o.point == i) {
            return "突出点，偏离剔除突出点后的关系线 " + station::deviationText(o.deviation) +
                   "（" + (kept.empty() ? "未剔除" : kept) + "）" +
                   (o.likely.empty() ? "" : "；可能原因：" + o.likely);
        }
    }
    return kept;
}

// The sheet 问题 of the rating table: the files left out of the table, the gaugings left out of
// the fit and why, the outliers, and a loop or a shift when the tests find one.
void ratingProblemsSheet(Book& book, const RatingReport& report) {
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "问题");
    lxw_format* heading = book.format(true, true, true, false);
    lxw_format* cell = book.format(false, true, false, true);
    worksheet_set_column(sheet, 0, 0, 28, nullptr);
    worksheet_set_column(sheet, 1, 1, 80, nullptr);
    worksheet_set_column(sheet, 2, 2, 16, nullptr);
    worksheet_write_string(sheet, 0, 0, "文件或施测号数", heading);
    worksheet_write_string(sheet, 0, 1, "问题", heading);
    worksheet_write_string(sheet, 0, 2, "处理", heading);
    lxw_row_t row = 1;
    const auto put = [&](const std::string& what, const std::string& why, const std::string& done) {
        worksheet_write_string(sheet, row, 0, what.c_str(), cell);
        worksheet_write_string(sheet, row, 1, why.c_str(), cell);
        worksheet_write_string(sheet, row, 2, done.c_str(), cell);
        worksheet_set_row(sheet, row, std::max(wrappedHeight(why, 80), wrappedHeight(what, 28)),
                          nullptr);
        ++row;
    };
    const station::RatingReview& review = report.review;
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        if (!review.excluded[i].empty()) {
            put("施测号数 " + report.points[i].label, review.excluded[i], "不参加定线");
        }
    }
    for (const station::Outlier& o : review.outliers) {
        put("施测号数 " + report.points[o.point].label,
            "突出点：偏离剔除突出点后的关系线 " + station::deviationText(o.deviation) +
                "，超过 3Se = " + num::fixedText(review.cleanSe * 300.0, 1) + "%" +
                (o.likely.empty() ? "" : "；可能原因：" + o.likely) +
                (review.kept[o.point].empty() ? "" : "；保留的原因：" + review.kept[o.point]),
            review.kept[o.point].empty() ? "未剔除，参加定线" : "经复核保留，参加定线");
    }
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        if (!review.kept[i].empty() && !review.isOutlier(i)) {
            put("施测号数 " + report.points[i].label, "保留的原因：" + review.kept[i],
                "经复核保留，参加定线");
        }
    }
    if (review.loop.fires) {
        put("全年", "涨落水测点偏离显著不同（绳套）：" + review.loop.detail, "单一曲线不适用");
    }
    if (review.drift.fires) {
        put("全年", "偏离随时间系统变化：" + review.drift.detail, "单一曲线不适用");
    }
    for (const auto& problem : report.problems) {
        put(escapedName(problem.file.filename()), problem.reason,
            problem.kept ? "已列入成果表" : "未列入成果表");
    }
    if (row == 1) {
        worksheet_write_string(sheet, 1, 0, "（无）", cell);
    }
    pageSetup(sheet, 0, 0);
}

// The counts of the 检验 sheet and the fit's errors, each a number beside its caption; gives the
// row after them.
int fitFigures(Book& book, lxw_worksheet* sheet, int row, const RatingReport& report,
               lxw_format* caption) {
    const station::RatingTests& t = report.fit().tests;
    const std::pair<const char*, std::string> figures[] = {
        {"测点数", std::to_string(report.points.size())},
        {"参加定线点数", std::to_string(t.n)},
        {"系统误差(%)", num::fixedText(t.meanDeviation * 100.0, 2)},
        {"随机不确定度(%)", num::fixedText(t.randomUncertainty * 100.0, 2)},
        {"Se(%)", num::fixedText(t.se * 100.0, 2)}};
    for (const auto& [name, value] : figures) {
        worksheet_write_string(sheet, static_cast<lxw_row_t>(row), 0, name, caption);
        book.write(sheet, row, 1, value);
        ++row;
    }
    return row;
}

// A line of the rating table: its sheet row, which of its ten stages are listed, how many of
// them extended.
struct TableLine {
    int row;
    std::array<bool, 10> listed{};
    int extended = 0;
};

// The 附注 of a line: whether its discharges are extended, and why a cell is empty (the curve
// gives no flow there, or the stage is beyond the extension limits).
std::string lineNote(const station::RatingCurve& curve, long long tenth, const TableLine& line) {
    const auto listed = std::count(line.listed.begin(), line.listed.end(), true);
    std::vector<std::string> notes;
    if (line.extended > 0) {
        notes.emplace_back(line.extended == listed ? "外延" : "部分外延");
    }
    bool dry = false;
    bool beyond = false;
    for (std::size_t k = 0; k < line.listed.size(); ++k) {
        if (!line.listed[k]) {
            const long long cm = tenth * 10 + static_cast<long long>(k);
            (station::listsFlow(curve, static_cast<double>(cm) / 100.0) ? beyond : dry) = true;
        }
    }
    if (dry) {
        notes.emplace_back("空格无流量");
    }
    if (beyond) {
        notes.emplace_back("空格超出外延限");
    }
    std::string note;
    for (const std::string& n : notes) {
        note += (note.empty() ? "" : "；") + n;
    }
    return note;
}

// The sheet 推流表: a row of ten centimetres a line, with the curve, the gauged range and the
// extension limits above it; an extended discharge is in bold, and a stage the curve gives no
// flow at is left out with the reason in the note and the row's 附注.
void ratingTableSheet(Book& book, const RatingReport& report) {
    const RatingFit& fit = report.fit();
    lxw_format* title = book.format(true, false, true, false, 14);
    lxw_format* heading = book.format(true, true, true, true, 9);
    lxw_format* text = book.format(false, true, true, true);
    lxw_format* plain = book.format(false, false, false, false);
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "推流表");
    const std::string name = (report.station.empty() ? std::string() : report.station + " ") +
                             (report.year > 0 ? std::to_string(report.year) + " 年" : "") +
                             "水位流量关系推流表";
    worksheet_merge_range(sheet, 0, 0, 0, 11, name.c_str(), title);
    worksheet_write_string(
        sheet, 1, 0, ("关系线：" + fit.curve.equation() + "　流量单位 m³/s，水位单位 m").c_str(),
        plain);
    double lowest = INFINITY;
    double highest = -INFINITY;
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        if (report.review.excluded[i].empty()) {
            lowest = std::min(lowest, report.points[i].stage);
            highest = std::max(highest, report.points[i].stage);
        }
    }
    std::string omitted;
    const auto entries = station::ratingTable(fit.curve, lowest, highest, true, &omitted);
    std::string range = "实测水位 " + num::fixedText(lowest, 2) + "–" + num::fixedText(highest, 2) +
                        " m；粗体的流量为外延（水位在此范围以外），" +
                        std::string(station::kExtensionSource);
    if (!omitted.empty()) {
        range += "。" + omitted;
    }
    if (entries.size() >= station::kMostRatingTableRows) {
        range += "。推流表只列到水位 " + num::fixedText(entries.back().stage, 2) + " m（最多 " +
                 std::to_string(station::kMostRatingTableRows) + " 个水位），以上未列";
    } else if (entries.empty()) {
        range += "。水位超出可列表的范围，推流表无数值";
    }
    lxw_format* wrap = book.format(false, false, false, true);
    worksheet_merge_range(sheet, 2, 0, 2, 11, range.c_str(), wrap);
    worksheet_set_row(sheet, 2, wrappedHeight(range, 112), nullptr);
    worksheet_write_string(sheet, 3, 0, "水位 (m)", heading);
    for (int k = 0; k < 10; ++k) {
        worksheet_write_string(sheet, 3, static_cast<lxw_col_t>(k + 1),
                               ("+0.0" + std::to_string(k)).c_str(), heading);
    }
    worksheet_write_string(sheet, 3, 11, "附注", heading);
    worksheet_set_column(sheet, 0, 0, 10, nullptr);
    worksheet_set_column(sheet, 1, 10, 9, nullptr);
    worksheet_set_column(sheet, 11, 11, 12, nullptr);
    std::map<long long, TableLine> lines;
    int next = 4;
    for (const auto& entry : entries) {
        const long long cm = std::llround(entry.stage * 100.0);
        // Ten centimetres a line, below zero too (-0.05 m is -0.1 and +0.05).
        const long long tenth = cm >= 0 ? cm / 10 : -((-cm + 9) / 10);
        auto [it, added] = lines.emplace(tenth, TableLine{next});
        if (added) {
            book.write(sheet, next, 0, num::fixedText(static_cast<double>(tenth) / 10.0, 1));
            ++next;
        }
        TableLine& line = it->second;
        const int cell = static_cast<int>(cm - tenth * 10);
        book.write(sheet, line.row, cell + 1, entry.discharge, entry.extended);
        line.listed[static_cast<std::size_t>(cell)] = true;
        line.extended += entry.extended ? 1 : 0;
    }
    for (const auto& [tenth, line] : lines) {
        const std::string note = lineNote(fit.curve, tenth, line);
        if (!note.empty()) {
            const auto r = static_cast<lxw_row_t>(line.row);
            worksheet_write_string(sheet, r, 11, note.c_str(), text);
            worksheet_set_row(sheet, r, wrappedHeight(note, 12), nullptr);
        }
    }
    pageSetup(sheet, 3, 3);
    worksheet_set_portrait(sheet);
}

} // namespace

RatingReport ratingReport(const StationTable& table, std::span<const station::Exclusion> exclusions,
                          station::RatingForm form, double alpha,
                          station::StationClass stationClass) {
    RatingReport report;
    report.station = table.station;
    report.year = table.year;
    report.points = station::ratingPoints(table);
    report.review = station::reviewRating(report.points, exclusions, form, alpha);
    report.stationClass = stationClass;
    report.problems = table.problems;
    return report;
}

std::string pointCountText(const RatingReport& report) {
    const std::size_t all = report.points.size();
    const auto fitted = static_cast<std::size_t>(std::max(report.fit().tests.n, 0));
    return std::to_string(all) + " 个" +
           (fitted == all ? std::string() : "，参加定线 " + std::to_string(fitted) + " 个");
}

std::string verdictText(bool passed) {
    return passed ? "通过" : "不通过";
}

std::optional<std::string> writeRatingWorkbook(const RatingReport& report,
                                               const std::filesystem::path& file) {
    Book book;
    if (book.get() == nullptr) {
        return "无法建立临时文件夹";
    }
    const RatingFit& fit = report.fit();
    const station::RatingReview& review = report.review;
    lxw_format* heading = book.format(true, true, true, true, 9);
    lxw_format* text = book.format(false, true, true, false);
    lxw_format* plain = book.format(false, false, false, false);
    book.setText(text);

    ratingTableSheet(book, report);

    lxw_worksheet* tests = workbook_add_worksheet(book.get(), "检验");
    worksheet_set_column(tests, 0, 0, 16, nullptr);
    worksheet_set_column(tests, 1, 4, 12, nullptr);
    worksheet_set_column(tests, 5, 5, 6, nullptr);
    worksheet_set_column(tests, 6, 6, 60, nullptr);
    lxw_format* wrapped = book.format(false, false, false, true);
    lxw_format* remark = book.format(false, true, false, true);
    int row = 0;
    // A caption and its text across the rest of the sheet, wrapped.
    // A text too long for one row that prints goes on over the rows below it.
    const auto line = [&](const std::string& a, const std::string& b) {
        constexpr double kWidth = 4 * 12 + 6 + 60;
        const std::vector<std::string> pieces = rowPieces(b, kWidth);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto r = static_cast<lxw_row_t>(row++);
            worksheet_write_string(tests, r, 0, i == 0 ? a.c_str() : "", plain);
            worksheet_merge_range(tests, r, 1, r, 6, pieces[i].c_str(), wrapped);
            worksheet_set_row(tests, r, wrappedHeight(pieces[i], kWidth), nullptr);
        }
    };
    const station::RatingVerdict verdict = report.verdict();
    std::string said = verdict.headline();
    for (std::size_t i = 0; i < verdict.reasons.size(); ++i) {
        said += (i == 0 ? "：" : "；") + verdict.reasons[i];
    }
    line("定线结论", said);
    // The verdict heads every page while it is short; a long one would crowd the rows out.
    const bool verdictRepeated = row == 1 && wrappedHeight(said, 4 * 12 + 6 + 60) <= 4 * 13.5;
    for (const std::string& note : verdict.notes) {
        line("", note);
    }
    line("关系线", fit.curve.equation());
    line("线型", std::string(station::ratingFormName(fit.curve.form)));
    row = fitFigures(book, tests, row, report, plain);
    ++row;
    const char* headings[] = {"检验", "统计量", "临界值", "结论", "", "", "说明"};
    for (int c = 0; c < 7; ++c) {
        worksheet_write_string(tests, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(c),
                               headings[c], heading);
    }
    ++row;
    for (const auto* t : {&fit.tests.sign, &fit.tests.run, &fit.tests.deviation}) {
        const auto r = static_cast<lxw_row_t>(row++);
        worksheet_write_string(tests, r, 0, std::string(t->name).c_str(), text);
        book.write(tests, static_cast<int>(r), 1,
                   t->statistic ? num::fixedText(*t->statistic, 2) : std::string("免检"));
        book.write(tests, static_cast<int>(r), 2, num::fixedText(t->critical, 2));
        worksheet_write_string(tests, r, 3, verdictText(t->passed).c_str(), text);
        worksheet_write_string(tests, r, 6, t->detail.c_str(), remark);
        worksheet_set_row(tests, r, wrappedHeight(t->detail, 60), nullptr);
    }
    line("绳套（涨落）", review.loop.detail);
    line("时序变化", review.drift.detail);
    ++row;
    // The measured discharge is the form's, which the curve was fitted to and P is taken
    // from; the curve's is the yearbook's three figures.
    const char* pointHeadings[] = {
        "施测号数", "水位 (m)", "实测流量（记载表）", "关系线流量", "偏离 (%)", "涨落", "附注"};
    for (int c = 0; c < 7; ++c) {
        worksheet_write_string(tests, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(c),
                               pointHeadings[c], heading);
    }
    worksheet_set_row(tests, static_cast<lxw_row_t>(row), 27, nullptr);
    ++row;
    for (std::size_t i = 0; i < report.points.size() && i < review.deviations.size(); ++i) {
        const auto& p = report.points[i];
        const auto r = static_cast<lxw_row_t>(row++);
        worksheet_write_string(tests, r, 0, p.label.c_str(), text);
        const int at = static_cast<int>(r);
        book.write(tests, at, 1, num::fixedText(p.stage, 2));
        book.write(tests, at, 2, num::graded(p.discharge, num::Grade::Discharge));
        book.write(tests, at, 3,
                   num::yearbookText(fit.curve.discharge(p.stage), num::Grade::Discharge));
        book.write(tests, at, 4,
                   std::isnan(review.deviations[i])
                       ? std::string()
                       : num::fixedText(review.deviations[i] * 100.0, 2));
        worksheet_write_string(tests, r, 5,
                               std::string(station::trendName(review.trends[i])).c_str(), text);
        const std::string remarkText = gaugingRemark(review, i);
        worksheet_write_string(tests, r, 6, remarkText.c_str(), remark);
        worksheet_set_row(tests, r, wrappedHeight(remarkText, 60), nullptr);
    }
    pageSetup(tests, 0, verdictRepeated ? 0 : -1);
    ratingProblemsSheet(book, report);
    return book.finish(file);
}

} // namespace tarnelo
