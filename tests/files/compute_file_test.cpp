#include "app/compute_file.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

class ComputeFile : public ::testing::Test {
  protected:
    FileComputation computeText(std::string_view utf8) {
        const auto file = folder.textData("m.dat");
        EXPECT_TRUE(writeFileAtomic(file, *utf8ToGbk(utf8)));
        return computeRawDataFile(file);
    }
    testing::ProgramFolder folder;
};

// The field manual's five-row worked example, as the writer would save it.
constexpr std::string_view kWorkedExample =
    "流速仪原始数据,垂线模式\r\n0.85,0.7,0.7,20,0.6793,0.0033\r\n0,5,10,15,20\r\n"
    "0,1.2,1.8,1.5,0\r\n*,0.6,0.6,0.0,*\r\n*,10,15,20,*\r\n*,100,110,105,*\r\n\r\n";

TEST_F(ComputeFile, AComputedFileGivesEveryRowAndTheSevenResults) {
    const auto outcome = computeText(kWorkedExample);
    EXPECT_EQ(outcome.status, FileComputation::Status::Computed);
    EXPECT_EQ(entryModeName(outcome.gauging.mode), "垂线模式");
    ASSERT_EQ(coefficientCount(outcome.gauging.mode), 6u);
    EXPECT_EQ(outcome.gauging.coefficients[0], "0.85");
    const Table& sheet = outcome.computation.table;
    EXPECT_EQ(listedRows(outcome), 20);
    EXPECT_EQ(sheet.cell(0, 0), "水边");
    EXPECT_EQ(sheet.cell(3, 11), "0.7/1.54");
    EXPECT_EQ(outcome.computation.results[res::断面流量], "37.4");
    EXPECT_EQ(outcome.computation.completion, "感谢使用!");
    EXPECT_EQ(outcome.message, "");
}

TEST_F(ComputeFile, IncompleteInputAndDamagedFilesAreIncompleteWithTheReason) {
    const auto few = computeText(
        "流速仪原始数据,测速模式\r\n0.6,0.7,0.7\r\n0,1\r\n0,1\r\n*,0.6\r\n*,0.5\r\n\r\n");
    EXPECT_EQ(few.status, FileComputation::Status::Incomplete);
    EXPECT_EQ(entryModeName(few.gauging.mode), "测速模式");
    EXPECT_EQ(coefficientCount(few.gauging.mode), 3u);
    EXPECT_NE(few.message.find("数据不全"), std::string::npos) << few.message;

    // Computable, but the header part is missing: the file is reported as incomplete.
    std::string noHeader(kWorkedExample);
    noHeader.resize(noHeader.size() - 4);
    const auto damaged = computeText(noHeader);
    EXPECT_EQ(damaged.status, FileComputation::Status::Incomplete);
    EXPECT_EQ(damaged.computation.results[res::断面流量], "37.4");
    EXPECT_NE(damaged.message.find("测站记录表头"), std::string::npos);
}

TEST_F(ComputeFile, RefusalsAndUnreadableFilesSayWhy) {
    // T of 0 on a velocity vertical is refused by the computation.
    const auto refused =
        computeText("流速仪原始数据,垂线模式\r\n0.85,0.7,0.7,20,0.6793,0.0033\r\n0,5,10,15,20\r\n"
                    "0,1.2,1.8,1.5,0\r\n*,0.6,0.6,0.0,*\r\n*,10,15,20,*\r\n*,100,0,105,*\r\n\r\n");
    EXPECT_EQ(refused.status, FileComputation::Status::Refused);
    EXPECT_FALSE(refused.message.empty());

    const auto foreign = computeText("流速仪系数\r\n1,2,3,4,5,6");
    EXPECT_EQ(foreign.status, FileComputation::Status::Unreadable);
    EXPECT_NE(foreign.message.find("不是流速仪原始数据文件"), std::string::npos);
    const auto missing = computeRawDataFile(folder.textData("absent.dat"));
    EXPECT_EQ(missing.status, FileComputation::Status::Unreadable);
    EXPECT_EQ(missing.message, "文件不存在。");
}

// Many files are computed on every core but handed over in their order, each with what its own
// thread made of it, and a stop ends the run at once.
TEST_F(ComputeFile, ManyFilesComeBackInOrderAndAStopEndsTheRun) {
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 150; ++i) {
        // Every third file is no measurement, the others differ in their surface coefficient.
        const std::string text =
            i % 3 == 0 ? "流速仪系数\r\n1,2,3,4,5,6"
                       : "流速仪原始数据,垂线模式\r\n0." + std::to_string(10 + i % 80) +
                             ",0.7,0.7,20,0.6793,0.0033\r\n0,5,10,15,20\r\n0,1.2,1.8,1.5,0\r\n"
                             "*,0.6,0.0,0.0,*\r\n*,10,15,20,*\r\n*,100,110,105,*\r\n\r\n";
        files.push_back(folder.textData("m" + std::to_string(i) + ".dat"));
        ASSERT_TRUE(writeFileAtomic(files.back(), *utf8ToGbk(text)));
    }
    std::vector<std::size_t> seen;
    computeRawDataFiles(
        files,
        [](std::size_t i, const FileComputation& outcome) {
            return std::to_string(i) + ":" + outcome.gauging.coefficients[0];
        },
        [&](std::size_t i, const FileComputation& outcome, std::string& rendered) {
            seen.push_back(i);
            const FileComputation alone = computeRawDataFile(files[i]);
            EXPECT_EQ(outcome.status, alone.status) << i;
            EXPECT_EQ(outcome.computation.results, alone.computation.results) << i;
            EXPECT_EQ(rendered, std::to_string(i) + ":" + alone.gauging.coefficients[0]) << i;
            return true;
        });
    ASSERT_EQ(seen.size(), files.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], i);
    }

    std::size_t handed = 0;
    computeRawDataFiles(files, {}, [&](std::size_t i, const FileComputation&, std::string&) {
        ++handed;
        return i < 70;
    });
    EXPECT_EQ(handed, 71u); // the file that said stop is the last one handed over
}

} // namespace
} // namespace tarnelo
