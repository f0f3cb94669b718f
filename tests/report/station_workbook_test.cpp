// The station's workbooks and picture: what a yearbook compiler checks in them. The table has
// its title, units, landscape A4 pages with the heading rows repeated and the sheet 问题; the
// 推流表 steps by a centimetre; the picture numbers every gauging and gives the verdicts.
#include "report/rating_plot.hpp"
#include "report/station_workbook.hpp"

#include "measure/numtext.hpp"
#include "pages/sheet_layout.hpp"
#include "platform/workbook/package.hpp"
#include "report/svg_text.hpp"
#include "support/program_folder.hpp"
#include "support/station_files.hpp"
#include "support/year_relation.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iostream>

namespace tarnelo {
namespace {

std::string part(const std::filesystem::path& file, std::string_view name,
                 const xlsx::PackageLimits& limits = {}) {
    std::vector<xlsx::RawPart> parts;
    std::string error;
    EXPECT_TRUE(xlsx::readPackage(file, parts, error, limits)) << error;
    for (const auto& p : parts) {
        if (p.name == name) {
            return p.bytes;
        }
    }
    ADD_FAILURE() << "no part " << name;
    return {};
}

// The style index of a cell ("K7") of a sheet's XML, empty when the cell is not there.
std::string cellStyle(const std::string& sheet, const std::string& cell) {
    const auto at = sheet.find("<c r=\"" + cell + "\"");
    if (at == std::string::npos) {
        return {};
    }
    const auto end = sheet.find('>', at);
    const auto style = sheet.find(" s=\"", at);
    if (style == std::string::npos || style > end) {
        return "0";
    }
    return sheet.substr(style + 4, sheet.find('"', style + 4) - style - 4);
}

station::StationTable smallYear(const std::filesystem::path& folder) {
    std::vector<station::StationGauging> gaugings;
    const double scales[] = {0.8, 1.6, 1.1, 0.9, 1.4};
    for (int i = 0; i < 5; ++i) {
        testing::MadeGauging made;
        made.time = "2024-0" + std::to_string(i + 4) + "-10 09:00~09:40";
        made.number = std::to_string(i + 1);
        made.scale = scales[i];
        made.stage = num::fixedText(44.0 + scales[i], 2);
        gaugings.push_back(
            station::computeGauging(testing::gaugingBytes(made), folder / (made.number + ".dat")));
    }
    gaugings.push_back(station::computeGauging("not a gauging", folder / "x.dat"));
    return station::buildStationTable(gaugings);
}

TEST(StationWorkbook, TheTableIsAYearbookPageAndNamesWhatWasLeftOut) {
    testing::ProgramFolder folder;
    const station::StationTable table = smallYear(folder.path());
    ASSERT_EQ(table.rows.size(), 5u);
    const auto file = folder.path() / "成果表.xlsx";
    ASSERT_EQ(writeStationTableWorkbook(table, file), std::nullopt);

    const std::string book = part(file, "xl/workbook.xml");
    EXPECT_NE(book.find("name=\"实测流量成果表\""), std::string::npos);
    EXPECT_NE(book.find("name=\"问题\""), std::string::npos);
    EXPECT_NE(book.find("'实测流量成果表'!$2:$3"), std::string::npos) << "heading rows repeated";
    const std::string sheet = part(file, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("paperSize=\"9\""), std::string::npos);
    EXPECT_NE(sheet.find("orientation=\"landscape\""), std::string::npos);
    // The texts stand in the cells: the table is written a row at a time.
    const std::string strings =
        sheet + part(file, "xl/worksheets/sheet2.xml") + part(file, "xl/worksheets/sheet3.xml");
    for (const char* text :
         {"青石桥 2024 年实测流量成果表", "基本水尺水位\n(m)", "流量\n(m³/s)", "水面比降\n(‱)",
          "附注", "IVE\n(%)", "ISO 748\n(%)", "x.dat", "未列入"}) {
        EXPECT_NE(strings.find(text), std::string::npos) << text;
    }
    // The discharge is a number cell showing the form's digits.
    const std::string q = table.rows[0].results[0];
    EXPECT_NE(sheet.find("<v>" + q + "</v>"), std::string::npos) << q;

    // A folder that does not exist: nothing written, the reason given.
    const auto failed = writeStationTableWorkbook(table, folder.path() / "无" / "t.xlsx");
    ASSERT_TRUE(failed);
    EXPECT_NE(failed->find("无法写入"), std::string::npos);
}

// A table of `count` rows as the yearbook has them, each with the record's 说明 and what the
// program found in its 附注.
station::StationTable yearbookYear(int count, const std::string& stated) {
    station::StationTable table;
    table.station = "青石桥";
    table.year = 2024;
    for (int i = 0; i < count; ++i) {
        station::TableRow row;
        row.file = "g" + std::to_string(i + 1) + ".dat";
        row.number = std::to_string(i + 1);
        row.time.start = {2024, 1 + i % 12, 1 + i % 28, 8, 30};
        row.time.end = {2024, 1 + i % 12, 1 + i % 28, 9, 45};
        row.place = "基本水尺断面";
        row.method = "流速仪 18/18";
        row.stage.metres = 45.12;
        row.stage.text = "45.12";
        row.results = {"186", "205", "0.907", "1.62", "83.1", "2.47", "3.90"};
        row.stated = stated;
        row.remarks = stated + "；检查有 1 处注意";
        row.ive = 5.2;
        row.iso748 = 6.1;
        table.rows.push_back(row);
    }
    return table;
}

// The 成果表 is laid out as the yearbook's table: 测验方法 on one line, 附注 the record's own 说明,
// and the uncertainties and the program's remarks on a sheet of their own.
TEST(StationWorkbook, TheTableIsTheYearbooksAndTheProgramSpeaksOnItsOwnSheet) {
    testing::ProgramFolder folder;
    const auto file = folder.path() / "成果表.xlsx";
    ASSERT_EQ(writeStationTableWorkbook(yearbookYear(40, "测流时有风"), file), std::nullopt);
    const std::string book = part(file, "xl/workbook.xml");
    const auto at = [&](std::string_view name) { return book.find(name); };
    ASSERT_NE(at("name=\"检查与不确定度\""), std::string::npos);
    EXPECT_LT(at("name=\"实测流量成果表\""), at("name=\"检查与不确定度\""));
    EXPECT_LT(at("name=\"检查与不确定度\""), at("name=\"问题\""));

    const std::string table = part(file, "xl/worksheets/sheet1.xml");
    for (const char* absent : {"IVE", "ISO 748", "检查有"}) {
        EXPECT_EQ(table.find(absent), std::string::npos) << absent;
    }
    EXPECT_NE(table.find(">测流时有风<"), std::string::npos);
    EXPECT_NE(table.find("附注"), std::string::npos);
    const std::string checks = part(file, "xl/worksheets/sheet2.xml");
    for (const char* present :
         {"IVE", "ISO 748", ">检查有 1 处注意<", "<v>5.2</v>", "<v>6.1</v>"}) {
        EXPECT_NE(checks.find(present), std::string::npos) << present;
    }

    // Every page of the table carries rows, whatever their count: never the headings and a note
    // alone; each 测验方法 stands on one line; the note is at the foot of every page.
    for (int count = 24; count <= 40; ++count) {
        SCOPED_TRACE(std::to_string(count) + " rows");
        ASSERT_EQ(writeStationTableWorkbook(yearbookYear(count, "测流时有风"), file), std::nullopt);
        const pages::Layout layout = pages::layoutWorkbook(file);
        ASSERT_TRUE(layout.problem.empty()) << layout.problem;
        int rows = 0;
        for (const pages::Page& page : layout.pages) {
            bool heading = false;
            bool method = false;
            bool note = false;
            for (const pages::TextBox& t : page.texts) {
                heading = heading || t.text == "附注";
                note = note || t.text.find("三位有效数字") != std::string::npos;
                if (t.text == "流速仪 18/18") {
                    method = true;
                    ++rows;
                    EXPECT_GE(t.cell.width, svg::textEms(t.text, 0.5) * t.points) << t.text;
                }
            }
            EXPECT_EQ(heading, method);
            EXPECT_EQ(heading, note);
        }
        EXPECT_EQ(rows, count);
    }
}

// A year of many gaugings makes a sheet larger than a workbook from elsewhere may be; the
// program reads its own workbook whole, and says a foreign one is too large, not damaged.
TEST(StationWorkbook, TheProgramReadsItsOwnLargeWorkbook) {
    testing::ProgramFolder folder;
    const auto file = folder.path() / "成果表.xlsx";
    // 2,500 rows with a long 说明 each make a table sheet of more than 8 MiB, as 10,000 gaugings
    // with short ones do.
    std::string stated;
    for (int i = 0; i < 250; ++i) {
        stated += "测流时有风";
    }
    ASSERT_EQ(writeStationTableWorkbook(yearbookYear(2500, stated), file), std::nullopt);
    EXPECT_GT(part(file, "xl/worksheets/sheet1.xml", xlsx::kOwnWorkbookLimits).size(),
              xlsx::kMaxPartBytes);
    const pages::Layout own = pages::layoutWorkbook(file, xlsx::kOwnWorkbookLimits);
    ASSERT_TRUE(own.problem.empty()) << own.problem;
    EXPECT_GT(own.pages.size(), 100U);
    const pages::Layout foreign = pages::layoutWorkbook(file);
    EXPECT_EQ(foreign.problem.find("损坏"), std::string::npos) << foreign.problem;
    EXPECT_NE(foreign.problem.find("工作簿太大，无法读取（部件 xl/worksheets/sheet1.xml 解压后 "),
              std::string::npos)
        << foreign.problem;
}

TEST(StationWorkbook, TheRatingTableAndPictureCarryTheCurveAndTheTests) {
    testing::ProgramFolder folder;
    RatingReport report = testing::twelveGaugingsOfAYear();
    ASSERT_TRUE(report.fit().problem.empty()) << report.fit().problem;

    const auto file = folder.path() / "推流表.xlsx";
    ASSERT_EQ(writeRatingWorkbook(report, file), std::nullopt);
    const std::string strings = part(file, "xl/sharedStrings.xml");
    EXPECT_NE(strings.find("青石桥 2024 年水位流量关系推流表"), std::string::npos);
    EXPECT_NE(strings.find("+0.09"), std::string::npos);
    EXPECT_NE(strings.find("符号检验"), std::string::npos);
    EXPECT_NE(strings.find("α = 0.2"), std::string::npos);
    // Gauged 101.50 to 104.25 m, extended by 30 % of the 2.75 m range above (to 105.07 m) and
    // 10 % below (to 101.23 m): rows 101.2 to 105.0 of ten centimetres each, those beyond the
    // gauged stages marked 外延.
    const std::string sheet = part(file, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<v>101.2</v>"), std::string::npos);
    EXPECT_EQ(sheet.find("<v>101.1</v>"), std::string::npos);
    EXPECT_NE(sheet.find("<v>105</v>"), std::string::npos);
    EXPECT_EQ(sheet.find("<v>105.1</v>"), std::string::npos);
    EXPECT_NE(strings.find("外延"), std::string::npos);
    EXPECT_NE(strings.find("实测水位 101.50–104.25 m"), std::string::npos);
    // The cells are marked, not the lines: 101.48 and 101.49 (line 101.4, sheet row 7) are
    // extended and bold, 101.50 and 101.51 (line 101.5, row 8) gauged and plain, all of two
    // decimals. The line 104.2 holds both and says so; the first and last lines say why their
    // cells beyond the limits are empty.
    EXPECT_FALSE(cellStyle(sheet, "K7").empty());
    EXPECT_EQ(cellStyle(sheet, "J7"), cellStyle(sheet, "K7"));
    EXPECT_EQ(cellStyle(sheet, "B8"), cellStyle(sheet, "C8"));
    EXPECT_NE(cellStyle(sheet, "K7"), cellStyle(sheet, "B8"));
    EXPECT_EQ(cellStyle(sheet, "L8"), "") << "a gauged line has no note";
    for (const char* note : {"部分外延", "外延；空格超出外延限", "粗体的流量为外延"}) {
        EXPECT_NE(strings.find(note), std::string::npos) << note;
    }

    // The 检验 sheet keeps its figures as numbers, the measured discharge as the form gives it,
    // and counts the gaugings as the text report does.
    const std::string tests = part(file, "xl/worksheets/sheet2.xml");
    const auto& first = report.points.front();
    for (const std::string& figure :
         {num::fixedText(first.stage, 2), num::graded(first.discharge, num::Grade::Discharge),
          num::fixedText(report.review.deviations[0] * 100.0, 2),
          num::fixedText(report.fit().tests.run.critical, 2),
          num::fixedText(report.fit().tests.randomUncertainty * 100.0, 2)}) {
        EXPECT_NE(tests.find("<v>" + num::plainText(num::numberOf(figure)) + "</v>"),
                  std::string::npos)
            << figure;
    }
    EXPECT_NE(strings.find("实测流量（记载表）"), std::string::npos);
    EXPECT_EQ(pointCountText(report), "12 个");
    RatingReport fewer = report;
    const station::Exclusion two[] = {{"2", "测验有误"}, {"5", "测验有误"}};
    fewer.review = station::reviewRating(fewer.points, two, station::RatingForm::Power, 0.20);
    EXPECT_EQ(pointCountText(fewer), "12 个，参加定线 10 个");

    const std::string svg = ratingPlotSvg(report);
    EXPECT_EQ(svg, ratingPlotSvg(report)) << "the same input gives the same bytes";
    EXPECT_NE(svg.find(">12</text>"), std::string::npos);
    EXPECT_NE(svg.find("符号检验"), std::string::npos);
    EXPECT_NE(svg.find(report.fit().curve.equation()), std::string::npos);
    EXPECT_NE(svg.find("α = 0.2"), std::string::npos);
    EXPECT_NE(svg.find("<path d=\"M"), std::string::npos);

    // Stages below a gauge's zero: the line -0.1 holds -0.10 to -0.01, ten cells, as any other.
    RatingReport low = report;
    for (auto& p : low.points) {
        p.stage -= 102.0;
    }
    low.review = station::reviewRating(low.points, {}, station::RatingForm::Power, 0.20);
    ASSERT_EQ(writeRatingWorkbook(low, file), std::nullopt);
    const std::string lowSheet = part(file, "xl/worksheets/sheet1.xml");
    const auto line = lowSheet.rfind("<row ", lowSheet.find("<v>-0.1</v>"));
    const std::string cells = lowSheet.substr(line, lowSheet.find("</row>", line) - line);
    int count = 0;
    for (auto at = cells.find("<c "); at != std::string::npos; at = cells.find("<c ", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 11) << cells;

    RatingReport unfitted;
    unfitted.points = {report.points[0]};
    unfitted.review = station::reviewRating(unfitted.points, {}, station::RatingForm::Power);
    EXPECT_NE(ratingPlotSvg(unfitted).find("未能定线"), std::string::npos);
}

// A verdict that names hundreds of outliers is too long for one row: it goes on over rows that
// each print, is no longer repeated on every page, and the 检验 sheet takes pages by its rows,
// not one page a row.
TEST(StationWorkbook, ALongVerdictPrintsOnRowsThatFitThePage) {
    testing::ProgramFolder folder;
    RatingReport report;
    report.station = "青石桥";
    report.year = 2024;
    for (int i = 0; i < 3000; ++i) {
        const double z = 101.5 + 0.001 * i;
        const double off = i % 10 == 0 ? 0.6 : i % 7 == 0 ? -0.01 : i % 3 == 0 ? 0.01 : 0.0;
        report.points.push_back(station::ratingPoint(z,
                                                     18.6 * std::pow(z - 101.2, 1.75) * (1 + off),
                                                     "第" + std::to_string(i + 1) + "次", 4.0));
    }
    report.review = station::reviewRating(report.points, {}, station::RatingForm::Power, 0.20);
    ASSERT_TRUE(report.fit().problem.empty()) << report.fit().problem;
    const station::RatingVerdict verdict = report.verdict();
    ASSERT_FALSE(verdict.reasons.empty());
    std::size_t said = 0;
    for (const std::string& reason : verdict.reasons) {
        said += reason.size();
    }
    ASSERT_GT(said, 6000U) << "a verdict of some 900 pt in one row";

    const auto file = folder.path() / "推流表.xlsx";
    ASSERT_EQ(writeRatingWorkbook(report, file), std::nullopt);
    const std::string tests = part(file, "xl/worksheets/sheet2.xml");
    int rows = 0;
    for (auto at = tests.find(" ht=\""); at != std::string::npos;
         at = tests.find(" ht=\"", at + 1)) {
        EXPECT_LE(num::numberOf(tests.substr(at + 5, 12)), 409.0);
        ++rows;
    }
    EXPECT_GT(rows, 3000);
    // Every outlier is still named, in order.
    const std::string strings = part(file, "xl/sharedStrings.xml");
    for (const char* named : {"第1次（", "第1501次（", "第2991次（"}) {
        EXPECT_NE(strings.find(named), std::string::npos) << named;
    }
    EXPECT_EQ(part(file, "xl/workbook.xml").find("检验'!$1:$1"), std::string::npos);
    const pages::Layout layout = pages::layoutWorkbook(file, xlsx::kOwnWorkbookLimits);
    ASSERT_TRUE(layout.problem.empty()) << layout.problem;
    EXPECT_LT(layout.pages.size(), 300U);
}

// The picture of a year of many gaugings costs time in proportion to them: a label is tried
// against what lies near it, not against every marker and label drawn before.
TEST(StationWorkbook, ThePictureOfManyGaugingsIsDrawnInLinearTime) {
    const auto report = [](int count) {
        RatingReport r;
        r.station = "青石桥";
        r.year = 2024;
        for (int i = 0; i < count; ++i) {
            const double z = 101.5 + 3.0 * i / count;
            const double wobble = ((i * 7919) % 101 - 50) / 1000.0;
            r.points.push_back(station::ratingPoint(
                z, 18.6 * std::pow(z - 101.2, 1.75) * (1 + wobble), std::to_string(i + 1), 4.0));
        }
        r.review = station::reviewRating(r.points, {}, station::RatingForm::Power, 0.20);
        return r;
    };
    const auto seconds = [](const RatingReport& r) {
        const auto start = std::chrono::steady_clock::now();
        const std::string svg = ratingPlotSvg(r);
        EXPECT_NE(svg.find("</svg>"), std::string::npos);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const RatingReport small = report(5000);
    const RatingReport large = report(40000);
    const double a = seconds(small);
    const double b = seconds(large);
    std::cerr << a << " s " << b << " s\n";
    EXPECT_LT(b, 2.0 + 16 * a) << "eight times the gaugings, " << b / a << " times the time";
}

} // namespace
} // namespace tarnelo
