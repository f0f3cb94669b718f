#include "station/station_table.hpp"

#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "compute/numtext.hpp"
#include "files/gbk.hpp"
#include "report/window_view.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"
#include "support/scratch_program_folder.hpp"
#include "support/station_files.hpp"

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
        EXPECT_EQ(data.findings, computed.findings) << name;
        const SectionUncertainty shown = estimateUncertainty(readWindowSection(window));
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
