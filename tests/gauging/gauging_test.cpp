// The gauging as a value: read from a file and written back byte for byte, computed without a
// window exactly as 计算 computes it in one, and never thrown off by what a file may hold.
#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "support/headless_window.hpp"
#include "support/scratch_program_folder.hpp"
#include "window/window_gauging.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> savedMeasurements() {
    const fs::path source(TARNELO_SOURCE_DIR);
    std::vector<fs::path> files;
    for (const fs::path& folder : {source / "examples", source / "tests" / "data"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() == ".dat") {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

TEST(GaugingFile, EveryMeasurementTheProgramSavedReadsAndWritesBackByteForByte) {
    int written = 0;
    for (const fs::path& file : savedMeasurements()) {
        SCOPED_TRACE(file.filename().string());
        const GaugingFile read = readGaugingFile(file);
        if (read.status != GaugingFile::Status::Opened) {
            continue; // short or foreign files are read as far as they go, not written back
        }
        const auto bytes = gaugingFileBytes(read.gauging);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_TRUE(*bytes == readFileBytes(file).value_or("")) << "written back differently";
        ++written;
    }
    EXPECT_GE(written, 20);
}

// The window's 打开 and 计算 against the pure computation: the same texts in every cell and
// result, the same findings.
TEST(GaugingComputation, IsWhatTheWindowShowsAfterOpenAndCompute) {
    for (const fs::path& file : savedMeasurements()) {
        SCOPED_TRACE(file.filename().string());
        const ScratchProgramFolder folder;
        HeadlessWindow window(folder.path());
        layoutSheet(window);
        const OpenResult opened = openRawDataFile(window, file);
        if (opened.outcome != OpenOutcome::Opened && opened.outcome != OpenOutcome::Incomplete) {
            continue;
        }
        const Gauging gauging = gaugingOf(window);
        const ComputeOutcome shown = computeCommand(window);
        const Computation computed = compute(gauging);
        EXPECT_EQ(static_cast<int>(shown.status), static_cast<int>(computed.status));
        EXPECT_EQ(shown.findings, computed.findings);
        EXPECT_EQ(window.status(), computationStatusLine(computed));
        for (int r = 0; r < window.sheet().rowCount(); ++r) {
            for (int c = 0; c < kRecordColumns; ++c) {
                ASSERT_EQ(window.sheet().cell(r, c), computed.table.cell(r, c)) << r << "," << c;
            }
        }
        for (std::size_t i = 0; i < kResultCount; ++i) {
            EXPECT_EQ(window.text(ctl::kResultFields[i]), computed.results[i]);
        }
        EXPECT_EQ(window.text(ctl::致谢框), computed.completion);
        // The same gauging computes to the same value, and empty rows after it change nothing.
        Gauging longer = gauging;
        longer.rows.resize(gauging.rows.size() + 30);
        const Computation again = compute(longer);
        EXPECT_EQ(again.results, computed.results);
        EXPECT_EQ(again.findings, computed.findings);
        EXPECT_EQ(again.uncertainty.iso748.percent, computed.uncertainty.iso748.percent);
    }
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
