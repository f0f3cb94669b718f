// The page renderer's layout of the record forms, and what it refuses to draw rather than draw
// wrong: both templates as LibreOffice prints them (page count, paper, scale, centring, the
// manual break), and a format, border or header code it does not know, with no PDF left.
#include "pages/page_painter.hpp"
#include "pages/sheet_layout.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>

namespace tarnelo::pages {
namespace {

namespace fs = std::filesystem;

fs::path formTemplate(bool twoPages) {
    return fs::path(TARNELO_PROGRAM_DIR) / "Data" /
           (twoPages ? "moduleexcel_2.dat" : "moduleexcel_1.dat");
}

const TextBox* findText(const Page& page, std::string_view text) {
    const auto it = std::find_if(page.texts.begin(), page.texts.end(), [&](const TextBox& t) {
        return t.text.find(text) != std::string::npos;
    });
    return it == page.texts.end() ? nullptr : &*it;
}

TEST(SheetLayout, LaysOutBothFormsAsTheyPrint) {
    // One page: A4 landscape fitted to the page (96 % as LibreOffice rounds it), centred.
    const Layout one = layoutWorkbook(formTemplate(false));
    ASSERT_TRUE(one.problem.empty()) << one.problem;
    ASSERT_EQ(one.pages.size(), 1U);
    const Page& page = one.pages.front();
    EXPECT_NEAR(page.width, 841.89, 0.01);
    EXPECT_NEAR(page.height, 595.28, 0.01);
    double left = page.width;
    double right = 0;
    for (const Line& line : page.lines) {
        left = std::min({left, line.x1, line.x2});
        right = std::max({right, line.x1, line.x2});
    }
    EXPECT_NEAR(left - 0.3 * 72, page.width - 0.3 * 72 - right, 0.5) << "centred";
    const TextBox* title = findText(page, "测深、测速记载及流量计算表");
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->bold);
    // Fitted in whole per cent, then LibreOffice's 0.9914.
    const double fitted = title->points / 18 / 0.9914;
    EXPECT_NEAR(fitted * 100, std::round(fitted * 100), 1e-6);
    EXPECT_LT(fitted, 1.0);

    // Two pages: 75 %, the manual break after row 25, each page the same paper.
    const Layout two = layoutWorkbook(formTemplate(true));
    ASSERT_TRUE(two.problem.empty()) << two.problem;
    ASSERT_EQ(two.pages.size(), 2U);
    EXPECT_NE(findText(two.pages[0], "测深、测速记载及流量计算表"), nullptr);
    EXPECT_EQ(findText(two.pages[0], "比降上下水尺间距"), nullptr);
    ASSERT_NE(findText(two.pages[1], "比降上下水尺间距"), nullptr);
    EXPECT_NEAR(findText(two.pages[1], "比降上下水尺间距")->points, 10 * 0.75 * 0.9914, 0.01);
}

// The height a wrapped heading needs: each of its lines broken to the cell's inner width, a
// Chinese character an em wide, a Latin one at most 0.9 em (m, W), most 0.6 em.
double wrappedHeight(const TextBox& box) {
    const double inner = box.cell.width - 2 * box.padding;
    int lines = 0;
    std::size_t start = 0;
    while (start <= box.text.size()) {
        const std::size_t end = std::min(box.text.find('\n', start), box.text.size());
        double ems = 0;
        for (std::size_t i = start; i < end;) {
            const auto c = static_cast<unsigned char>(box.text[i]);
            if (c < 0x80) {
                ems += std::string_view("mMW").find(static_cast<char>(c)) != std::string_view::npos
                           ? 0.9
                           : 0.6;
                ++i;
            } else {
                ems += 1.0;
                i += c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            }
        }
        lines += std::max(1, static_cast<int>(std::ceil(ems * box.points / inner - 1e-9)));
        start = end + 1;
    }
    return lines * box.points * 1.15;
}

// The column headings are never clipped: each line of a heading (改正数(m), 测点深(m), 平均水深(m))
// fits its column, or the lines it breaks into fit the heading's height.
// The pages of a workbook model in memory are the pages of the file it writes, its cells
// written since it was read among them.
TEST(SheetLayout, TheModelInMemoryLaysOutAsTheFileItWrites) {
    const sys::ScratchFolder scratch("tarnelo-layout-model");
    ASSERT_TRUE(scratch.valid());
    for (const bool twoPages : {false, true}) {
        std::string error;
        const auto book = xlsx::Workbook::open(formTemplate(twoPages), error);
        ASSERT_NE(book, nullptr) << error;
        const int sheet = book->activeSheet();
        ASSERT_TRUE(book->setText(sheet, 1, 6, "长江寸滩", error)) << error;
        ASSERT_TRUE(book->setText(sheet, 6, 1, "水边", error)) << error;
        ASSERT_TRUE(book->setText(sheet, 7, 3, " 12.5 ", error)) << error;
        const Layout inMemory = layoutWorkbook(*book, formPageCap(twoPages));
        const fs::path file = scratch.path() / "form.xlsx";
        ASSERT_TRUE(book->write(file)) << twoPages;
        const Layout fromFile = layoutWorkbook(file, {}, formPageCap(twoPages));
        ASSERT_EQ(inMemory.problem, fromFile.problem);
        ASSERT_EQ(inMemory.pages.size(), twoPages ? 2U : 1U);
        ASSERT_EQ(inMemory.pages.size(), fromFile.pages.size());
        for (std::size_t p = 0; p < inMemory.pages.size(); ++p) {
            const Page& a = inMemory.pages[p];
            const Page& b = fromFile.pages[p];
            ASSERT_EQ(a.lines.size(), b.lines.size());
            for (std::size_t i = 0; i < a.lines.size(); ++i) {
                EXPECT_EQ(std::tie(a.lines[i].x1, a.lines[i].y1, a.lines[i].x2, a.lines[i].y2,
                                   a.lines[i].width),
                          std::tie(b.lines[i].x1, b.lines[i].y1, b.lines[i].x2, b.lines[i].y2,
                                   b.lines[i].width));
            }
            ASSERT_EQ(a.texts.size(), b.texts.size());
            for (std::size_t i = 0; i < a.texts.size(); ++i) {
                EXPECT_EQ(a.texts[i].text, b.texts[i].text);
                EXPECT_EQ(std::tie(a.texts[i].cell.x, a.texts[i].cell.y, a.texts[i].points,
                                   a.texts[i].bold),
                          std::tie(b.texts[i].cell.x, b.texts[i].cell.y, b.texts[i].points,
                                   b.texts[i].bold));
            }
        }
        EXPECT_NE(findText(inMemory.pages.front(), "长江寸滩"), nullptr);
        EXPECT_NE(findText(inMemory.pages.front(), " 12.5 "), nullptr);
    }
}

TEST(SheetLayout, EveryWrappedHeadingFitsItsCell) {
    for (const bool twoPages : {false, true}) {
        const Layout layout = layoutWorkbook(formTemplate(twoPages));
        ASSERT_TRUE(layout.problem.empty()) << layout.problem;
        for (const TextBox& box : layout.pages.front().texts) {
            if (box.wrap && !box.text.empty()) {
                EXPECT_LE(wrappedHeight(box), box.cell.height + 0.01)
                    << box.text << (twoPages ? " (two pages)" : "");
            }
        }
    }
}

// A copy of the two-page form with one part's text replaced.
fs::path patched(const fs::path& folder, const std::string& part, const std::string& from,
                 const std::string& to, const std::string& name = "patched.xlsx") {
    std::vector<xlsx::RawPart> parts;
    std::string error;
    EXPECT_TRUE(xlsx::readPackage(formTemplate(true), parts, error)) << error;
    for (xlsx::RawPart& p : parts) {
        if (p.name == part) {
            const auto at = p.bytes.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) {
                p.bytes.replace(at, from.size(), to);
            }
        }
    }
    const fs::path file = folder / name;
    EXPECT_TRUE(xlsx::writePackage(file, parts, error)) << error;
    return file;
}

TEST(SheetLayout, RefusesWhatItWouldDrawWrongAndWritesNoPdf) {
    const sys::ScratchFolder scratch("tarnelo-pages");
    struct Case {
        std::string part;
        std::string from;
        std::string to;
        std::string says;
    };
    const Case cases[] = {
        {"xl/styles.xml", "<xf numFmtId=\"0\" fontId=\"1\"", "<xf numFmtId=\"14\" fontId=\"1\"",
         "数字格式 14"},
        {"xl/styles.xml", "style=\"thin\"", "style=\"dashDot\"", "边框线型“dashDot”"},
        {"xl/worksheets/sheet1.xml", "<printOptions horizontalCentered=\"1\"/>",
         "<printOptions horizontalCentered=\"1\" gridLines=\"1\"/>", "网格线"},
        {"xl/worksheets/sheet1.xml", "<pageSetup paperSize=\"9\"", "<pageSetup paperSize=\"5\"",
         "纸张代码 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const fs::path workbook = patched(scratch.path(), c.part, c.from, c.to);
        const Layout layout = layoutWorkbook(workbook);
        EXPECT_TRUE(layout.pages.empty());
        EXPECT_NE(layout.problem.find(c.says), std::string::npos) << layout.problem;
        const fs::path pdf = scratch.path() / "form.pdf";
        const std::string problem = writeWorkbookPdf(workbook, pdf);
        EXPECT_EQ(problem, layout.problem);
        EXPECT_FALSE(fs::exists(pdf));
    }
    const Layout unreadable = layoutWorkbook(scratch.path() / "missing.xlsx");
    EXPECT_NE(unreadable.problem.find("无法读取工作簿"), std::string::npos) << unreadable.problem;
}

// Hostile page setups are bounded before a page is drawn: a print area down to the sheet's last
// row (thousands of pages), title rows taller than the page (one page a row), a million page
// codes in a header.
TEST(SheetLayout, BoundsThePagesOfAHostileTemplate) {
    const sys::ScratchFolder scratch("tarnelo-pages");
    const fs::path whole =
        patched(scratch.path(), "xl/workbook.xml", "$A$1:$Y$53", "$A$1:$Y$1048575", "whole.xlsx");
    const Layout form = layoutWorkbook(whole, {}, formPageCap(true));
    EXPECT_TRUE(form.pages.empty());
    EXPECT_NE(form.problem.find("而记载表最多 2 页"), std::string::npos) << form.problem;
    // Without a cap the rows that hold a cell bound it: 53 of them.
    const Layout rows = layoutWorkbook(whole);
    EXPECT_TRUE(rows.pages.empty());
    EXPECT_NE(rows.problem.find("只有 53 行、25 列有内容"), std::string::npos) << rows.problem;
    // The one-page form holds one page; the two-page form still lays out under its cap.
    EXPECT_NE(layoutWorkbook(formTemplate(true), {}, formPageCap(false)).problem.find("最多 1 页"),
              std::string::npos);
    EXPECT_EQ(layoutWorkbook(formTemplate(true), {}, formPageCap(true)).pages.size(), 2U);

    // A first row of 972 pt repeated on a 595 pt page: printed once, in its place.
    const fs::path titled =
        patched(scratch.path(), "xl/workbook.xml", "</definedNames>",
                "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">'记载表'!$1:$1"
                "</definedName></definedNames>",
                "titled.xlsx");
    const fs::path tall = scratch.path() / "tall.xlsx";
    std::vector<xlsx::RawPart> parts;
    std::string error;
    ASSERT_TRUE(xlsx::readPackage(titled, parts, error)) << error;
    for (xlsx::RawPart& p : parts) {
        if (p.name == "xl/worksheets/sheet1.xml") {
            const std::string from = "<row r=\"1\" spans=\"1:25\" ht=\"30\"";
            p.bytes.replace(p.bytes.find(from), from.size(),
                            "<row r=\"1\" spans=\"1:25\" ht=\"972\"");
        }
    }
    ASSERT_TRUE(xlsx::writePackage(tall, parts, error)) << error;
    const Layout once = layoutWorkbook(tall);
    ASSERT_TRUE(once.problem.empty()) << once.problem;
    EXPECT_EQ(once.pages.size(), 3U) << "the tall row alone, then the form's two pages";
    // A short title row is still repeated on the second page.
    const Layout repeated = layoutWorkbook(titled);
    ASSERT_GE(repeated.pages.size(), 2U) << repeated.problem;
    EXPECT_NE(findText(repeated.pages[1], "测深、测速记载及流量计算表"), nullptr);

    // A million &P codes in the header, each page numbered in one pass.
    std::string codes;
    for (int i = 0; i < 1000000; ++i) {
        codes += "&amp;P";
    }
    const fs::path numbered = patched(scratch.path(), "xl/worksheets/sheet1.xml", "<rowBreaks",
                                      "<headerFooter><oddHeader>&amp;C" + codes +
                                          "/&amp;N</oddHeader></headerFooter><rowBreaks",
                                      "numbered.xlsx");
    const auto start = std::chrono::steady_clock::now();
    const Layout header = layoutWorkbook(numbered, xlsx::kOwnWorkbookLimits);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(header.pages.size(), 2U) << header.problem;
    const TextBox* second = findText(header.pages[1], "22222");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text.size(), 1000002U);
    EXPECT_EQ(second->text.substr(second->text.size() - 3), "2/2");
    EXPECT_LT(seconds, 3.0);
}

} // namespace
} // namespace tarnelo::pages
