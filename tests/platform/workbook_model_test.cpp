// The workbook model as the record form's fill drives it: cells written into the real templates
// keep their styles, merges and print setup through a save; sheets, shared strings, formulas and
// page setup of a foreign workbook survive a round trip; damaged workbooks are refused with a
// reason; the package in memory is the one a save writes.
#include "platform/workbook/cell_address.hpp"
#include "platform/workbook/cell_text.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"
#include "support/workbook_parts.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tarnelo::xlsx {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The text of one part of a package file; empty when it has no such part.
std::string partOf(const fs::path& file, const std::string& name) {
    for (RawPart& part : testing::partsOf(file)) {
        if (part.name == name) {
            return std::move(part.bytes);
        }
    }
    return {};
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

// A two-sheet workbook as another program writes it.
std::vector<RawPart> samplePackage() {
    return {{"[Content_Types].xml", kTypes},
            {"_rels/.rels", kRootRels},
            {"xl/workbook.xml", kBook},
            {"xl/_rels/workbook.xml.rels", kBookRels},
            {"xl/worksheets/sheet1.xml", kSheet1},
            {"xl/worksheets/sheet2.xml", kSheet2},
            {"xl/sharedStrings.xml", kShared},
            {"xl/calcChain.xml", R"(<calcChain xmlns="x"><c r="C2" i="2"/></calcChain>)"}};
}

std::vector<RawPart> with(std::vector<RawPart> parts, const std::string& name,
                          const std::string& bytes) {
    for (RawPart& part : parts) {
        if (part.name == name) {
            part.bytes = bytes;
        }
    }
    return parts;
}

std::vector<RawPart> without(std::vector<RawPart> parts, const std::string& name) {
    std::erase_if(parts, [&](const RawPart& part) { return part.name == name; });
    return parts;
}

class WorkbookModel : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tarnelo-model-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // A copy of the record-form template of one or two pages, as the fill works on it.
    fs::path copyTemplate(int pages) const {
        const fs::path source = fs::path(TARNELO_PROGRAM_DIR) / "Data" /
                                ("moduleexcel_" + std::to_string(pages) + ".dat");
        const fs::path target = dir / ("snapexcel_" + std::to_string(pages) + ".dat");
        fs::copy_file(source, target, fs::copy_options::overwrite_existing);
        return target;
    }
    fs::path writeSample(const std::string& name, const std::vector<RawPart>& parts) const {
        const fs::path file = dir / name;
        std::string error;
        EXPECT_TRUE(writePackage(file, parts, error)) << error;
        return file;
    }

    fs::path dir;
};

TEST_F(WorkbookModel, FillOfTheTwoPageTemplateSurvivesSaveAndReopen) {
    const fs::path copy = copyTemplate(2);
    std::string error;
    const auto before = Workbook::open(copy, error);
    ASSERT_TRUE(before) << error;
    auto book = Workbook::open(copy, error);
    ASSERT_TRUE(book) << error;
    EXPECT_EQ(book->activeSheet(), 0);
    EXPECT_EQ(book->sheetName(0), "记载表");

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
        EXPECT_TRUE(book->setText(0, row, column, text, error)) << row << "," << column << error;
    }
    EXPECT_TRUE(book->modified());
    ASSERT_TRUE(book->save(copy, error)) << error;
    EXPECT_FALSE(book->modified());

    const auto after = Workbook::open(copy, error);
    ASSERT_TRUE(after) << error;
    for (const auto& [row, column, text] : cells) {
        const CellValue v = after->cell(0, row, column);
        EXPECT_EQ(v.text, text) << row << "," << column;
        EXPECT_EQ(v.kind, text.empty() ? CellKind::Empty : CellKind::Text);
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

TEST_F(WorkbookModel, RefusedWritesChangeNothing) {
    const fs::path copy = copyTemplate(1);
    std::string error;
    auto book = Workbook::open(copy, error);
    ASSERT_TRUE(book) << error;
    const std::vector<RawPart> untouched = book->parts();

    // No such sheet, row or column.
    for (const auto& [sheet, row, column] :
         std::vector<std::tuple<int, int, int>>{{1, 1, 1},
                                                {-1, 1, 1},
                                                {0, 0, 1},
                                                {0, 1, 0},
                                                {0, 1, kMaxColumn + 1},
                                                {0, kMaxRow + 1, 1}}) {
        error.clear();
        EXPECT_FALSE(book->setText(sheet, row, column, "x", error)) << sheet << row << column;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(book->setNumber(1, 1, 1, 5, error));
    EXPECT_FALSE(book->merge(1, {1, 1, 2, 2}, error));
    // A merge that overlaps the heading's merged areas in part, and a formula that is none.
    error.clear();
    EXPECT_FALSE(book->merge(0, *parseArea("A4:C4"), error));
    EXPECT_NE(error.find("重叠"), std::string::npos) << error;
    EXPECT_FALSE(book->setFormula(0, 6, 1, "", error));
    EXPECT_FALSE(book->setText(0, 6, 1, std::string(40000, 'x'), error));

    EXPECT_FALSE(book->modified());
    const std::vector<RawPart> now = book->parts();
    ASSERT_EQ(now.size(), untouched.size());
    for (std::size_t i = 0; i < now.size(); ++i) {
        EXPECT_EQ(now[i].name, untouched[i].name);
        EXPECT_EQ(now[i].bytes, untouched[i].bytes) << now[i].name;
    }
    ASSERT_TRUE(book->save(copy, error)) << error;
    const auto again = Workbook::open(copy, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->cell(0, 1, 1).kind, CellKind::Empty);
}

TEST_F(WorkbookModel, SheetsCellsFormulasAndPageSetupRoundTrip) {
    std::string error;
    auto book = Workbook::open(writeSample("sample.xlsx", samplePackage()), error);
    ASSERT_TRUE(book) << error;

    ASSERT_EQ(book->sheetCount(), 2);
    EXPECT_EQ(book->sheetName(0), "封面");
    EXPECT_EQ(book->sheetName(1), "数据");
    EXPECT_EQ(book->activeSheet(), 1); // from the workbook's view settings
    EXPECT_EQ(book->cell(1, 1, 1).text, "站名");
    EXPECT_EQ(book->cell(1, 1, 2).text, "富文本");
    EXPECT_EQ(book->cell(1, 2, 1).kind, CellKind::Number);
    EXPECT_EQ(book->cell(1, 2, 1).number, 12.5);
    EXPECT_EQ(book->cell(1, 3, 26).text, "z");
    EXPECT_EQ(book->formula(1, 2, 3), "A2*2");
    EXPECT_EQ(book->formula(1, 2, 1), std::nullopt);
    EXPECT_EQ(book->usedRange(1), (Area{1, 1, 3, 26}));

    // Overwriting shared strings and a formula; new cells land in column order.
    ASSERT_TRUE(book->setText(1, 1, 1, "新站", error)) << error;
    const auto b1 = parseCell("$B$1");
    ASSERT_TRUE(b1);
    ASSERT_TRUE(book->setText(1, b1->first, b1->second, "b", error)) << error;
    ASSERT_TRUE(book->setFormula(1, 2, 4, "A2+1", error)) << error;
    ASSERT_TRUE(book->setText(1, 3, 27, "aa", error)) << error;
    ASSERT_TRUE(book->setText(1, 3, 2, "b3", error)) << error;
    ASSERT_TRUE(book->setText(1, 5, 1, "row5", error)) << error;
    ASSERT_TRUE(book->merge(1, *parseArea("A5:B5"), error)) << error;
    book->setHeaderFooter(1, false, 1, "第&P页");
    book->setHeaderFooter(1, true, 0, "左");
    book->setMargin(1, Margin::Left, 0.5);
    book->setMargin(1, Margin::Right, 0.5);
    book->setMargin(1, Margin::Top, 1.0);
    book->setMargin(1, Margin::Bottom, 0.75);
    book->setPaperSize(1, 9);
    EXPECT_EQ(book->formula(1, 2, 4), "A2+1");
    EXPECT_EQ(book->cell(1, 1, 2).text, "b");
    EXPECT_EQ(book->usedRange(1), (Area{1, 1, 5, 27}));

    ASSERT_TRUE(book->activateSheet(0, error)) << error;
    EXPECT_EQ(book->activeSheet(), 0);
    ASSERT_TRUE(book->deleteSheet(0, error)) << error;
    EXPECT_EQ(book->sheetCount(), 1);
    error.clear();
    EXPECT_FALSE(book->deleteSheet(0, error)); // the last sheet stays
    EXPECT_FALSE(error.empty());
    const fs::path saved = dir / "saved.xlsx";
    ASSERT_TRUE(book->save(saved, error)) << error;

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
    // Cached results may no longer hold: the chain goes and the reader recalculates.
    EXPECT_TRUE(partOf(saved, "xl/calcChain.xml").empty());
    EXPECT_TRUE(partOf(saved, "xl/worksheets/sheet1.xml").empty());
    const std::string workbook = partOf(saved, "xl/workbook.xml");
    EXPECT_NE(workbook.find(R"(localSheetId="0")"), std::string::npos);
    EXPECT_NE(workbook.find(R"(fullCalcOnLoad="1")"), std::string::npos);

    const auto reopened = Workbook::open(saved, error);
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->sheetName(0), "数据");
    EXPECT_EQ(reopened->activeSheet(), 0);
    EXPECT_EQ(reopened->headerFooter(0, false, 1), "第&P页");
    EXPECT_EQ(reopened->headerFooter(0, true, 0), "左");
    EXPECT_DOUBLE_EQ(reopened->margin(0, Margin::Top), 1.0);
    EXPECT_DOUBLE_EQ(reopened->margin(0, Margin::Left), 0.5);
    EXPECT_DOUBLE_EQ(reopened->margin(0, Margin::Bottom), 0.75);
    EXPECT_EQ(reopened->paperSize(0), 9);
    EXPECT_EQ(reopened->merges(0), (std::vector<Area>{{5, 1, 5, 2}}));
    EXPECT_EQ(reopened->cell(0, 2, 1).number, 12.5);
    EXPECT_EQ(reopened->cell(0, 3, 27).text, "aa");
}

TEST_F(WorkbookModel, DamagedWorkbooksAreRefused) {
    const auto package = samplePackage();
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> damages = {
        {"empty", [](const fs::path& f) { writeAll(f, ""); }},
        {"text", [](const fs::path& f) { writeAll(f, "站名,水位\r\n"); }},
        {"ole", [](const fs::path& f) { writeAll(f, "\xD0\xCF\x11\xE0 legacy"); }},
        {"truncated",
         [&](const fs::path& f) {
             std::string error;
             ASSERT_TRUE(writePackage(f, package, error)) << error;
             const std::string bytes = readAll(f);
             writeAll(f, bytes.substr(0, bytes.size() / 2));
         }},
        {"no workbook",
         [&](const fs::path& f) {
             std::string error;
             ASSERT_TRUE(writePackage(f, without(package, "xl/workbook.xml"), error));
         }},
        {"broken sheet",
         [&](const fs::path& f) {
             std::string error;
             ASSERT_TRUE(writePackage(
                 f, with(package, "xl/worksheets/sheet2.xml", "<worksheet><sheetData><row"),
                 error));
         }},
        {"no sheets",
         [&](const fs::path& f) {
             std::string error;
             ASSERT_TRUE(writePackage(
                 f, with(package, "xl/workbook.xml", R"(<workbook xmlns="x"><sheets/></workbook>)"),
                 error));
         }},
        {"missing", [](const fs::path&) {}},
    };
    for (const auto& [label, damage] : damages) {
        const fs::path file = dir / (label + ".xlsx");
        damage(file);
        std::string error;
        EXPECT_EQ(Workbook::open(file, error), nullptr) << label;
        EXPECT_NE(error.find(file.string()), std::string::npos) << label << ": " << error;
    }
    // Parts read elsewhere that make no workbook are refused with a reason too.
    for (const auto& parts : {std::vector<RawPart>{}, without(package, "xl/workbook.xml"),
                              without(package, "xl/worksheets/sheet2.xml"),
                              with(package, "xl/worksheets/sheet2.xml", "<worksheet><row")}) {
        std::string error;
        EXPECT_EQ(Workbook::fromParts(parts, error), nullptr) << parts.size();
        EXPECT_FALSE(error.empty());
    }

    // Odd but readable: a shared-string index that points nowhere, or is negative.
    const fs::path odd = writeSample(
        "odd.xlsx",
        with(package, "xl/worksheets/sheet2.xml",
             R"(<worksheet xmlns="x"><sheetData><row r="1"><c r="A1" t="s"><v>99</v></c>)"
             R"(<c r="B1" t="s"><v>-1</v></c></row></sheetData></worksheet>)"));
    std::string error;
    const auto book = Workbook::open(odd, error);
    ASSERT_TRUE(book) << error;
    EXPECT_EQ(book->cell(1, 1, 1).text, "");
    EXPECT_EQ(book->cell(1, 1, 2).text, "");
}

// What a reader lays out without a file is what a save writes.
TEST_F(WorkbookModel, PartsAndPackageBytesAreWhatSaveWrites) {
    std::string error;
    auto book = Workbook::open(writeSample("sample.xlsx", samplePackage()), error);
    ASSERT_TRUE(book) << error;
    ASSERT_TRUE(book->setText(1, 4, 2, "在内存中", error)) << error;

    const std::vector<RawPart> parts = book->parts();
    const std::optional<std::string> bytes = book->packageBytes();
    ASSERT_TRUE(bytes);
    const fs::path saved = dir / "saved.xlsx";
    const WriteResult written = book->write(saved);
    ASSERT_TRUE(written) << written.problem;
    EXPECT_FALSE(book->modified());
    // The archives may differ in their time stamps alone: their parts are the same.
    const fs::path fromBytes = dir / "bytes.xlsx";
    writeAll(fromBytes, *bytes);
    const std::vector<RawPart> onDisk = testing::partsOf(saved);
    const std::vector<RawPart> inBytes = testing::partsOf(fromBytes);
    ASSERT_EQ(onDisk.size(), parts.size());
    ASSERT_EQ(inBytes.size(), parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(onDisk[i].name, parts[i].name);
        EXPECT_EQ(onDisk[i].bytes, parts[i].bytes) << parts[i].name;
        EXPECT_EQ(inBytes[i].name, parts[i].name);
        EXPECT_EQ(inBytes[i].bytes, parts[i].bytes) << parts[i].name;
    }
    EXPECT_TRUE(partOf(saved, "xl/calcChain.xml").empty());

    const auto again = Workbook::fromParts(parts, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->cell(1, 4, 2).text, "在内存中");
    EXPECT_EQ(again->cell(1, 1, 2).text, "富文本");
}

TEST_F(WorkbookModel, WriteReplacesALinkOnlyWhenAsked) {
    const fs::path target = dir / "real.xlsx";
    const fs::path link = dir / "link.xlsx";
    writeAll(target, "old");
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    if (ec) {
        GTEST_SKIP() << "this system makes no symbolic links: " << ec.message();
    }
    auto book = Workbook::blank();
    std::string error;
    ASSERT_TRUE(book->setText(0, 1, 1, "经过链接", error)) << error;

    // By default the link stays and the file it names is written.
    WriteResult written = book->write(link);
    ASSERT_TRUE(written) << written.problem;
    ASSERT_TRUE(fs::is_symlink(link));
    auto read = Workbook::open(target, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->cell(0, 1, 1).text, "经过链接");

    // Replace puts a regular file in the link's place and leaves the file it named alone.
    writeAll(target, "old");
    ASSERT_TRUE(book->setText(0, 1, 1, "替换链接", error)) << error;
    written = book->write(link, AtLink::Replace);
    ASSERT_TRUE(written) << written.problem;
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_regular_file(link));
    EXPECT_EQ(readAll(target), "old");
    read = Workbook::open(link, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->cell(0, 1, 1).text, "替换链接");
}

TEST(WorkbookCellText, ControlCharactersAndEscapesRoundTrip) {
    const fs::path dir = fs::temp_directory_path() / ("tarnelo-xlsx-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto book = Workbook::blank();
    std::string error;
    const std::string tricky = std::string("a\x01") + "b_x0041_c\tline\nend";
    EXPECT_EQ(decodeCellText(encodeCellText(tricky)), tricky);
    ASSERT_TRUE(book->setText(0, 1, 1, tricky, error));
    ASSERT_TRUE(book->setText(0, 1, 2, "bad \xFF utf8", error));
    EXPECT_FALSE(book->setText(0, 1, 3, std::string(40000, 'x'), error));
    ASSERT_TRUE(book->save(dir / "t.xlsx", error)) << error;
    const auto again = Workbook::open(dir / "t.xlsx", error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->cell(0, 1, 1).text, tricky);
    EXPECT_EQ(again->cell(0, 1, 2).text, "bad \xEF\xBF\xBD utf8");
    EXPECT_EQ(again->cell(0, 1, 3).kind, CellKind::Empty);
    // A save into a folder that does not exist fails and leaves nothing behind.
    EXPECT_FALSE(book->save(dir / "no" / "t.xlsx", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "no"));
    fs::remove_all(dir);
}

TEST(WorkbookCellAddress, NamesAndAreas) {
    EXPECT_EQ(columnNumber("A"), 1);
    EXPECT_EQ(columnNumber("Z"), 26);
    EXPECT_EQ(columnNumber("AA"), 27);
    EXPECT_EQ(columnNumber("XFD"), 16384);
    EXPECT_EQ(columnNumber("XFE"), 0);
    EXPECT_EQ(columnName(28), "AB");
    EXPECT_EQ(cellName(53, 25), "Y53");
    EXPECT_EQ(parseArea("$C$5:A1"), (Area{1, 1, 5, 3}));
    EXPECT_EQ(parseCell("$B$3"), (std::pair{3, 2}));
    EXPECT_FALSE(parseArea("A0").has_value());
    EXPECT_FALSE(parseArea("A1048577").has_value());
    EXPECT_FALSE(parseArea("1A").has_value());
    EXPECT_FALSE(parseArea("A1:").has_value());
    EXPECT_FALSE(parseArea("not an address").has_value());
    EXPECT_EQ(areaName({5, 1, 5, 2}), "A5:B5");
}

} // namespace
} // namespace tarnelo::xlsx
