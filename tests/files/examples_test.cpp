// The measurements in examples/ are typed here into a window and saved by the program's own
// writer; the committed files must be exactly what the writer gives and must compute fully.
// TARNELO_WRITE_EXAMPLES=1 rewrites them after a deliberate change.
#include "app/compute_file.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "files/file_io.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace tarnelo {
namespace {

using Header = std::array<std::string, 39>;
struct Row {
    std::string distance, depth, position, n, t;
};

void typeRows(HeadlessWindow& window, const std::vector<Row>& rows, int velocityColumn) {
    Sheet& sheet = window.sheet();
    sheet.growTo(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i);
        sheet.setCell(r, col::起点距, rows[i].distance);
        sheet.setCell(r, col::水深, rows[i].depth);
        sheet.setCell(r, col::相对, rows[i].position);
        sheet.setCell(r, velocityColumn, rows[i].n);
        sheet.setCell(r, col::T, rows[i].t);
    }
}

Header header(std::initializer_list<std::pair<std::size_t, const char*>> values) {
    Header all{};
    for (const auto& [index, text] : values) {
        all[index] = text;
    }
    return all;
}

// Clear-water river at moderate stage, a cableway gauging with surface points near the middle
// where drift made the 0.6 depth unsafe, and soundings between the velocity verticals.
void verticalSurfacePoints(HeadlessWindow& window) {
    window.setText(ctl::水面系数编辑框, "0.85");
    typeRows(window,
             {{"2.0", "0", "", "", ""},
              {"4.0", "0.45", "", "", ""},
              {"6.5", "0.82", "0.6", "6", "118"},
              {"9.0", "1.15", "", "", ""},
              {"12.0", "1.48", "0.6", "9", "105"},
              {"15.0", "1.76", "0.6", "11", "102"},
              {"18.0", "1.92", "0.0", "13", "110"},
              {"21.0", "1.85", "0.6", "12", "101"},
              {"24.0", "1.60", "0.0", "10", "108"},
              {"27.0", "1.22", "", "", ""},
              {"30.0", "0.86", "0.6", "5", "116"},
              {"33.0", "0.40", "", "", ""},
              {"35.5", "0", "", "", ""}},
             col::N);
    ASSERT_TRUE(giveRecordHeader(window, header({{0, "清溪河 龙潭"},
                                                 {1, "2013-05-14 08:30～09:42"},
                                                 {2, "晴"},
                                                 {3, "东南风 2级"},
                                                 {4, "LS25-1 No.0417"},
                                                 {5, "V= 0.6793 N/T+ 0.0033"},
                                                 {6, "36"},
                                                 {7, "0.50"},
                                                 {8, "50"},
                                                 {9, "JD-1 No.12"},
                                                 {10, "+0.5"},
                                                 {11, "测流缆道"},
                                                 {12, "基本水尺断面下游 20 m"},
                                                 {13, "101.36"},
                                                 {15, "LS25-1"},
                                                 {20, "P2"},
                                                 {21, "3.34"},
                                                 {22, "3.38"},
                                                 {23, "98.000"},
                                                 {36, "水位平稳，测流期间有少量漂浮物"},
                                                 {37, "王建国 李明"},
                                                 {38, "27"}})));
}

// A small irrigation channel waded with a propeller meter reading velocities directly.
void velocityMode(HeadlessWindow& window) {
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    window.setText(ctl::岸边系数编辑框01, "0.8");
    window.setText(ctl::岸边系数编辑框02, "0.8");
    typeRows(window,
             {{"0.0", "0", "", "", ""},
              {"1.5", "0.38", "0.6", "0.21", ""},
              {"3.0", "0.62", "0.6", "0.35", ""},
              {"4.5", "0.71", "0.6", "0.42", ""},
              {"6.0", "0.66", "0.6", "0.38", ""},
              {"7.5", "0.48", "", "", ""},
              {"9.0", "0.30", "0.6", "0.18", ""},
              {"10.2", "0", "", "", ""}},
             col::测点流速);
    ASSERT_TRUE(giveRecordHeader(window, header({{0, "东干渠 三号闸下"},
                                                 {1, "2013-06-02 15:10～15:35"},
                                                 {2, "多云"},
                                                 {3, "北风 1级"},
                                                 {4, "旋桨式 No.208"},
                                                 {6, "112"},
                                                 {9, "—"},
                                                 {11, "涉水"},
                                                 {12, "闸下 50 m 顺直段"},
                                                 {13, "45.12"},
                                                 {15, "LS10"},
                                                 {20, "Z1"},
                                                 {21, "2.60"},
                                                 {22, "2.63"},
                                                 {23, "42.500"},
                                                 {36, "渠道衬砌，岸边系数取 0.8"},
                                                 {37, "赵敏"},
                                                 {38, "6"}})));
}

// A wide river at flood stage: 25 velocity verticals, so the sheet grows beyond 20 rows.
void twentyFiveVerticals(HeadlessWindow& window) {
    window.setText(ctl::水面系数编辑框, "0.85");
    std::vector<Row> rows;
    rows.push_back({"8", "0", "", "", ""});
    constexpr double kPi = 3.14159265358979;
    for (int i = 1; i <= 25; ++i) {
        const double x = 8 + 5.0 * i;
        const double shape = std::sin(kPi * i / 26.0);
        const double depth = 0.6 + 3.8 * shape;
        const double velocity = 0.45 + 1.6 * shape;
        const double seconds = 100 + (i * 7) % 23;
        // Signals of 20 revolutions for the rating V = 0.6793 n + 0.0033 over the time.
        const double signals = std::round((velocity - 0.0033) / 0.6793 * seconds / 20);
        const bool surface = i == 12 || i == 13;
        rows.push_back({num::plainText(x), num::fixedText(depth, 2), surface ? "0.0" : "0.6",
                        num::plainText(signals), num::plainText(seconds)});
    }
    rows.push_back({"135", "0", "", "", ""});
    typeRows(window, rows, col::N);
    ASSERT_TRUE(giveRecordHeader(window, header({{0, "白沙江 石门"},
                                                 {1, "2013-07-21 10:05～12:40"},
                                                 {2, "阴"},
                                                 {3, "西南风 3级"},
                                                 {4, "LS25-3A No.1126"},
                                                 {5, "V= 0.6793 N/T+ 0.0033"},
                                                 {6, "8"},
                                                 {7, "0.45"},
                                                 {8, "100"},
                                                 {9, "JD-3 No.05"},
                                                 {10, "-0.3"},
                                                 {11, "测船"},
                                                 {12, "基本水尺断面"},
                                                 {13, "212.88"},
                                                 {14, "0"},
                                                 {15, "LS25-3A"},
                                                 {20, "P1"},
                                                 {21, "12.80"},
                                                 {22, "12.95"},
                                                 {23, "200.000"},
                                                 {36, "洪峰过程中施测，水位上涨 0.15 m"},
                                                 {37, "陈立 周峰"},
                                                 {38, "58"}})));
}

struct Example {
    const char* file;
    std::function<void(HeadlessWindow&)> type;
};

const Example kExamples[] = {{"vertical-surface-points.dat", verticalSurfacePoints},
                             {"velocity-mode.dat", velocityMode},
                             {"vertical-25-verticals.dat", twentyFiveVerticals}};

TEST(Examples, AreWhatTheWriterSavesAndComputeFully) {
    const bool rewrite = std::getenv("TARNELO_WRITE_EXAMPLES") != nullptr;
    for (const auto& example : kExamples) {
        SCOPED_TRACE(example.file);
        testing::ProgramFolder folder;
        HeadlessWindow window(folder.path());
        layoutSheet(window);
        example.type(window);
        window.answerFileDialog(ctl::通用对话框保存, folder.textData(example.file));
        saveCommand(window);
        ASSERT_TRUE(window.messages.empty());
        const std::string saved = testing::bytesOf(folder.textData(example.file));
        const auto committed =
            std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / example.file;
        if (rewrite) {
            ASSERT_TRUE(writeFileAtomic(committed, saved));
        }
        EXPECT_EQ(testing::bytesOf(committed), saved);

        const FileComputation outcome = openGauging(committed);
        EXPECT_EQ(outcome.status, FileComputation::Status::Computed) << outcome.message;
        EXPECT_EQ(outcome.computation.completion, "感谢使用!");
    }
}

} // namespace
} // namespace tarnelo
