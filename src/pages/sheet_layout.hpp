// The printed pages of a workbook, laid out as a spreadsheet prints them: the print area cut
// into pages by the manual and the automatic breaks, scaled and centred as the page setup says,
// each cell's text in its font and alignment, its borders as lines. Positions are in points
// (1/72 inch) from the page's top-left corner. Only what the record forms and the station
// workbook use is known; anything else is refused with a reason rather than drawn wrong.
#pragma once

#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::pages {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
};

enum class Horizontal { Left, Center, Right };
enum class Vertical { Top, Center, Bottom };

struct TextBox {
    // The cell (or merged range) the text belongs to, and how far it may spill over empty
    // neighbours as a spreadsheet lets unwrapped text do.
    Rect cell;
    Rect clip;
    std::string text;
    std::string family;
    double points = 11; // the font's size on the page, scaling applied
    bool bold = false;
    Horizontal horizontal = Horizontal::Left;
    Vertical vertical = Vertical::Bottom;
    bool wrap = false;
    bool shrink = false;
    double padding = 0; // space kept inside the cell's left and right edges
    // A header or footer: &P and &N in the text stand for the page and the count of pages.
    bool pageCodes = false;
};

struct Line {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    double width = 0.75;
};

struct Page {
    double width = 0; // the paper, orientation applied
    double height = 0;
    std::vector<Line> lines;
    std::vector<TextBox> texts;
};

struct Layout {
    std::vector<Page> pages;
    // Why nothing was laid out; empty when the pages are there.
    std::string problem;
    // The layout was given up because `stopped` said so (an interruption): no pages.
    bool stopped = false;
};

// The most pages a workbook's layout may have, counted before any is drawn: a record form holds
// one or two; 0 leaves the count to the rows (a station's table, as long as its rows make it).
// Whatever the cap, no sheet lays out more pages down (or across) than it has rows (columns)
// holding a cell in its print area.
struct PageCap {
    std::size_t most = 0;
    std::string document = "文档"; // what the pages are, in the refusal: 记载表
};

// A record form of one or two pages.
inline PageCap formPageCap(bool twoPages) {
    return {twoPages ? 2U : 1U, "记载表"};
}

// Asked between sheets and pages, and between the pages that are drawn: once it says yes the
// work ends unfinished and nothing is written. Empty: never stopped.
using StopAsked = std::function<bool()>;

// Lays out every worksheet of the workbook file, in order; one the program has just written
// itself is read with xlsx::kOwnWorkbookLimits. A layout of more pages than the cap is refused,
// saying how many and why.
Layout layoutWorkbook(const std::filesystem::path& file, const xlsx::PackageLimits& limits = {},
                      const PageCap& cap = {}, const StopAsked& stopped = {});

// Lays out every worksheet of a workbook model in memory, as layoutWorkbook does its file.
Layout layoutWorkbook(const xlsx::Workbook& workbook, const PageCap& cap = {},
                      const StopAsked& stopped = {});

// A header's or footer's text with &P and &N replaced by the page and the count of pages.
std::string withPageCodes(std::string_view text, const std::string& page, const std::string& count);

} // namespace tarnelo::pages
