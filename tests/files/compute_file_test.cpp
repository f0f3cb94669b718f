#include "app/compute_file.hpp"
#include "app/file_commands.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "station/station_gauging.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

class ComputeFile : public ::testing::Test {
  protected:
    FileComputation computeText(std::string_view utf8) {
        const auto file = folder.textData("m.dat");
        EXPECT_TRUE(writeFileAtomic(file, *utf8ToGbk(utf8)));
        return openGauging(file);
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
    const auto missing = openGauging(folder.textData("absent.dat"));
    EXPECT_EQ(missing.status, FileComputation::Status::Unreadable);
    EXPECT_EQ(missing.message, "文件不存在。");
}

// 打开, the command line and a station's year open a file through one door: each tells a file
// that cannot be read, is refused or is short in the door's words, the window with "无法打开",
// the year's list of problems on one line.
TEST_F(ComputeFile, EveryFrontEndTellsAFileInTheDoorsWords) {
    const auto write = [&](const std::string& name, std::string_view utf8) {
        const auto file = folder.textData(name);
        EXPECT_TRUE(writeFileAtomic(file, *utf8ToGbk(utf8)));
        return file;
    };
    std::string shortFile(kWorkedExample);
    shortFile.resize(shortFile.size() - 4); // no header part
    const std::filesystem::path files[] = {
        write("coefficients.dat", "流速仪系数\r\n1,2,3,4,5,6"),
        write("short.dat", shortFile),
        write("no-mode.dat", "流速仪原始数据\r\n\r\n"),
        write("long.dat", "流速仪原始数据,垂线模式\r\n" + std::string(300, '1') + "\r\n\r\n"),
        folder.textData("absent.dat"),
        folder.path(),
    };
    const std::string expectedUnreadable[] = {
        "不是流速仪原始数据文件（开头没有“流速仪原始数据”）。",
        "",
        "",
        "",
        "文件不存在。",
        "是文件夹，不是文件。"};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const std::filesystem::path& file = files[i];
        SCOPED_TRACE(file.filename().string());
        const FileComputation door = openGauging(file);
        const station::StationGauging year = station::readGauging(file);
        HeadlessWindow window(folder.path());
        const OpenResult opened = openRawDataFile(window, file);
        EXPECT_FALSE(door.message.empty());
        if (door.status == FileComputation::Status::Unreadable) {
            EXPECT_EQ(door.message, expectedUnreadable[i]);
            EXPECT_EQ(year.status, station::StationGauging::Status::NotAGauging);
            EXPECT_EQ(year.message, door.message);
            EXPECT_EQ(opened.message,
                      "无法打开“" + file.filename().string() + "”：" + door.message);
            continue;
        }
        EXPECT_TRUE(expectedUnreadable[i].empty());
        // The window opens without computing: it tells the file's state alone.
        EXPECT_EQ(opened.message, door.fileMessage);
        EXPECT_TRUE(door.message.starts_with(door.fileMessage)) << door.message;
        EXPECT_EQ(year.message.find('\n'), std::string::npos) << year.message;
        EXPECT_EQ(year.message.starts_with("文件“" + file.filename().string() + "”"),
                  door.message.starts_with("文件“" + file.filename().string() + "”"));
        ASSERT_FALSE(window.messages.empty());
        EXPECT_EQ(window.messages.back().text, opened.message);
    }
    // The short file is computed all the same: the door says both what it lacks and nothing
    // more, and the year's row is incomplete with the same words run on one line.
    const FileComputation shortRead = openGauging(files[1]);
    EXPECT_EQ(shortRead.status, FileComputation::Status::Incomplete);
    EXPECT_EQ(shortRead.message, shortRead.fileMessage);
    EXPECT_EQ(shortRead.computation.results[res::断面流量], "37.4");
    const station::StationGauging shortYear = station::readGauging(files[1]);
    EXPECT_EQ(shortYear.status, station::StationGauging::Status::Incomplete);
    EXPECT_EQ(
        shortYear.message,
        "文件“short.dat”不完整，已读入能读入的部分：缺少测站记录表头部分（测站记录表头为空白）。");
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
            const FileComputation alone = openGauging(files[i]);
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
