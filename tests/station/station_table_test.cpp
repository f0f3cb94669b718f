#include "app/window_sheet.hpp"
#include "station/rating.hpp"
#include "station/station_table.hpp"
#include "station/table_checks.hpp"

#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "compute/gauge_stage.hpp"
#include "files/gbk.hpp"
#include "measure/numtext.hpp"
#include "measure/section.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"
#include "support/scratch_program_folder.hpp"
#include "support/station_files.hpp"
#include "window/window_gauging.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tarnelo::station {
namespace {

using testing::MadeGauging;
using testing::writeGauging;

std::vector<StationGauging> readAll(const std::filesystem::path& folder,
                                    std::vector<TableProblem>& problems) {
    std::vector<StationGauging> gaugings;
    for (const auto& file : gaugingFiles({folder}, problems)) {
        gaugings.push_back(readGauging(file));
    }
    return gaugings;
}

MadeGauging made(std::string time, std::string number, std::string stage, double scale) {
    MadeGauging g;
    g.time = std::move(time);
    g.number = std::move(number);
    g.stage = std::move(stage);
    g.scale = scale;
    return g;
}

const TableProblem* problemOf(const StationTable& table, std::string_view file) {
    for (const TableProblem& p : table.problems) {
        if (p.file.filename() == file) {
            return &p;
        }
    }
    return nullptr;
}

TEST(StationTable, AFolderOfMixedFilesGivesOrderedRowsAndNamesEveryFileLeftOut) {
    testing::ProgramFolder folder;
    const auto in = [&](std::string_view name) { return folder.path() / name; };
    // Gaugings of 青石桥 in 2024, given out of order.
    writeGauging(in("03.dat"), made("2024-08-02 10:00~10:40", "3", "46.05", 1.6));
    writeGauging(in("01.dat"), made("2024年3月5日9时至9时50分", "1", "44.80", 0.8));
    // Written on the form without a year: it takes the year most files name.
    writeGauging(in("02.dat"), made("5月20日 14:10-15:00", "2", "45.30", 1.0));
    // The same 施测号数 twice, and on the same day: ordered by time.
    writeGauging(in("04a.dat"), made("2024-09-01 16:00~16:30", "4", "45.90", 1.4));
    writeGauging(in("04b.dat"), made("2024-09-01 08:00~08:30", "4", "45.95", 1.5));
    // No 相应水位: the base gauge's readings and gauge zero give the stage.
    MadeGauging fromGauge = made("2024-10-10", "5", "", 1.1);
    fromGauge.gaugeFrom = "2.60";
    fromGauge.gaugeTo = "2.63";
    fromGauge.gaugeZero = "42.500";
    writeGauging(in("05.dat"), fromGauge);
    // A file saved as UTF-8 by another editor: converted, listed, kept.
    writeFileAtomic(in("06.dat"), gbkToUtf8(testing::gaugingBytes(
                                      made("2024-11-03 09:00~09:20", "6", "45.00", 0.9))));
    // Left out, each with its reason.
    MadeGauging wrong = made("2024-06-01", "7", "45.00", 1.0);
    wrong.badDepth = true;
    writeGauging(in("07.dat"), wrong);
    MadeGauging elsewhere = made("2024-06-02", "8", "45.00", 1.0);
    elsewhere.station = "白马渡";
    writeGauging(in("08.dat"), elsewhere);
    writeGauging(in("09.dat"), made("2023-12-30", "9", "45.00", 1.0));
    writeGauging(in("10.dat"), made("六月上旬", "10", "45.00", 1.0));
    writeFileAtomic(in("notes.dat"), "not a gauging");
    writeFileAtomic(in("readme.txt"), "not read: not a .dat file");

    std::vector<TableProblem> listing;
    const std::vector<StationGauging> gaugings = readAll(folder.path(), listing);
    EXPECT_TRUE(listing.empty());
    ASSERT_EQ(gaugings.size(), 12u);
    const StationTable table = buildStationTable(gaugings);

    EXPECT_EQ(table.station, "青石桥");
    EXPECT_EQ(table.year, 2024);
    EXPECT_EQ(tableTitle(table), "青石桥 2024 年实测流量成果表");
    std::vector<std::string> order;
    for (const TableRow& row : table.rows) {
        order.push_back(row.file.filename().string());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"01.dat", "02.dat", "03.dat", "04b.dat", "04a.dat",
                                               "05.dat", "06.dat"}));

    // The row carries the form's figures as they are, and the uncertainty after 附注.
    const StationGauging& first =
        *std::find_if(gaugings.begin(), gaugings.end(),
                      [](const StationGauging& g) { return g.file.filename() == "01.dat"; });
    const std::vector<std::string> texts = rowTexts(table.rows[0]);
    ASSERT_EQ(texts.size(), tableColumns().size());
    EXPECT_EQ(texts[0], "1");
    EXPECT_EQ(texts[1], "3");
    EXPECT_EQ(texts[2], "5");
    EXPECT_EQ(texts[3], "09:00");
    EXPECT_EQ(texts[4], "09:50");
    EXPECT_EQ(texts[7], "44.80");
    EXPECT_EQ(texts[8], first.results[0]);
    EXPECT_FALSE(texts[8].empty());
    EXPECT_EQ(texts[14], first.results[6]);
    ASSERT_TRUE(first.uncertainty.ive.percent || first.uncertainty.iso748.percent);
    EXPECT_EQ(tableColumns()[17].name, "附注");
    EXPECT_EQ(tableColumns()[18].name, "IVE");

    const TableRow& gauged = table.rows[5];
    EXPECT_TRUE(gauged.stage.fromGauge);
    EXPECT_EQ(gauged.stage.text, "45.12");
    EXPECT_NE(gauged.remarks.find("水位由基本水尺读数计算"), std::string::npos);
    EXPECT_NE(table.rows[3].remarks.find("施测号数重复"), std::string::npos);

    const auto expectProblem = [&](std::string_view file, std::string_view words, bool kept) {
        const TableProblem* p = problemOf(table, file);
        ASSERT_NE(p, nullptr) << file;
        EXPECT_NE(p->reason.find(words), std::string::npos) << file << ": " << p->reason;
        EXPECT_EQ(p->kept, kept) << file;
    };
    expectProblem("04a.dat", "施测号数 4 重复", true);
    expectProblem("04b.dat", "施测号数 4 重复", true);
    expectProblem("06.dat", "UTF-8", true);
    expectProblem("07.dat", "错误", false);
    expectProblem("08.dat", "白马渡", false);
    expectProblem("09.dat", "不在 2024 年内", false);
    expectProblem("10.dat", "六月上旬", false);
    expectProblem("notes.dat", "不是流速仪原始数据文件", false);
    EXPECT_EQ(problemOf(table, "readme.txt"), nullptr);
    EXPECT_EQ(table.rows.size() + 5, gaugings.size());

    // --year chooses another year: every 2024 row is then named as outside it, and the date
    // written without a year takes the year given.
    const StationTable other = buildStationTable(gaugings, 2023);
    ASSERT_EQ(other.rows.size(), 2u);
    EXPECT_EQ(other.rows[0].file.filename(), "02.dat");
    EXPECT_EQ(other.rows[1].file.filename(), "09.dat");
}

TEST(StationTable, TheGaugingIsComputedAsTheWindowComputesIt) {
    // The bundled example, read as data, gives the results the window prints for it.
    const StationGauging g =
        readGauging(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / "velocity-mode.dat");
    ASSERT_EQ(g.status, StationGauging::Status::Computed) << g.message;
    EXPECT_EQ(g.field(hdr::测站名称), "东干渠 三号闸下");
    EXPECT_EQ(g.field(hdr::相应水位), "45.12");
    EXPECT_EQ(g.field(hdr::施测号数), "6");
    // The same figures, findings and uncertainty as the window's own 打开 and 计算.
    for (const char* name :
         {"velocity-mode.dat", "vertical-25-verticals.dat", "vertical-surface-points.dat"}) {
        const auto file = std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / name;
        const StationGauging data = readGauging(file);
        const ScratchProgramFolder scratch;
        HeadlessWindow window(scratch.path());
        layoutSheet(window);
        ASSERT_EQ(openRawDataFile(window, file).outcome, OpenOutcome::Opened) << name;
        const ComputeOutcome computed = computeCommand(window);
        ASSERT_EQ(computed.status, ComputeOutcome::Status::Computed) << name;
        ASSERT_EQ(data.status, StationGauging::Status::Computed) << name;
        for (std::size_t i = 0; i < data.results.size(); ++i) {
            EXPECT_EQ(data.results[i], window.text(ctl::kResultFields[i])) << name << " " << i;
        }
        // The sums the yearbook rounds once are those the form's 流量 and 面积 were rounded from.
        ASSERT_TRUE(data.dischargeSum && data.areaSum) << name;
        EXPECT_EQ(num::graded(*data.dischargeSum, num::Grade::Discharge), data.results[0]) << name;
        EXPECT_EQ(num::graded(*data.areaSum, num::Grade::Area), data.results[1]) << name;
        EXPECT_EQ(data.findings, computed.findings) << name;
        const SectionUncertainty shown = estimateUncertainty(
            readSection(gaugingOf(window), tableOf(window.sheet()), window.text(ctl::断面流量)));
        EXPECT_EQ(data.uncertainty.ive.percent, shown.ive.percent) << name;
        EXPECT_EQ(data.uncertainty.iso748.percent, shown.iso748.percent) << name;
    }
    const BaseStage stage = baseStage(g);
    EXPECT_FALSE(stage.fromGauge);
    EXPECT_EQ(stage.text, "45.12");

    const StationGauging missing = readGauging("/nonexistent/gauging.dat");
    EXPECT_EQ(missing.status, StationGauging::Status::NotAGauging);
    EXPECT_NE(missing.message.find("不存在"), std::string::npos);
}

} // namespace
} // namespace tarnelo::station

namespace tarnelo::station {
namespace {

// The yearbook's three significant figures, from the graded texts of the record form: below
// 1000 the graded rules already give them (unchanged), from 1000 on the text is rounded half to
// even at the third figure, carries included.
TEST(YearbookFigures, DischargeAndAreaKeepThreeSignificantFigures) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.123", "0.123"}, {"1.23", "1.23"},   {"12.3", "12.3"},   {"123", "123"},
        {"999", "999"},     {"1000", "1000"},   {"1026", "1030"},   {"1239", "1240"},
        {"1245", "1240"},   {"1255", "1260"},   {"1250", "1250"},   {"1251", "1250"},
        {"1256", "1260"},   {"9994", "9990"},   {"9995", "10000"},  {"9999", "10000"},
        {"10000", "10000"}, {"10049", "10000"}, {"10050", "10000"}, {"10150", "10200"},
        {"-1239", "-1240"}, {"", ""},           {"0.00", "0.00"},   {"abc1", "abc1"}};
    for (const auto& [graded, yearbook] : cases) {
        EXPECT_EQ(yearbookFigure(graded), yearbook) << graded;
    }
    // Every whole value from 1 to 10,000 through the discharge grade: three figures from 100 on,
    // and the value within half a unit of the third figure.
    for (int q = 1; q <= 10000; ++q) {
        const std::string text = yearbookFigure(num::graded(q, num::Grade::Discharge));
        const double shown = num::numberOf(text);
        const double unit = q >= 1000 ? std::pow(10.0, std::floor(std::log10(q)) - 2) : 1.0;
        ASSERT_LE(std::abs(shown - q), unit / 2 + 1e-9) << q << " -> " << text;
        if (q >= 100) {
            const std::size_t figures = text.find_last_not_of('0') + 1;
            ASSERT_LE(figures, 3U) << q << " -> " << text;
        }
    }
}

} // namespace
} // namespace tarnelo::station

namespace tarnelo::station {
namespace {

// The method names the velocity verticals and their points as the computation counts them: a
// one-point vertical is one point, a two-point vertical two; 测速模式 is said.
TEST(StationTableReview, TheMethodCountsVerticalsAndPointsInEitherMode) {
    const auto example = std::filesystem::path(TARNELO_SOURCE_DIR) / "examples";
    const std::pair<const char*, const char*> cases[] = {
        {"vertical-surface-points.dat", "流速仪 7/7"}, // one point on each vertical
        {"vertical-two-point.dat", "流速仪 7/12"},     // five two-point, two one-point
        {"velocity-mode.dat", "流速仪 5/5 测速模式"}};
    for (const auto& [name, method] : cases) {
        const StationTable table = buildStationTable({readGauging(example / name)});
        ASSERT_EQ(table.rows.size(), 1u) << name;
        EXPECT_EQ(table.rows[0].method, method) << name;
    }
}

// A computed gauging of 青石桥 as the reader gives it: 40 m² over 20 m of width, 2 m deep.
StationGauging computed(std::string time, std::string number, std::string stage = "45.12") {
    StationGauging g;
    g.status = StationGauging::Status::Computed;
    g.file = "/year/" + number + ".dat";
    g.mode = EntryMode::Vertical;
    g.header[hdr::测站名称] = "青石桥";
    g.header[hdr::施测时间] = std::move(time);
    g.header[hdr::施测号数] = std::move(number);
    g.header[hdr::相应水位] = std::move(stage);
    g.results = {"30.0", "40.0", "0.75", "1.10", "20.0", "2.00", "3.10"};
    return g;
}

StationGauging withGauge(StationGauging g, std::string from, std::string to, std::string zero) {
    g.header[hdr::基本水尺读数始] = std::move(from);
    g.header[hdr::基本水尺读数终] = std::move(to);
    g.header[hdr::基本水尺零点高程] = std::move(zero);
    return g;
}

const TableRow& rowNumbered(const StationTable& table, std::string_view number) {
    const auto it = std::find_if(table.rows.begin(), table.rows.end(),
                                 [&](const TableRow& r) { return r.number == number; });
    EXPECT_NE(it, table.rows.end()) << number;
    return *it;
}

std::string problemsOf(const StationTable& table, const std::filesystem::path& file) {
    std::string all;
    for (const TableProblem& p : table.problems) {
        if (p.file == file) {
            EXPECT_TRUE(p.kept) << p.reason;
            all += p.reason + "\n";
        }
    }
    return all;
}

// The stage from the base gauge is the record form's: 平均 written to the centimetre (1.005 is a
// tie, to the even 1.00), then 水位 from that mean, so 51.00 and not 51.01 from 51.008 at once.
// The year's table, its rating points and the slip check all read that one stage.
TEST(StationTableStage, TheFormsStageRuleFromTheBaseGauge) {
    const GaugeStage paper = gaugeStage("1.00", "1.01", "50.003");
    EXPECT_EQ(paper.mean, "1.00");
    EXPECT_EQ(paper.stage, "51.00");
    EXPECT_EQ(gaugeStage("1.22", "1.23", "100").stage, "101.22");

    const StationGauging g = withGauge(computed("2024-03-05", "1", ""), "1.00", "1.01", "50.003");
    const BaseStage stage = baseStage(g);
    EXPECT_TRUE(stage.fromGauge);
    EXPECT_EQ(stage.text, "51.00");
    ASSERT_TRUE(stage.metres);
    EXPECT_EQ(*stage.metres, 51.0);
    const StationTable table = buildStationTable({g});
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].stage.text, "51.00");

    // 相应水位 typed as the once-rounded 51.01 is 1 cm from the form's stage: within 2 cm, no
    // doubt; typed 2.1 cm off the form's stage it is named with the form's figure.
    EXPECT_TRUE(
        stageDoubts(withGauge(computed("2024-03-05", "1", "51.01"), "1.00", "1.01", "50.003"))
            .empty());
    const auto doubts =
        stageDoubts(withGauge(computed("2024-03-05", "1", "51.03"), "1.00", "1.01", "50.003"));
    ASSERT_EQ(doubts.size(), 1u);
    EXPECT_TRUE(doubts[0].remark.find("（51.00）相差 0.03 m") != std::string::npos)
        << doubts[0].remark;
}

bool has(std::string_view text, std::string_view words) {
    return text.find(words) != std::string_view::npos;
}

TEST(StationTableReview, AYearAsAReviewerReadsIt) {
    std::vector<StationGauging> year;
    // 说明 first in 附注; the readings agree with 相应水位.
    year.push_back(withGauge(computed("2024-03-05 09:00~09:50", "1"), "2.60", "2.64", "42.500"));
    year.back().header[hdr::说明] = "测船测流";
    year.back().findings.resize(2); // two 注意
    // 相应水位 typed a metre below its readings: kept as typed, named with both figures.
    year.push_back(
        withGauge(computed("2024-04-10 10:00~10:40", "2", "57.62"), "2.60", "2.64", "56.000"));
    year.back().header[hdr::说明] = "水位平稳";
    // A rise of 0.30 m over 20 m of width is 15 % of 40 m²: beyond 5 % at 2 m deep. Typed as the
    // plain mean it is named; typed between the readings, off their mean, it is a weighted mean.
    year.push_back(
        withGauge(computed("2024-07-04 08:00~11:00", "3", "45.25"), "2.10", "2.40", "43.000"));
    year.push_back(
        withGauge(computed("2024-07-05 08:00~11:00", "4", "45.35"), "2.10", "2.40", "43.000"));
    // 7.5 % at 0.8 m deep is within the 10 % of shallow sections.
    year.push_back(
        withGauge(computed("2024-08-01 08:00~08:30", "5", "45.03"), "2.00", "2.06", "43.000"));
    year.back().results = {"9.0", "16.0", "0.56", "0.90", "20.0", "0.80", "1.20"};
    // 9 dated between 5 and 7 is the one out of order, not 7 and 8; 6 is missing.
    year.push_back(computed("2024-09-01 08:00~08:30", "9"));
    year.push_back(computed("2024-10-10", "7"));
    year.push_back(computed("11月3日 9:00-9:20", "8"));

    const StationTable table = buildStationTable(year);
    ASSERT_EQ(table.rows.size(), 8u);
    EXPECT_EQ(rowNumbered(table, "1").remarks, "测船测流；检查有 2 处注意");
    EXPECT_EQ(rowNumbered(table, "1").doubts, std::vector<std::string>{"检查有 2 处注意"});

    const std::string slip = "相应水位 57.62 与基本水尺读数（58.62）相差 1.00 m";
    const TableRow& slipped = rowNumbered(table, "2");
    EXPECT_EQ(slipped.remarks, "水位平稳；" + slip);
    EXPECT_EQ(slipped.doubts, std::vector<std::string>{slip});
    EXPECT_EQ(slipped.stage.text, "57.62");
    const std::string slipProblem = problemsOf(table, "/year/2.dat");
    EXPECT_TRUE(has(slipProblem, "得 58.62）相差 1.00 m，超过 2 cm（经验值）")) << slipProblem;

    const std::string rise = "测流期间水位上涨 0.30 m（面积变化约 15%），超过算术平均的适用范围，"
                             "相应水位宜加权平均";
    EXPECT_EQ(rowNumbered(table, "3").doubts, std::vector<std::string>{rise});
    const std::string riseProblem = problemsOf(table, "/year/3.dat");
    EXPECT_TRUE(has(riseProblem, "平均水深 2.00 m，算术平均只适用于面积变化在 5% 以内"))
        << riseProblem;
    EXPECT_TRUE(has(riseProblem, "GB 50179-2015")) << riseProblem;
    for (const char* quiet : {"4", "5"}) {
        EXPECT_EQ(rowNumbered(table, quiet).remarks, "") << quiet;
        EXPECT_EQ(problemsOf(table, "/year/" + std::string(quiet) + ".dat"), "") << quiet;
    }

    EXPECT_EQ(rowNumbered(table, "9").remarks, "施测号数与施测时间顺序不符");
    EXPECT_TRUE(
        has(problemsOf(table, "/year/9.dat"), "（2024-09-01 08:00）排在 5 号之后、7 号之前"));
    EXPECT_EQ(problemsOf(table, "/year/7.dat"), "施测时间“2024-10-10”只有日期、没有时分，已列入\n");
    EXPECT_EQ(rowNumbered(table, "7").remarks, "施测时间无时分");
    EXPECT_EQ(rowNumbered(table, "8").remarks, "施测时间未写年份，按多数文件的 2024 年列入");
    EXPECT_TRUE(has(problemsOf(table, "/year"), "施测号数 1–9 之间缺 6（共 1 个号）"));

    // --year 2023 takes in the date without a year, and says the others write 2024.
    const StationTable other = buildStationTable(year, 2023);
    ASSERT_EQ(other.rows.size(), 1u);
    EXPECT_EQ(other.rows[0].remarks, "施测时间未写年份，按 --year 2023 列入");
    EXPECT_TRUE(has(problemsOf(other, "/year/8.dat"), "；同批其他文件多为 2024 年"));
}

TEST(StationTableReview, MissingNumbersAreRangesAndRepeatsAreNotOutOfOrder) {
    const StationTable table = buildStationTable(
        {computed("2024-05-01 08:00~09:00", "1"), computed("2024-05-02 08:00~09:00", "5"),
         computed("2024-05-03 08:00~09:00", "5"), computed("2024-05-04 08:00~09:00", "8")});
    ASSERT_EQ(table.rows.size(), 4u);
    std::string all;
    for (const TableProblem& p : table.problems) {
        all += p.reason + "\n";
    }
    EXPECT_TRUE(has(all, "施测号数 1–8 之间缺 2–4、6–7（共 5 个号）")) << all;
    EXPECT_FALSE(has(all, "顺序")) << all;
    EXPECT_EQ(table.rows[1].remarks, "施测号数重复");
}

// The yearbook's figures are rounded once, from the sum of the partials or the curve's value,
// half to even (GB/T 8170), never from the form's whole number again.
TEST(YearbookFigures, AreRoundedOnceFromTheUnroundedValue) {
    const std::pair<double, const char*> cases[] = {
        {1934.561, "1930"}, {1025.31, "1030"}, {1005.115, "1010"},  {11149.7, "11100"},
        {1025.0, "1020"},   {1035.0, "1040"},  {1934.5, "1930"},    {9995.0, "10000"},
        {9994.9, "9990"},   {999.6, "1000"},   {999.4, "999"},      {123.456, "123"},
        {12.345, "12.3"},   {0.0123, "0.012"}, {-1934.561, "-1930"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(num::yearbookText(value, num::Grade::Discharge), text) << value;
    }
    EXPECT_EQ(num::yearbookText(1234.5, num::Grade::Area), "1230");
    EXPECT_EQ(num::yearbookText(9.995, num::Grade::Area), "10.0");

    // A row of the table: the form says 1935 and 1025, the yearbook 1930 and 1030.
    StationGauging g = computed("2024-06-01 08:00~09:00", "1");
    g.results[0] = "1935";
    g.results[1] = "1025";
    g.dischargeSum = 1934.561;
    g.areaSum = 1025.31;
    const StationTable table = buildStationTable({g});
    ASSERT_EQ(table.rows.size(), 1u);
    const auto texts = rowTexts(table.rows[0]);
    EXPECT_EQ(texts[8], "1930");
    EXPECT_EQ(texts[9], "1030");
    EXPECT_EQ(table.rows[0].results[0], "1935") << "the form's figure is kept beside";

    // The rating table at Z = 1.00 m of Q = 1005.115 Z and of Q = 11149.7 Z: the curve's values,
    // rounded once (by way of the form's whole number they gave 1000 and 11200).
    RatingCurve curve;
    curve.a = 1005.115;
    curve.b = 1.0;
    const auto entries = ratingTable(curve, 1.0, 1.0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].discharge, "1010");
    curve.a = 11149.7;
    EXPECT_EQ(ratingTable(curve, 1.0, 1.0).at(0).discharge, "11100");
}

} // namespace
} // namespace tarnelo::station
