// The built-in spreadsheet host: the fill road on the real record-form templates, what it
// writes into the workbook, and how it refuses what it cannot do.
#include "platform/automation/host_registry.hpp"
#include "platform/automation/spreadsheet_host.hpp"
#include "platform/workbook/workbook.hpp"
#include "report/spreadsheet_automation.hpp"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

const fs::path kTemplates = fs::path(TARNELO_PROGRAM_DIR) / "Data";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text of one part of a package.
std::string partOf(const fs::path& file, const char* name) {
    int err = 0;
    zip_t* z = zip_open(file.string().c_str(), ZIP_RDONLY, &err);
    if (z == nullptr) {
        return {};
    }
    std::string out;
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) == 0) {
        zip_file_t* f = zip_fopen(z, name, 0);
        out.resize(st.size);
        zip_fread(f, out.data(), st.size);
        zip_fclose(f);
    }
    zip_discard(z);
    return out;
}

// Writes a package from part names and texts.
void writePackage(const fs::path& file, const std::map<std::string, std::string>& parts) {
    int err = 0;
    zip_t* z = zip_open(file.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr);
    for (const auto& [name, text] : parts) {
        zip_source_t* s = zip_source_buffer(z, text.data(), text.size(), 0);
        zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
    }
    ASSERT_EQ(zip_close(z), 0);
}

const std::string kTypes =
    R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/></Types>)";
const std::string kRootRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
const std::string kBookRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet2.xml"/>)"
    R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/></Relationships>)";
const std::string kBook =
    R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="1"/></bookViews><sheets><sheet name="封面" sheetId="1" r:id="rId1"/>)"
    R"(<sheet name="数据" sheetId="2" r:id="rId2"/></sheets>)"
    R"(<definedNames><definedName name="_xlnm.Print_Area" localSheetId="1">数据!$A$1:$C$3</definedName></definedNames></workbook>)";
const std::string kSheet1 =
    R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>)";
// Rows and cells partly without r, shared strings, a number, a formula with a cached value.
const std::string kSheet2 =
    R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<dimension ref="A1:C3"/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews><sheetData>)"
    R"(<row r="1"><c r="A1" s="3" t="s"><v>0</v></c><c s="4" t="s"><v>1</v></c></row>)"
    R"(<row><c r="A2"><v>12.5</v></c><c r="C2"><f>A2*2</f><v>25</v></c></row>)"
    R"(<row r="3"><c r="Z3" t="inlineStr"><is><t>z</t></is></c></row></sheetData>)"
    R"(<pageMargins left="0.5" right="0.5" top="1" bottom="1" header="0.3" footer="0.3"/></worksheet>)";
const std::string kShared =
    R"(<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<si><t>站名</t></si><si><r><t>富</t></r><r><t>文本</t></r></si></sst>)";

std::map<std::string, std::string> samplePackage() {
    return {{"[Content_Types].xml", kTypes},
            {"_rels/.rels", kRootRels},
            {"xl/workbook.xml", kBook},
            {"xl/_rels/workbook.xml.rels", kBookRels},
            {"xl/worksheets/sheet1.xml", kSheet1},
            {"xl/worksheets/sheet2.xml", kSheet2},
            {"xl/sharedStrings.xml", kShared},
            {"xl/calcChain.xml", R"(<calcChain xmlns="x"><c r="C2" i="2"/></calcChain>)"}};
}

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tarnelo-host-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        xl.QuitApplication();
        fs::remove_all(dir);
    }
    fs::path copyTemplate(int pages) {
        const fs::path source = kTemplates / ("moduleexcel_" + std::to_string(pages) + ".dat");
        const fs::path target = dir / ("snapexcel_" + std::to_string(pages) + ".dat");
        fs::copy_file(source, target, fs::copy_options::overwrite_existing);
        return target;
    }
    // One cell write as the fills make it: the active sheet's index, then the cell.
    void write(int row, int column, const std::string& text) {
        std::string name;
        const int sheet = xl.GetActiveSheet(name);
        xl.SetCell(sheet, row, column, text);
    }

    fs::path dir;
    SpreadsheetAutomation xl;
};

TEST_F(HostTest, FillOfTheTwoPageTemplateSurvivesSaveAndReopen) {
    const fs::path copy = copyTemplate(2);
    std::string error;
    const auto before = xlsx::Workbook::open(copy, error);
    ASSERT_TRUE(before) << error;

    ASSERT_TRUE(xl.CreateApplication());
    ASSERT_TRUE(static_cast<bool>(xl.OpenWorkbook(copy.string(), "", false)));
    std::string name;
    EXPECT_EQ(xl.GetActiveSheet(name), 1);
    EXPECT_EQ(name, "记载表");

    const std::vector<std::tuple<int, int, std::string>> cells = {
        {1, 24, "第 1 页"},
        {26, 24, "第 2 页"},
        {1, 6, "黄河花园口"},
        {3, 5, "12  次"},
        {3, 7, "流速仪轴至铅鱼底距离 50 cm"},
        {6, 1, "水边"},
        {7, 1, "1"},
        {7, 2, "1"},
        {7, 3, "12.5"},
        {27, 1, "水边"},
        {46, 25, "1.23"},
        {47, 17, "流速仪（ LS25-3A ）测速垂线数/0.0、0.6或测点总数 9 / 0.6"},
        {49, 13, "123"},
        {53, 24, "2024-07"},
        {52, 13, " 前后有空格 "},
        {50, 3, " "},
        {8, 3, ""}};
    for (const auto& [row, column, text] : cells) {
        write(row, column, text);
        EXPECT_EQ(xl.callError(), "") << row << "," << column;
    }
    xl.SaveWorkbook();
    EXPECT_EQ(xl.callError(), "");
    xl.CloseWorkbooks();
    xl.QuitApplication();

    const auto after = xlsx::Workbook::open(copy, error);
    ASSERT_TRUE(after) << error;
    for (const auto& [row, column, text] : cells) {
        const xlsx::CellValue v = after->cell(0, row, column);
        EXPECT_EQ(v.text, text) << row << "," << column;
        EXPECT_EQ(v.kind, text.empty() ? xlsx::CellKind::Empty : xlsx::CellKind::Text);
        // The template's style of every written cell is kept.
        EXPECT_EQ(after->styleOf(0, row, column), before->styleOf(0, row, column))
            << row << "," << column;
        EXPECT_TRUE(after->styleOf(0, row, column).has_value());
    }
    EXPECT_EQ(after->merges(0), before->merges(0));
    EXPECT_EQ(after->sheetCount(), 1);

    const std::string xml = partOf(copy, "xl/worksheets/sheet1.xml");
    EXPECT_NE(xml.find(R"(<dimension ref="A1:Y53"/>)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<t xml:space="preserve"> 前后有空格 </t>)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<t xml:space="preserve"> </t>)"), std::string::npos);
    // The print setup of the template is untouched.
    EXPECT_NE(xml.find("rowBreaks"), std::string::npos);
    EXPECT_TRUE(after->landscape(0));
    EXPECT_EQ(after->paperSize(0), 9);
}

TEST_F(HostTest, WrongSheetIndexChangesNothing) {
    const fs::path copy = copyTemplate(1);
    const std::string original = readAll(copy);
    xl.CreateApplication();
    xl.OpenWorkbook(copy.string(), "", false);
    xl.SetCell(2, 1, 1, "x");
    EXPECT_NE(xl.callError().find("Item"), std::string::npos);
    xl.SetCell(0, 1, 1, "x");
    xl.SetCell(1, 0, 1, "x");
    xl.SetCell(1, 1, 16385, "x");
    EXPECT_FALSE(xl.callError().empty());
    xl.SaveWorkbook();
    xl.QuitApplication();
    std::string error;
    const auto book = xlsx::Workbook::open(copy, error);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->cell(0, 1, 1).kind, xlsx::CellKind::Empty);
}

TEST_F(HostTest, AfterQuitEveryOperationIsEmpty) {
    const fs::path copy = copyTemplate(1);
    ASSERT_TRUE(xl.CreateApplication());
    xl.OpenWorkbook(copy.string(), "", false);
    const automation::Dispatch app = xl.GetApplication();
    xl.QuitApplication();
    EXPECT_FALSE(static_cast<bool>(xl.GetApplication()));
    EXPECT_FALSE(app.object()->alive());

    std::string name = "x";
    EXPECT_EQ(xl.GetActiveSheet(name), 0);
    EXPECT_EQ(name, "");
    EXPECT_FALSE(static_cast<bool>(xl.OpenWorkbook(copy.string(), "", false)));
    EXPECT_EQ(xl.GetCell(1, 1, 24), "");
    std::vector<std::string> names{"x"};
    EXPECT_EQ(xl.ListSheets(names), 0);
    EXPECT_TRUE(names.empty());
    int rows = 5;
    int columns = 5;
    EXPECT_FALSE(xl.GetUsedRangeSize(rows, columns).empty());
    EXPECT_EQ(rows, 0);
    // A handle kept from before the quit reaches a dead instance.
    xl.SetApplication(app);
    EXPECT_EQ(xl.GetActiveSheet(name), 0);
    EXPECT_FALSE(xl.callError().empty());
    xl.SetApplication({});
}

TEST_F(HostTest, AttachReusesTheLiveInstance) {
    const fs::path copy = copyTemplate(1);
    ASSERT_TRUE(xl.CreateApplication());
    xl.OpenWorkbook(copy.string(), "", false);
    SpreadsheetAutomation other;
    ASSERT_TRUE(other.CreateApplication());
    EXPECT_EQ(other.GetApplication(), xl.GetApplication());
    // The other wrapper sees the workbook this one opened.
    std::string name;
    EXPECT_EQ(other.GetActiveSheet(name), 1);
    EXPECT_EQ(name, "记载表");
    other.QuitApplication();
    // The instance has quit: a new wrapper gets a fresh one.
    SpreadsheetAutomation third;
    ASSERT_TRUE(third.CreateApplication());
    EXPECT_NE(third.GetApplication(), xl.GetApplication());
    EXPECT_EQ(third.GetActiveSheet(name), 0); // no workbook open there
    third.QuitApplication();
}

TEST_F(HostTest, SheetsRangesFormulasAndPageSetup) {
    const fs::path file = dir / "sample.xlsx";
    writePackage(file, samplePackage());
    xl.CreateApplication();
    ASSERT_TRUE(static_cast<bool>(xl.OpenWorkbook(file.string(), "", false))) << xl.callError();

    std::vector<std::string> names;
    EXPECT_EQ(xl.ListSheets(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"封面", "数据"}));
    std::string name;
    EXPECT_EQ(xl.GetActiveSheet(name), 2); // from the workbook's view settings
    EXPECT_EQ(xl.GetCell(2, 1, 1), "站名");
    EXPECT_EQ(xl.GetCell(2, 1, 2), "富文本");
    EXPECT_EQ(xl.GetCell(2, 2, 1), "12.5");
    EXPECT_EQ(xl.GetCell(2, 3, 26), "z");
    EXPECT_EQ(xl.GetRangeFormula("C2"), "=A2*2");
    int rows = 0;
    int columns = 0;
    EXPECT_EQ(xl.GetUsedRangeSize(rows, columns), "");
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(columns, 26);

    // Overwriting shared strings and a formula; new cells land in column order.
    xl.SetCell(2, 1, 1, "新站");
    xl.SetRangeValue("$B$1", "b");
    xl.SetRangeFormula("D2", "=A2+1");
    xl.SetCell(2, 3, 27, "aa");
    xl.SetCell(2, 3, 2, "b3");
    xl.SetCell(2, 5, 1, "row5");
    xl.MergeRange("A5:B5");
    EXPECT_EQ(xl.callError(), "");
    xl.SetPageHeader("第&P页", 1);
    xl.SetPageFooter("左", 0);
    xl.SetPageMargins(36, 36, 72, 54, 9);
    EXPECT_EQ(xl.GetRangeFormula("D2"), "=A2+1");
    EXPECT_EQ(xl.GetRangeValue("B1"), "b");
    EXPECT_EQ(xl.ActivateSheet(1), "封面");
    xl.DeleteSheet(1);
    EXPECT_EQ(xl.callError(), "");
    EXPECT_EQ(xl.ListSheets(names), 1);
    xl.DeleteSheet(1); // the last sheet stays
    EXPECT_NE(xl.callError().find("Delete"), std::string::npos);
    const fs::path saved = dir / "saved.xlsx";
    xl.SaveWorkbookAs(saved.string());
    EXPECT_EQ(xl.callError(), "");
    xl.QuitApplication();

    const std::string xml = partOf(saved, "xl/worksheets/sheet2.xml");
    EXPECT_NE(
        xml.find(
            R"(<c r="A1" s="3" t="inlineStr"><is><t>新站</t></is></c><c s="4" r="B1" t="inlineStr">)"),
        std::string::npos)
        << xml;
    EXPECT_NE(xml.find(R"(<c r="D2"><f>A2+1</f></c>)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<row r="3"><c r="B3" t="inlineStr"><is><t>b3</t></is></c><c r="Z3")"),
              std::string::npos);
    EXPECT_NE(xml.find(R"(<c r="AA3" t="inlineStr">)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<dimension ref="A1:AA5"/>)"), std::string::npos);
    EXPECT_LT(xml.find("<mergeCells"), xml.find("<pageMargins"));
    EXPECT_LT(xml.find("<pageMargins"), xml.find("<headerFooter"));
    EXPECT_NE(xml.find("<oddHeader>&amp;C第&amp;P页</oddHeader>"), std::string::npos);
    EXPECT_TRUE(partOf(saved, "xl/calcChain.xml").empty());
    EXPECT_TRUE(partOf(saved, "xl/worksheets/sheet1.xml").empty());
    const std::string book = partOf(saved, "xl/workbook.xml");
    EXPECT_NE(book.find(R"(localSheetId="0")"), std::string::npos);
    EXPECT_NE(book.find(R"(fullCalcOnLoad="1")"), std::string::npos);

    std::string error;
    const auto reopened = xlsx::Workbook::open(saved, error);
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->sheetName(0), "数据");
    EXPECT_EQ(reopened->activeSheet(), 0);
    EXPECT_EQ(reopened->headerFooter(0, false, 1), "第&P页");
    EXPECT_EQ(reopened->headerFooter(0, true, 0), "左");
    EXPECT_DOUBLE_EQ(reopened->margin(0, xlsx::Margin::Top), 1.0);
    EXPECT_DOUBLE_EQ(reopened->margin(0, xlsx::Margin::Left), 0.5);
    EXPECT_EQ(reopened->merges(0), (std::vector<xlsx::Area>{{5, 1, 5, 2}}));
    EXPECT_EQ(reopened->cell(0, 2, 1).number, 12.5);
}

TEST_F(HostTest, UnsupportedMembersFailCleanlyAndNameTheMember) {
    const fs::path copy = copyTemplate(1);
    const std::string original = readAll(copy);
    xl.CreateApplication();
    xl.OpenWorkbook(copy.string(), "", false);
    struct Case {
        std::function<void()> call;
        const char* member;
    };
    const std::vector<Case> cases = {
        {[&] { xl.CopyRange("A6"); }, "Copy"},
        {[&] { xl.PasteRange("A6"); }, "PasteSpecial"},
        {[&] { xl.CutRange("A6"); }, "Cut"},
        {[&] { xl.InsertRows("A6", 0); }, "Insert"},
        {[&] { xl.InsertColumns("A6", 0); }, "Insert"},
        {[&] { xl.RunMacro("Auto_Open"); }, "run"},
        {[&] { xl.PrintPreview(1); }, "PrintPreview"},
        {[&] { xl.PrintOut(1); }, "PrintOut"},
        {[&] { xl.SetRangeFont("A6", "宋体", 10, {}, {}, {}, {}, {}); }, "UnderLine"},
        {[&] { xl.SetNumberFormat("A6", true); }, "NumberFormatLocal"},
        {[&] { xl.SetRangeValue("not an address", "x"); }, "Value"},
        {[&] { xl.SetRangeFormula("A6:B7", "=1"); }, "Formula"},
        {[&] { xl.MergeRange("A4:C4"); }, "Merge"}, // overlaps the heading merges in part
        {[&] { xl.OpenWorkbook((dir / "missing.xlsx").string(), "", false); }, "Open"},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_NE(xl.callError().find(c.member), std::string::npos)
            << c.member << ": " << xl.callError();
    }
    EXPECT_FALSE(xl.RunMacro("x"));
    // Visible and screen updating are accepted and change nothing.
    xl.SetVisible(true);
    xl.SetScreenUpdating(false);
    EXPECT_EQ(xl.callError(), "");
    xl.CloseWorkbooks();
    EXPECT_EQ(readAll(copy), original);
}

TEST_F(HostTest, DamagedWorkbooksAreRefused) {
    auto package = samplePackage();
    std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> damages = {
        {"empty", [](const fs::path& f) { std::ofstream(f, std::ios::binary); }},
        {"text", [](const fs::path& f) { std::ofstream(f, std::ios::binary) << "站名,水位\r\n"; }},
        {"ole",
         [](const fs::path& f) {
             std::ofstream(f, std::ios::binary) << "\xD0\xCF\x11\xE0 legacy";
         }},
        {"truncated",
         [&](const fs::path& f) {
             writePackage(f, package);
             const std::string bytes = readAll(f);
             std::ofstream(f, std::ios::binary | std::ios::trunc)
                 << bytes.substr(0, bytes.size() / 2);
         }},
        {"no workbook",
         [&](const fs::path& f) {
             auto p = package;
             p.erase("xl/workbook.xml");
             writePackage(f, p);
         }},
        {"broken sheet",
         [&](const fs::path& f) {
             auto p = package;
             p["xl/worksheets/sheet2.xml"] = "<worksheet><sheetData><row";
             writePackage(f, p);
         }},
        {"no sheets",
         [&](const fs::path& f) {
             auto p = package;
             p["xl/workbook.xml"] = R"(<workbook xmlns="x"><sheets/></workbook>)";
             writePackage(f, p);
         }},
    };
    xl.CreateApplication();
    for (const auto& [label, damage] : damages) {
        const fs::path file = dir / (label + ".xlsx");
        damage(file);
        EXPECT_FALSE(static_cast<bool>(xl.OpenWorkbook(file.string(), "", false))) << label;
        EXPECT_NE(xl.callError().find("Open"), std::string::npos) << label;
        std::string name;
        EXPECT_EQ(xl.GetActiveSheet(name), 0) << label;
    }
    // Odd but readable: a sheet part that points nowhere and a bad shared-string index.
    auto odd = package;
    odd["xl/worksheets/sheet2.xml"] =
        R"(<worksheet xmlns="x"><sheetData><row r="1"><c r="A1" t="s"><v>99</v></c>)"
        R"(<c r="B1" t="s"><v>-1</v></c></row></sheetData></worksheet>)";
    const fs::path file = dir / "odd.xlsx";
    writePackage(file, odd);
    ASSERT_TRUE(static_cast<bool>(xl.OpenWorkbook(file.string(), "", false))) << xl.callError();
    EXPECT_EQ(xl.GetCell(2, 1, 1), "");
    EXPECT_EQ(xl.GetCell(2, 1, 2), "");
}

TEST(XlsxText, ControlCharactersAndEscapesRoundTrip) {
    const fs::path dir = fs::temp_directory_path() / ("tarnelo-xlsx-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto book = xlsx::Workbook::blank();
    std::string error;
    const std::string tricky = std::string("a\x01") + "b_x0041_c\tline\nend";
    ASSERT_TRUE(book->setText(0, 1, 1, tricky, error));
    ASSERT_TRUE(book->setText(0, 1, 2, "bad \xFF utf8", error));
    EXPECT_FALSE(book->setText(0, 1, 3, std::string(40000, 'x'), error));
    ASSERT_TRUE(book->save(dir / "t.xlsx", error)) << error;
    const auto again = xlsx::Workbook::open(dir / "t.xlsx", error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->cell(0, 1, 1).text, tricky);
    EXPECT_EQ(again->cell(0, 1, 2).text, "bad \xEF\xBF\xBD utf8");
    EXPECT_EQ(again->cell(0, 1, 3).kind, xlsx::CellKind::Empty);
    // A save into a folder that does not exist fails and leaves nothing behind.
    EXPECT_FALSE(book->save(dir / "no" / "t.xlsx", error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(dir);
}

TEST(XlsxAddress, NamesAndAreas) {
    EXPECT_EQ(xlsx::columnNumber("A"), 1);
    EXPECT_EQ(xlsx::columnNumber("Z"), 26);
    EXPECT_EQ(xlsx::columnNumber("AA"), 27);
    EXPECT_EQ(xlsx::columnNumber("XFD"), 16384);
    EXPECT_EQ(xlsx::columnNumber("XFE"), 0);
    EXPECT_EQ(xlsx::columnName(28), "AB");
    EXPECT_EQ(xlsx::cellName(53, 25), "Y53");
    EXPECT_EQ(xlsx::parseArea("$C$5:A1"), (xlsx::Area{1, 1, 5, 3}));
    EXPECT_FALSE(xlsx::parseArea("A0").has_value());
    EXPECT_FALSE(xlsx::parseArea("A1048577").has_value());
    EXPECT_FALSE(xlsx::parseArea("1A").has_value());
    EXPECT_FALSE(xlsx::parseArea("A1:").has_value());
}

} // namespace
} // namespace tarnelo
