// The gauging as a value: read from a file and written back byte for byte, computed the same
// however many empty rows follow it, and never thrown off by what a file may hold.
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/gbk.hpp"
#include "files/raw_data_file.hpp"
#include "sheet/sheet.hpp"
#include "support/saved_measurements.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

using testing::savedMeasurements;

TEST(GaugingFile, EveryMeasurementTheProgramSavedReadsAndWritesBackByteForByte) {
    int written = 0;
    for (const fs::path& file : savedMeasurements()) {
        SCOPED_TRACE(file.filename().string());
        const GaugingFile read = readGaugingFile(file);
        if (read.status != GaugingFile::Status::Opened) {
            continue; // short or foreign files are read as far as they go, not written back
        }
        const auto saved = gaugingFileBytes(read.gauging, read.gauging.headerPart);
        ASSERT_TRUE(saved.bytes.has_value()) << saved.problem;
        EXPECT_TRUE(*saved.bytes == readFileBytes(file).value_or("")) << "written back differently";
        ++written;
    }
    EXPECT_GE(written, 20);
}

// The columns a mode types are one list: the sheet's editable columns are exactly it.
TEST(GaugingColumns, TheSheetLetsTheUserTypeTheModesColumnsAlone) {
    const auto either = eitherModeTypedColumns();
    EXPECT_EQ(std::vector<int>(either.begin(), either.end()),
              (std::vector<int>{col::起点距, col::水深, col::相对, col::N, col::T, col::测点流速}));
    for (const EntryMode mode : {EntryMode::Vertical, EntryMode::Velocity}) {
        Sheet sheet;
        layoutSheet(sheet, mode);
        for (int c = 0; c < kRecordColumns; ++c) {
            EXPECT_EQ(!sheet.isReadOnly(c), typesColumn(mode, c))
                << entryModeName(mode) << " " << columnHeading(c);
        }
    }
}

// The one writer: the mode's typed columns in file order whatever else a row holds, the header
// bytes after the blank line as given, and a text it cannot carry refused with its cell named.
TEST(GaugingFile, TheWriterTakesTheModesColumnsAndTheHeaderBytesAsGiven) {
    Gauging g;
    g.mode = EntryMode::Velocity;
    g.rows.resize(2);
    g.rows[0] = {"0", "0", "", "7", "30", ""};
    g.rows[1] = {"5", "1.2", "0.6", "7", "30", "0.45"};
    const std::string header = "\xb2\xe2,*,\r\n*,"; // GBK bytes, carried unread
    const GaugingFileBytes written = gaugingFileBytes(g, header);
    ASSERT_TRUE(written.bytes) << written.problem;
    EXPECT_EQ(*written.bytes,
              *utf8ToGbk("流速仪原始数据,测速模式\r\n0.6,0.7,0.7\r\n0,5\r\n0,1.2\r\n"
                         "*,0.6\r\n*,0.45") +
                  "\r\n\r\n" + header);
    const GaugingFile read = readGaugingBytes(*written.bytes, "m.dat");
    EXPECT_EQ(read.gauging.headerPart, header);
    EXPECT_EQ(typedColumns(EntryMode::Velocity).size(), 4u);

    g.rows[1].velocity = "0,45";
    const GaugingFileBytes refused = gaugingFileBytes(g, header);
    EXPECT_FALSE(refused.bytes);
    EXPECT_EQ(refused.problem, rawDataProblem(g).value_or(""));
    EXPECT_NE(refused.problem.find("第 2 行“测点流速”"), std::string::npos) << refused.problem;
}

// Every saved measurement computes to one value, however many empty rows follow it; the window
// shows exactly that value (tests/app/compute_command_test.cpp).
TEST(GaugingComputation, EmptyRowsAfterAGaugingChangeNothing) {
    int computedFiles = 0;
    for (const fs::path& file : savedMeasurements()) {
        SCOPED_TRACE(file.filename().string());
        const GaugingFile read = readGaugingFile(file);
        if (read.status != GaugingFile::Status::Opened &&
            read.status != GaugingFile::Status::Incomplete) {
            continue;
        }
        const Computation computed = compute(read.gauging);
        computedFiles += computed.computed() ? 1 : 0;
        Gauging longer = read.gauging;
        longer.rows.resize(read.gauging.rows.size() + 30);
        const Computation again = compute(longer);
        EXPECT_EQ(static_cast<int>(again.status), static_cast<int>(computed.status));
        EXPECT_EQ(again.message, computed.message);
        EXPECT_EQ(again.results, computed.results);
        EXPECT_EQ(again.completion, computed.completion);
        EXPECT_EQ(again.findings, computed.findings);
        EXPECT_EQ(again.uncertainty.iso748.percent, computed.uncertainty.iso748.percent);
        EXPECT_EQ(again.uncertainty.ive.percent, computed.uncertainty.ive.percent);
        for (int r = 0; r < again.table.rowCount(); ++r) {
            for (int c = 0; c < kRecordColumns; ++c) {
                ASSERT_EQ(again.table.cell(r, c), computed.table.cell(r, c)) << r << "," << c;
            }
        }
    }
    EXPECT_GE(computedFiles, 20);
}

TEST(GaugingComputation, NeverThrowsAndAlwaysSaysWhyNothingWasComputed) {
    const std::vector<std::string> texts{"",     "0",   "0.0",  "0.6", "1.5", "-2",  "1e308",
                                         "nan",  "inf", "l.3",  "1,5", "10",  "0.2", "99999",
                                         "1e-9", " 3",  "水边", "*",   "0.8", "100"};
    std::mt19937 random(29);
    std::uniform_int_distribution<std::size_t> pick(0, texts.size() - 1);
    for (int run = 0; run < 3000; ++run) {
        Gauging gauging;
        gauging.mode = run % 3 == 0   ? EntryMode::Velocity
                       : run % 3 == 1 ? EntryMode::Vertical
                                      : EntryMode::Unknown;
        for (std::string& coefficient : gauging.coefficients) {
            coefficient = run % 4 == 0 ? texts[pick(random)] : coefficient;
        }
        gauging.rows.resize(static_cast<std::size_t>(run % 23));
        for (GaugingRow& row : gauging.rows) {
            for (const int c : {col::起点距, col::水深, col::相对, col::N, col::T, col::测点流速}) {
                setTypedText(row, c, texts[pick(random)]);
            }
        }
        Computation computed;
        ASSERT_NO_THROW(computed = compute(gauging)) << run;
        if (!computed.computed()) {
            EXPECT_FALSE(computed.message.empty()) << run;
            EXPECT_EQ(computed.results, (std::array<std::string, kResultCount>{})) << run;
            EXPECT_TRUE(computed.completion.empty()) << run;
        } else {
            EXPECT_FALSE(computed.results[res::断面流量].empty()) << run;
        }
    }
}

TEST(GaugingComputation, AsksBeforeClearingTheOtherModesCells) {
    Gauging gauging;
    gauging.mode = EntryMode::Velocity;
    gauging.rows = {{"0", "0", "", "", "", ""}, {"5", "1.2", "0.6", "10", "100", ""}};
    EXPECT_EQ(modeSwitchQuestion(gauging), "计算将清除在垂线模式下输入的 N、T 共 2 格，是否继续？");
    gauging.mode = EntryMode::Vertical;
    EXPECT_EQ(modeSwitchQuestion(gauging), "");
    gauging.rows[1].velocity = "0.5"; // computed on a velocity vertical: not the other mode's
    gauging.rows[0].velocity = "0.3";
    EXPECT_EQ(modeSwitchQuestion(gauging),
              "计算将清除在测速模式下输入的测点流速共 1 格，是否继续？");
}

} // namespace
} // namespace tarnelo
