// The record-form fills read back cell by cell from the saved working copy, and the export and
// print commands around them, asked and told through a scripted user and printed through a
// road that records what it was handed.
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "platform/print/page_printer.hpp"
#include "platform/workbook/workbook.hpp"
#include "report/record_form.hpp"
#include "sheet/sheet.hpp"
#include "support/form_folder.hpp"
#include "support/scripted_dialogs.hpp"
#include "support/typed_gauging.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

constexpr int kColumnsOfForm = 25;

using FormFolder = testing::FormFolder;

// Every text of the active sheet of a workbook, rows 1..rows and columns A..Y.
using Cells = std::map<std::pair<int, int>, std::string>;

Cells readWorkbook(const fs::path& file, int rows) {
    std::string error;
    const auto book = xlsx::Workbook::open(file, error);
    EXPECT_NE(book, nullptr) << error;
    Cells cells;
    if (!book) {
        return cells;
    }
    const int sheet = book->activeSheet();
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= kColumnsOfForm; ++c) {
            const xlsx::CellValue value = book->cell(sheet, r, c);
            cells[{r, c}] =
                value.kind == xlsx::CellKind::Number ? num::plainText(value.number) : value.text;
        }
    }
    return cells;
}

// A computed-looking form of n verticals whose every cell says where it came from; N (column
// 5) is filled on every other row only. Its table has the rows of a window's sheet (at least
// 20) and the default record header.
FormSheet verticalsForm(int n) {
    std::vector<RowTexts> rows(static_cast<std::size_t>(std::max(n, Sheet::kInitialRows)));
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < kRecordColumns; ++c) {
            if (c == col::N && r % 2 == 0) {
                continue;
            }
            rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                "r" + std::to_string(r) + "c" + std::to_string(c);
        }
    }
    FormSheet form;
    form.table = Table(std::move(rows));
    form.results = {"37.4", "22.5", "1.66", "2.59", "20.0", "1.12", "1.80"};
    form.signalsPerRevolution = "25";
    form.header = parseRecordHeader(kDefaultRecordHeader);
    return form;
}

// The record header of the 39 values, as 更多 gives it.
RecordHeader headerOf(const std::array<std::string, 39>& values) {
    const auto bytes = recordHeaderBytes(values);
    EXPECT_TRUE(bytes.has_value());
    return parseRecordHeader(bytes.value_or(std::string(kDefaultRecordHeader)));
}

// The check pass over the form's input, as the window's would run over the same sheet.
std::vector<Finding> findingsOf(const FormSheet& form) {
    Gauging gauging;
    gauging.mode = form.mode;
    gauging.coefficients[coef::信号转数] = form.signalsPerRevolution;
    return checkMeasurement(testing::retyped(gauging, form.table), form.table, form.results[0]);
}

// Fills the form and writes it to the working copy, where the checks read it back.
bool fill(const FormSheet& form, const FormContext& context, bool twoPages) {
    const FormPlace place = formPlaceOf(context, twoPages);
    FilledForm filled = fillForm(form, place, twoPages);
    EXPECT_EQ(filled.problem, "");
    std::string problem;
    const bool written = filled && writeWorkingCopy(*filled.workbook, place, problem);
    EXPECT_EQ(problem, "");
    place.finish(written);
    return written;
}

int formRowOf(int vertical, bool twoPages) {
    return twoPages && vertical > 20 ? 6 + vertical : 5 + vertical;
}

// The cells a fill writes for the verticals of verticalsForm and the results, no header.
Cells expectedVerticalAndResultCells(int n, bool twoPages) {
    Cells cells;
    const int footer = twoPages ? 28 : 0;
    cells[{1, 24}] = "第 1 页";
    if (twoPages) {
        cells[{26, 24}] = "第 2 页";
    }
    for (int i = 1; i <= n; ++i) {
        const int row = formRowOf(i, twoPages);
        const int r = i - 1;
        auto sheetText = [&](int c) { return "r" + std::to_string(r) + "c" + std::to_string(c); };
        if (i == 1 || i == n) {
            cells[{row, 1}] = "水边";
        } else {
            cells[{row, 1}] = std::to_string(i - 1);
            cells[{row, 2}] = sheetText(0);
        }
        const std::array<std::pair<int, int>, 5> typed{{{3, 1}, {8, 2}, {9, 3}, {10, 4}, {12, 6}}};
        for (const auto& [formColumn, sheetColumn] : typed) {
            cells[{row, formColumn}] = sheetText(sheetColumn);
        }
        cells[{row, 11}] = r % 2 == 0 ? "" : sheetText(5);
        if (r % 2 == 1) {
            cells[{row, 15}] = "25";
        }
        for (int c = 7; c <= 16; ++c) {
            cells[{row, 16 + c - 7}] = sheetText(c);
        }
    }
    cells[{21 + footer, 13}] = "37.4";
    cells[{22 + footer, 13}] = "22.5";
    cells[{20 + footer, 18}] = "1.66";
    cells[{21 + footer, 18}] = "2.59";
    cells[{22 + footer, 18}] = "20.0";
    cells[{23 + footer, 18}] = "1.12";
    cells[{20 + footer, 21}] = "1.80";
    // The counts stand without the meter's type in the record header.
    if (n > 0) {
        cells[{19 + footer, 17}] =
            "流速仪（    ）测速垂线数/0.0、0.6或测点总数 " + std::to_string(n) + " / 0.6";
    }
    return cells;
}

// Every cell equals the template's, except the expected ones, which hold their texts.
void expectFilled(const Cells& filled, const Cells& original, const Cells& expected,
                  const std::string& what) {
    for (const auto& [at, text] : filled) {
        const auto it = expected.find(at);
        const std::string want = it != expected.end() ? it->second : original.at(at);
        EXPECT_EQ(text, want) << what << " at row " << at.first << " column " << at.second;
    }
}

class FillTest : public ::testing::Test {
  protected:
    FormFolder folder;
    testing::RecordingContext shown{folder.path()};
    const FormContext& context = shown.context();
};

TEST_F(FillTest, VerticalRowsAndResultsForEveryShapeOfSection) {
    for (int n : {0, 1, 2, 5, 13, 14, 20, 21, 40}) {
        testing::RecordingContext each(folder.path());
        const bool twoPages = n > kSinglePageVerticals;
        ASSERT_TRUE(fill(verticalsForm(n), each.context(), twoPages)) << n;
        const int rows = twoPages ? 53 : 25;
        const Cells original = readWorkbook(paths::formTemplate(folder.path(), twoPages), rows);
        const Cells filled = readWorkbook(paths::formWorkingCopy(folder.path(), twoPages), rows);
        expectFilled(filled, original, expectedVerticalAndResultCells(n, twoPages),
                     "N = " + std::to_string(n));
        ASSERT_FALSE(each.progress.empty());
        EXPECT_EQ(each.progress.back(), 0);
        EXPECT_EQ(each.pauses, std::vector<int>{500});
        std::vector<int> steps{10, 20, 30};
        if (n >= 2) {
            steps.push_back(40);
        }
        steps.insert(steps.end(), {50, 60, 70, 80, 90, 100, 0});
        std::vector<int> seen = each.progress;
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        EXPECT_EQ(seen, steps) << "N = " << n;
    }
}

// The header of a real gauging, fields in file order.
std::array<std::string, 39> fullHeader() {
    return {"长江寸滩",
            "2026年7月3日9时30分",
            "阴",
            "东北2级",
            "LS25-3A 0812",
            "V= 0.6793 N/T+ 0.0033",
            "12",
            "15",
            "25",
            "SJ-3 206",
            "0.5",
            "机动测船",
            "基本水尺断面上游50m",
            "181.27",
            "0",
            "LS25-3A",
            "200",
            "0.12",
            "0.6",
            "0.028",
            "P1",
            "1.22",
            "1.23",
            "100",
            "P2",
            "2.10",
            "2.14",
            "",
            "P3",
            "0.31",
            "",
            "95.5",
            "",
            "",
            "",
            "",
            "水位平稳",
            "张三",
            "2026-17"};
}

TEST_F(FillTest, HeaderFooterAndGaugesOfAFullHeader) {
    FormSheet form = verticalsForm(5);
    form.header = headerOf(fullHeader());
    form.table.setCell(0, col::测点流速, "");
    form.table.setCell(4, col::测点流速, "");
    form.table.setCell(7, col::测点流速, "beyond N: not counted");
    ASSERT_TRUE(fill(form, context, false));
    const Cells original = readWorkbook(paths::formTemplate(folder.path(), false), 25);
    const Cells filled = readWorkbook(paths::formWorkingCopy(folder.path(), false), 25);
    Cells expected = expectedVerticalAndResultCells(5, false);
    expected[{6, 17}] = ""; // point velocities emptied above
    expected[{10, 17}] = "";
    expected[{1, 6}] = "长江寸滩";
    expected[{2, 3}] = "2026年7月3日9时30分";
    expected[{2, 11}] = "阴";
    expected[{2, 15}] = "东北2级";
    expected[{2, 20}] = "牌号：LS25-3A 0812  V= 0.6793 N/T+ 0.0033";
    expected[{3, 5}] = "12  次";
    expected[{3, 7}] = "流速仪轴至铅鱼底距离 15 cm";
    expected[{3, 13}] = "铅鱼重量 25 kg";
    expected[{3, 17}] = "停表牌号 SJ-3 206 10分钟+- 0.5 s　";
    expected[{3, 24}] = "机动测船";
    expected[{19, 13}] = "基本水尺断面上游50m";
    expected[{19, 17}] = "流速仪（ LS25-3A ）测速垂线数/0.0、0.6或测点总数 3 / 0.6";
    expected[{20, 13}] = "181.27";
    expected[{23, 13}] = "0";
    expected[{21, 21}] = "200";
    expected[{21, 25}] = "0.12";
    expected[{22, 21}] = "0.6";
    expected[{23, 21}] = "0.028";
    // Gauge 1: the tie 1.225 goes to the even digit, the stage is taken from the written mean.
    expected[{21, 3}] = "P1";
    expected[{21, 4}] = "1.22";
    expected[{21, 5}] = "1.23";
    expected[{21, 7}] = "100";
    expected[{21, 6}] = "1.22";
    expected[{21, 9}] = "101.22";
    // Gauge 2 has no zero elevation: no mean, no stage.
    expected[{22, 3}] = "P2";
    expected[{22, 4}] = "2.10";
    expected[{22, 5}] = "2.14";
    // Gauge 3 has no reading at the end.
    expected[{23, 3}] = "P3";
    expected[{23, 4}] = "0.31";
    expected[{23, 7}] = "95.5";
    expected[{24, 13}] = "水位平稳";
    expected[{25, 3}] = "张三";
    expected[{25, 24}] = "2026-17";
    expectFilled(filled, original, expected, "full header");
}

TEST_F(FillTest, CombinedCellsNeedBothFieldsAndTheStationHeadsBothPages) {
    auto header = fullHeader();
    header[5] = "";  // meter formula: T2 is not written
    header[10] = ""; // stopwatch deviation: Q3 is not written
    header[15] = ""; // meter model: Q19 keeps the counts, the brackets stay empty
    FormSheet form = verticalsForm(14);
    form.header = headerOf(header);
    ASSERT_TRUE(fill(form, context, true));
    const Cells original = readWorkbook(paths::formTemplate(folder.path(), true), 53);
    const Cells filled = readWorkbook(paths::formWorkingCopy(folder.path(), true), 53);
    EXPECT_EQ(filled.at({2, 20}), original.at({2, 20}));
    EXPECT_EQ(filled.at({3, 17}), original.at({3, 17}));
    EXPECT_EQ(filled.at({47, 17}), "流速仪（    ）测速垂线数/0.0、0.6或测点总数 14 / 0.6");
    EXPECT_EQ(filled.at({1, 6}), "长江寸滩");
    EXPECT_EQ(filled.at({26, 6}), "长江寸滩");
    EXPECT_EQ(filled.at({26, 24}), "第 2 页");
    EXPECT_EQ(filled.at({49, 6}), "1.22"); // gauges moved down 28 rows
    EXPECT_EQ(filled.at({49, 9}), "101.22");
    EXPECT_EQ(filled.at({52, 13}), "水位平稳");
    EXPECT_EQ(filled.at({53, 24}), "2026-17");
    EXPECT_EQ(filled.at({19, 1}), "水边"); // vertical 14 on row 19
    EXPECT_EQ(filled.at({20, 1}), original.at({20, 1}));
}

// The meter sentence names what the verticals are, surface verticals among 0.6 ones each with
// their count; a signed stopwatch deviation is not printed "+- -0.3".
TEST_F(FillTest, TheMeterSentenceCountsSurfaceVerticalsApart) {
    auto header = fullHeader();
    header[10] = "-0.3"; // a stopwatch deviation with its sign
    FormSheet form = verticalsForm(6);
    form.header = headerOf(header);
    form.table.setCell(0, col::测点流速, "");
    form.table.setCell(5, col::测点流速, "");
    form.table.setCell(2, col::相对, "0.0");
    form.table.setCell(3, col::相对, "0.0");
    ASSERT_TRUE(fill(form, context, false));
    const Cells filled = readWorkbook(paths::formWorkingCopy(folder.path(), false), 25);
    EXPECT_EQ(filled.at({19, 17}),
              "流速仪（ LS25-3A ）测速垂线数/0.0、0.6或测点总数 4 / 0.6×2、0.0×2");
    EXPECT_EQ(filled.at({3, 17}), "停表牌号 SJ-3 206 10分钟 -0.3 s　");
}

TEST_F(FillTest, CountFilledRowsCountsDistancesAnywhereInTheSheet) {
    Table table{std::vector<RowTexts>(Sheet::kInitialRows)};
    table.setCell(0, col::起点距, "0");
    table.setCell(2, col::水深, "1.0");
    table.setCell(19, col::起点距, "30");
    EXPECT_EQ(countFilledRows(table), 2);
}

// The two commands on a form of five verticals, the user scripted.
class CommandTest : public FillTest {
  protected:
    FormOutcome exportIt() { return exportComputedForm(user, context, form, findingsOf(form)); }
    FormOutcome printIt() { return printComputedForm(user, context, form, findingsOf(form), {}); }

    // The worked example computed with one cell changed before, its findings those of the
    // computation.
    FormOutcome exportWorkedExample(int row, int column, const char* text,
                                    const std::function<void(FormSheet&)>& change = {}) {
        Gauging gauging = testing::workedExample();
        gauging.coefficients[coef::信号转数] = "20";
        setTypedText(gauging.rows[static_cast<std::size_t>(row)], column, text);
        const Computation computed = compute(gauging);
        EXPECT_EQ(computed.status, Computation::Status::Computed);
        FormSheet worked = formSheetOf(gauging, computed, parseRecordHeader(kDefaultRecordHeader));
        if (change) {
            change(worked);
        }
        return exportComputedForm(user, context, worked, computed.findings);
    }

    FormSheet form = verticalsForm(5);
    testing::ScriptedDialogs user;
};

TEST_F(CommandTest, ExportCopiesTheFilledFormToTheChosenFile) {
    const fs::path target = folder.path() / "excel" / "寸滩-0703.xlsx";
    ASSERT_TRUE(writeFileAtomic(target, "an older file"));
    user.answerFileDialog(ctl::通用对话框excel, target);
    exportIt();
    // The made-up cells are no numbers: the one question about errors, answered yes.
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text.rfind("记载表中有 ", 0), 0u);
    EXPECT_EQ(user.dialogFolders.at(std::string(ctl::通用对话框excel)), folder.path() / "excel");
    // The workbook is written straight to the chosen file; no working copy is left behind.
    EXPECT_FALSE(fs::exists(paths::formWorkingCopy(folder.path(), false)));
    EXPECT_EQ(readWorkbook(target, 25).at({6, 1}), "水边");
}

TEST_F(CommandTest, ExportCancelledWritesNothing) {
    user.answerFileDialog(ctl::通用对话框excel, std::nullopt);
    exportIt();
    EXPECT_FALSE(fs::exists(paths::formWorkingCopy(folder.path(), false)));
    EXPECT_TRUE(fs::is_empty(folder.path() / "excel"));
    EXPECT_TRUE(shown.progress.empty());
}

TEST_F(CommandTest, MissingTemplateOfTheChosenFormIsReported) {
    fs::remove(paths::formTemplate(folder.path(), false));
    user.answerFileDialog(ctl::通用对话框excel, folder.path() / "excel" / "x.xlsx");
    exportIt();
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text, "excel模板丢失，请重新安装本软件。");
    EXPECT_EQ(user.messages[0].title, "提示：");
    EXPECT_FALSE(fs::exists(folder.path() / "excel" / "x.xlsx"));
}

TEST_F(CommandTest, MoreThanFortyVerticalsAreRefused) {
    form = verticalsForm(41);
    user.answerFileDialog(ctl::通用对话框excel, folder.path() / "excel" / "x.xlsx");
    exportIt();
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_NE(user.messages[0].text.find("40"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.path() / "excel" / "x.xlsx"));
    EXPECT_FALSE(fs::exists(paths::formWorkingCopy(folder.path(), true)));
}

TEST_F(CommandTest, AGapInTheDistancesOrTooManyVerticalsIsRefusedWithTheRowNamed) {
    const fs::path target = folder.path() / "excel" / "x.xlsx";
    user.answerFileDialog(ctl::通用对话框excel, target);
    // The distance of the third row emptied after the computation.
    const FormOutcome refused = exportWorkedExample(4, col::起点距, "20", [](FormSheet& computed) {
        computed.table.setCell(2, col::起点距, "");
    });
    EXPECT_EQ(refused.status, FormOutcome::Status::Refused);
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text.rfind("第 3 行的起点距为空，而下面第 4 行还有起点距", 0), 0u)
        << user.messages[0].text;
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(paths::formWorkingCopy(folder.path(), false)));

    form = verticalsForm(45);
    user.messages.clear();
    exportIt();
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_NE(user.messages[0].text.find("从第 41 行起放不下"), std::string::npos)
        << user.messages[0].text;
}

TEST_F(CommandTest, ErrorsAskOnceAndNoWritesNothingWhileNoticesOnlyCount) {
    const fs::path target = folder.path() / "excel" / "x.xlsx";
    user.answerFileDialog(ctl::通用对话框excel, target);
    user.answerQuestion(false);
    FormOutcome outcome = exportWorkedExample(1, col::水深, "l.2");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Cancelled);
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(
        user.messages[0].text,
        "记载表中有 1 处错误，仍要导出吗？\n\n错误  第 2 行“水深”：“l.2”不是数字，将按 0 计算");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(shown.progress.empty());

    // The worked example itself has three partials above a tenth, one notice: no question, a
    // count.
    user.messages.clear();
    user.answerFileDialog(ctl::通用对话框excel, target);
    outcome = exportWorkedExample(1, col::水深, "1.2");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Done);
    EXPECT_TRUE(user.messages.empty());
    // The worked example's partials and its verticals' spacing are notices.
    EXPECT_EQ(shown.status, "记载表已导出，有 2 处需要注意。");
    EXPECT_TRUE(fs::exists(target));
}

TEST_F(CommandTest, ExportToAFolderThatCannotBeWrittenSaysSo) {
    user.answerFileDialog(ctl::通用对话框excel, folder.path() / "no such folder" / "x.xlsx");
    exportIt();
    ASSERT_EQ(user.messages.size(), 2u);
    EXPECT_NE(user.messages[1].text.find("无法保存记载表"), std::string::npos);
}

TEST_F(CommandTest, PrintWithoutRendererAsksForTheSpreadsheetProgram) {
    ::setenv("TARNELO_SOFFICE", "", 1);
    printIt();
    ::unsetenv("TARNELO_SOFFICE");
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text,
              "您需要在计算机上安装 LibreOffice（或 EXCEL）程序才能进行操作！");
    EXPECT_EQ(user.messages[0].title, "信息：");
    EXPECT_EQ(user.messages[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(fs::exists(paths::formWorkingCopy(folder.path(), false)));
}

// A road that records what the print command hands it and what the working copy holds then.
class RecordingRoad : public PagePrinter {
  public:
    explicit RecordingRoad(bool fromFile) : fromFile_(fromFile) {}
    bool needsFile() const override { return fromFile_; }
    PagesPrinted print(const PageRequest& request) override {
        requests.push_back(request);
        if (onPrint) {
            onPrint();
        }
        fileThere = fs::exists(request.workbook);
        if (request.form != nullptr) {
            const xlsx::CellValue first = request.form->cell(request.form->activeSheet(), 6, 1);
            firstCell = first.text;
        }
        PagesPrinted printed;
        printed.ok = true;
        printed.printer = request.printer.empty() ? "own" : request.printer;
        printed.pages = request.to;
        printed.job = 7;
        return printed;
    }
    std::vector<PageRequest> requests;
    std::function<void()> onPrint;
    bool fileThere = false;
    std::string firstCell;

  private:
    bool fromFile_;
};

TEST_F(CommandTest, PrintHandsTheFilledFormToItsRoadAndOnlyAnOfficeRoadGetsAFile) {
    form = verticalsForm(14);
    const fs::path workingCopy = paths::formWorkingCopy(folder.path(), true);
    // Without a default printer, or without a print service, an office road is not handed the
    // pages and the command says why instead of printing nowhere.
    const auto saysWhy = [&] {
        return !user.messages.empty() &&
               (user.messages.back().text.find("默认打印机") != std::string::npos ||
                user.messages.back().text.find("打印服务") != std::string::npos);
    };
    RecordingRoad office(true);
    // The bar has shown the whole form and rested before the pages go to the printer.
    std::vector<int> progressAtPrint;
    office.onPrint = [&] { progressAtPrint = shown.progress; };
    FormOutcome outcome = printComputedForm(user, context, form, findingsOf(form), {}, &office);
    EXPECT_TRUE(fs::exists(workingCopy));
    EXPECT_EQ(shown.pauses, std::vector<int>{500});
    ASSERT_GE(shown.progress.size(), 2u);
    EXPECT_EQ(shown.progress[shown.progress.size() - 2], 100);
    EXPECT_EQ(shown.progress.back(), 0);
    if (!office.requests.empty()) {
        EXPECT_EQ(progressAtPrint, shown.progress);
    }
    if (office.requests.empty()) {
        EXPECT_TRUE(saysWhy());
    } else {
        ASSERT_EQ(office.requests.size(), 1u);
        EXPECT_EQ(office.requests[0].workbook, workingCopy);
        EXPECT_EQ(office.requests[0].from, 1);
        EXPECT_EQ(office.requests[0].to, 2);
        EXPECT_FALSE(office.requests[0].printer.empty());
        EXPECT_TRUE(office.fileThere);
        EXPECT_EQ(outcome.status, FormOutcome::Status::Done);
        EXPECT_EQ(outcome.job, 7);
        EXPECT_EQ(readWorkbook(workingCopy, 25).at({6, 1}), "水边");
    }

    // The page renderer's road takes the form in memory and writes no file.
    fs::remove(workingCopy);
    user.messages.clear();
    RecordingRoad own(false);
    outcome = printComputedForm(user, context, form, findingsOf(form), {}, &own);
    ASSERT_EQ(own.requests.size(), 1u);
    EXPECT_FALSE(own.fileThere);
    EXPECT_FALSE(fs::exists(workingCopy));
    EXPECT_EQ(own.firstCell, "水边");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Done);
    EXPECT_EQ(outcome.printer, "own");
    EXPECT_EQ(outcome.pages, 2);
}

} // namespace
} // namespace tarnelo
