// An interruption while the pages are laid out or drawn: whenever the stop says yes, the work
// ends without pages or bytes, and a PDF already at the target is left as it was.
#include "files/file_io.hpp"
#include "pages/page_painter.hpp"
#include "pages/sheet_layout.hpp"
#include "platform/system/scratch.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnelo::pages {
namespace {

namespace fs = std::filesystem;

TEST(PageStop, EveryAskEndsTheWorkWithNothingWritten) {
    const fs::path form = fs::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_2.dat";
    // The pages are drawn only where a Chinese font is (or the renderer is built at all).
    if (const std::string font = chineseFontProblem(); !font.empty()) {
        GTEST_SKIP() << font;
    }
    int asks = 0;
    const StopAsked counting = [&asks] {
        ++asks;
        return false;
    };
    const PdfDrawing whole = drawWorkbookPdf(form, {}, {}, counting);
    ASSERT_TRUE(whole.problem.empty()) << whole.problem;
    ASSERT_FALSE(whole.bytes.empty());
    // Asked before each of the two pages is laid out and again before each is drawn.
    const int all = asks;
    ASSERT_GE(all, 4);

    const sys::ScratchFolder scratch("tarnelo-test");
    const fs::path pdf = scratch.path() / "form.pdf";
    for (int yesAt = 1; yesAt <= all; ++yesAt) {
        SCOPED_TRACE(yesAt);
        int asked = 0;
        const StopAsked stop = [&asked, yesAt] { return ++asked >= yesAt; };
        const Layout layout = layoutWorkbook(form, {}, {}, stop);
        if (layout.stopped) {
            EXPECT_TRUE(layout.pages.empty());
            EXPECT_FALSE(layout.problem.empty());
        }
        asked = 0;
        const PdfDrawing drawn = drawWorkbookPdf(form, {}, {}, stop);
        EXPECT_TRUE(drawn.stopped);
        EXPECT_TRUE(drawn.bytes.empty());
        ASSERT_TRUE(writeFileAtomic(pdf, "old"));
        asked = 0;
        EXPECT_FALSE(writeWorkbookPdf(form, pdf, {}, {}, stop).empty());
        EXPECT_EQ(readFileBytes(pdf).value_or(""), "old");
    }
}

} // namespace
} // namespace tarnelo::pages
