#include "pages/sheet_layout.hpp"

#include "measure/numtext.hpp"
#include "pages/worksheet.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace tarnelo::pages {

namespace {

// Paper sizes by the spreadsheet's code, in points.
struct Paper {
    int code;
    double width;
    double height;
};
constexpr Paper kPapers[] = {
    {1, 612.0, 792.0},    // Letter
    {8, 841.89, 1190.55}, // A3
    {9, 595.28, 841.89},  // A4
    {11, 419.53, 595.28}, // A5
    {70, 297.64, 419.53}, // A6
};

// LibreOffice prints a sheet 0.86 % smaller than its page setup says: fonts, widths and heights
// at a set scale, fonts and widths on a sheet fitted to its page (measured on its PDFs of both
// record forms).
constexpr double kPrintScale = 0.9914;

// Text stays this far inside a cell's left and right edges: 1 point (0.35 mm), as LibreOffice keeps
// it.
constexpr double kPadding = 1.0;

struct Span {
    int first;
    int last;
};

// Cuts the items first..last (sizes by item, in points) into runs no longer than `room`, also
// before every manual break (a break after item k starts a run at k + 1; `breaks` sorted).
std::vector<Span> cut(int first, int last, const std::map<int, double>& sizes, double fixed,
                      double room, const std::vector<int>& breaks) {
    std::vector<Span> spans;
    int start = first;
    double used = fixed;
    for (int i = first; i <= last; ++i) {
        const double size = sizes.at(i);
        const bool manual = i > start && std::binary_search(breaks.begin(), breaks.end(), i - 1);
        if (i > start && (manual || used + size > room + 1e-6)) {
            spans.push_back({start, i - 1});
            start = i;
            used = fixed;
        }
        used += size;
    }
    spans.push_back({start, last});
    return spans;
}

std::vector<int> sorted(std::vector<int> breaks) {
    std::sort(breaks.begin(), breaks.end());
    return breaks;
}

} // namespace

// &P and &N in one pass: a header of a million codes costs a million steps, not a million
// moves of its tail.
std::string withPageCodes(std::string_view text, const std::string& page,
                          const std::string& count) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool code = text[i] == '&' && i + 1 < text.size();
        if (code && text[i + 1] == 'P') {
            out += page;
            ++i;
        } else if (code && text[i + 1] == 'N') {
            out += count;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

class SheetPages {
  public:
    SheetPages(const Worksheet& sheet, const PageCap& cap, Layout& out, const StopAsked& stopped)
        : sheet_(sheet), cap_(cap), out_(out), stopped_(stopped) {}

    bool run() {
        const Paper* paper = nullptr;
        for (const Paper& p : kPapers) {
            paper = p.code == sheet_.setup.paperSize ? &p : paper;
        }
        if (paper == nullptr) {
            return refuse("纸张代码 " + std::to_string(sheet_.setup.paperSize) + " 不受支持");
        }
        pageWidth_ = sheet_.setup.landscape ? paper->height : paper->width;
        pageHeight_ = sheet_.setup.landscape ? paper->width : paper->height;
        const Margins& m = sheet_.setup.margins;
        roomWidth_ = pageWidth_ - (m.left + m.right) * 72.0;
        roomHeight_ = pageHeight_ - (m.top + m.bottom) * 72.0;
        if (!(roomWidth_ > 0.0) || !(roomHeight_ > 0.0)) {
            return refuse("页边距之和超出纸张，页面上没有打印的地方");
        }
        const CellArea area = sheet_.printArea;
        for (int c = area.left; c <= area.right; ++c) {
            widths_[c] = sheet_.columnWidth(c);
        }
        for (int r = area.top; r <= area.bottom; ++r) {
            heights_[r] = sheet_.rowHeight(r);
        }
        titleFirst_ = sheet_.titleRows.first;
        titleLast_ = sheet_.titleRows.last;
        double titles = 0;
        for (int r = titleFirst_; r >= 1 && r <= titleLast_; ++r) {
            heights_.try_emplace(r, sheet_.rowHeight(r));
            titles += heights_[r];
        }
        scaleFor(area, titles);
        if (titles > 0 && !titlesLeaveRoom(area, titles)) {
            // Title rows that leave no room for a row beside them are printed once, in their
            // place, rather than one page a row.
            titleFirst_ = 0;
            titleLast_ = 0;
            titles = 0;
            scaleFor(area, titles);
        }
        if (!(scale_ > 0.0)) {
            return refuse("缩放比例无效");
        }
        const std::vector<Span> rows = cut(area.top, area.bottom, heights_, titles,
                                           roomHeight_ / heightScale_, sorted(sheet_.rowBreaks));
        const std::vector<Span> columns = cut(area.left, area.right, widths_, 0,
                                              roomWidth_ / scale_, sorted(sheet_.columnBreaks));
        if (!withinCap(rows, columns)) {
            return false;
        }
        const std::size_t first = out_.pages.size();
        // Down, then over, as a spreadsheet numbers its pages.
        for (const Span& columnSpan : columns) {
            for (std::size_t k = 0; k < rows.size(); ++k) {
                std::vector<int> pageRows;
                if (k > 0) {
                    for (int r = titleFirst_; r >= 1 && r <= titleLast_ && r < rows[k].first; ++r) {
                        pageRows.push_back(r);
                    }
                }
                for (int r = rows[k].first; r <= rows[k].last; ++r) {
                    pageRows.push_back(r);
                }
                if (stopped_ && stopped_()) {
                    return false;
                }
                page(pageRows, columnSpan);
            }
        }
        headersAndFooters(first);
        return true;
    }

  private:
    bool refuse(std::string why) {
        out_.problem = "工作表“" + sheet_.name + "”：" + std::move(why) + "，无法绘制页面。";
        return false;
    }

    void scaleFor(const CellArea& area, double titles) {
        scale_ = sheet_.setup.scale / 100.0 * kPrintScale;
        heightScale_ = scale_;
        if (sheet_.setup.fitToPage) {
            // Fitted to the page in whole per cent, as a spreadsheet sets the scale it fits.
            heightScale_ = std::floor(fitScale(area, titles) * 100.0 + 1e-9) / 100.0;
            scale_ = heightScale_ * kPrintScale;
        }
    }

    // Whether the repeated title rows leave room for the tallest row of the print area.
    bool titlesLeaveRoom(const CellArea& area, double titles) const {
        double tallest = 0;
        for (int r = area.top; r <= area.bottom; ++r) {
            if (r < titleFirst_ || r > titleLast_) {
                tallest = std::max(tallest, heights_.at(r));
            }
        }
        return !(heightScale_ > 0.0) || titles + tallest <= roomHeight_ / heightScale_ + 1e-6;
    }

    // The pages are counted before any is drawn: no more than the caller's document holds, and
    // no more than the sheet's rows and columns that hold a cell can fill.
    bool withinCap(const std::vector<Span>& rows, const std::vector<Span>& columns) {
        const CellArea& area = sheet_.printArea;
        std::set<int> filledRows;
        std::set<int> filledColumns;
        for (const auto& [at, cell] : sheet_.cells) {
            if (at.first >= area.top && at.first <= area.bottom && at.second >= area.left &&
                at.second <= area.right) {
                filledRows.insert(at.first);
                filledColumns.insert(at.second);
            }
        }
        const auto count = [](std::size_t n) { return num::plainText(static_cast<double>(n)); };
        const std::size_t pages = rows.size() * columns.size();
        const std::size_t total = out_.pages.size() + pages;
        if (cap_.most > 0 && total > cap_.most) {
            return refuse("打印区域排成 " + count(total) + " 页，而" + cap_.document + "最多 " +
                          count(cap_.most) + " 页（请检查打印区域和分页符）");
        }
        if (rows.size() > std::max<std::size_t>(1, filledRows.size()) ||
            columns.size() > std::max<std::size_t>(1, filledColumns.size())) {
            return refuse("打印区域排成 " + count(pages) + " 页，而其中只有 " +
                          count(filledRows.size()) + " 行、" + count(filledColumns.size()) +
                          " 列有内容（打印区域远大于表格）");
        }
        return true;
    }

    double fitScale(const CellArea& area, double titles) const {
        double width = 0;
        for (int c = area.left; c <= area.right; ++c) {
            width += widths_.at(c);
        }
        double height = titles;
        for (int r = area.top; r <= area.bottom; ++r) {
            height += heights_.at(r);
        }
        double scale = 1.0;
        if (sheet_.setup.fitWidth > 0 && width > 0) {
            scale = std::min(scale, roomWidth_ * sheet_.setup.fitWidth / width);
        }
        if (sheet_.setup.fitHeight > 0 && height > 0) {
            scale = std::min(scale, roomHeight_ * sheet_.setup.fitHeight / height);
        }
        return scale;
    }

    void page(const std::vector<int>& rows, Span columns) {
        Page page;
        page.width = pageWidth_;
        page.height = pageHeight_;
        double contentWidth = 0;
        for (int c = columns.first; c <= columns.last; ++c) {
            contentWidth += widths_.at(c) * scale_;
        }
        double contentHeight = 0;
        for (const int r : rows) {
            contentHeight += heights_.at(r) * heightScale_;
        }
        const Margins& m = sheet_.setup.margins;
        double x0 = m.left * 72.0;
        double y0 = m.top * 72.0;
        if (sheet_.setup.centredHorizontally) {
            x0 += std::max(0.0, (roomWidth_ - contentWidth) / 2);
        }
        if (sheet_.setup.centredVertically) {
            y0 += std::max(0.0, (roomHeight_ - contentHeight) / 2);
        }
        std::map<int, double> left;
        double x = x0;
        for (int c = columns.first; c <= columns.last; ++c) {
            left[c] = x;
            x += widths_.at(c) * scale_;
        }
        left[columns.last + 1] = x;
        std::map<int, double> top;
        double y = y0;
        for (const int r : rows) {
            top[r] = y;
            y += heights_.at(r) * heightScale_;
        }
        const auto rowBottom = [&](int r) { return top.at(r) + heights_.at(r) * heightScale_; };
        for (const int r : rows) {
            for (int c = columns.first; c <= columns.last; ++c) {
                cellOnPage(page, r, c, rows, columns, left, top, rowBottom);
            }
        }
        out_.pages.push_back(std::move(page));
    }

    template <typename Bottom>
    void cellOnPage(Page& page, int r, int c, const std::vector<int>& rows, Span columns,
                    const std::map<int, double>& left, const std::map<int, double>& top,
                    const Bottom& rowBottom) {
        const CellArea* merge = sheet_.mergeAt(r, c);
        const CellStyle& style = sheet_.styleOf(r, c);
        // The cell's own rectangle, for its borders.
        const Rect own{left.at(c), top.at(r), left.at(c + 1) - left.at(c),
                       rowBottom(r) - top.at(r)};
        const auto line = [&](double x1, double y1, double x2, double y2, double width) {
            if (width > 0) {
                page.lines.push_back({x1, y1, x2, y2, std::max(width * scale_, 0.25)});
            }
        };
        // Edges inside a merged range are not drawn.
        if (!merge || c == merge->left) {
            line(own.x, own.y, own.x, own.bottom(), style.border.left);
        }
        if (!merge || c == merge->right) {
            line(own.right(), own.y, own.right(), own.bottom(), style.border.right);
        }
        if (!merge || r == merge->top) {
            line(own.x, own.y, own.right(), own.y, style.border.top);
        }
        if (!merge || r == merge->bottom) {
            line(own.x, own.bottom(), own.right(), own.bottom(), style.border.bottom);
        }
        const bool anchor = !merge || (r == merge->top && c == merge->left);
        const std::string* text = sheet_.textAt(r, c);
        if (!anchor || text == nullptr || text->empty()) {
            return;
        }
        Rect box = own;
        if (merge) {
            // The merged range, as far as it lies on this page.
            const int right = std::min(merge->right, columns.last);
            int bottomRow = r;
            for (const int row : rows) {
                if (row >= merge->top && row <= merge->bottom) {
                    bottomRow = std::max(bottomRow, row);
                }
            }
            box.width = left.at(right + 1) - box.x;
            box.height = rowBottom(bottomRow) - box.y;
        }
        TextBox t;
        t.cell = box;
        t.clip = box;
        t.text = *text;
        t.family = style.font.family;
        t.points = style.font.points * scale_;
        t.bold = style.font.bold;
        t.vertical = style.vertical;
        t.wrap = style.wrap;
        t.shrink = style.shrink;
        t.padding = kPadding * scale_;
        t.horizontal = style.horizontal == CellStyle::Align::General
                           ? (sheet_.isNumberAt(r, c) ? Horizontal::Right : Horizontal::Left)
                       : style.horizontal == CellStyle::Align::Center ? Horizontal::Center
                       : style.horizontal == CellStyle::Align::Right  ? Horizontal::Right
                                                                      : Horizontal::Left;
        if (!merge && !t.wrap && !t.shrink) {
            spill(t, r, c, columns, left);
        }
        page.texts.push_back(std::move(t));
    }

    // Unwrapped text runs on over empty neighbours in the direction it is aligned.
    void spill(TextBox& t, int r, int c, Span columns, const std::map<int, double>& left) const {
        const auto empty = [&](int column) {
            const std::string* text = sheet_.textAt(r, column);
            return (text == nullptr || text->empty()) && sheet_.mergeAt(r, column) == nullptr;
        };
        int first = c;
        int last = c;
        if (t.horizontal != Horizontal::Right) {
            while (last < columns.last && empty(last + 1)) {
                ++last;
            }
        }
        if (t.horizontal != Horizontal::Left) {
            while (first > columns.first && empty(first - 1)) {
                --first;
            }
        }
        t.clip.x = left.at(first);
        t.clip.width = left.at(last + 1) - t.clip.x;
    }

    void headersAndFooters(std::size_t first) {
        for (std::size_t i = first; i < out_.pages.size(); ++i) {
            Page& page = out_.pages[i];
            const Margins& m = sheet_.setup.margins;
            for (const bool footer : {false, true}) {
                const HeaderFooter& parts = footer ? sheet_.footer : sheet_.header;
                for (int position = 0; position < 3; ++position) {
                    std::string text = parts.sections[static_cast<std::size_t>(position)];
                    if (text.empty()) {
                        continue;
                    }
                    TextBox t;
                    t.pageCodes = true;
                    const double y =
                        footer ? page.height - m.footer * 72.0 - 14.0 : m.header * 72.0;
                    t.cell = {m.left * 72.0, y, page.width - (m.left + m.right) * 72.0, 14.0};
                    t.clip = t.cell;
                    t.text = std::move(text);
                    t.family = parts.family;
                    t.points = parts.points;
                    t.horizontal = position == 0   ? Horizontal::Left
                                   : position == 1 ? Horizontal::Center
                                                   : Horizontal::Right;
                    t.vertical = footer ? Vertical::Bottom : Vertical::Top;
                    page.texts.push_back(std::move(t));
                }
            }
        }
    }

    const Worksheet& sheet_;
    const PageCap& cap_;
    Layout& out_;
    // The rows repeated at the top of each page; none when they would leave no room.
    int titleFirst_ = 0;
    int titleLast_ = 0;
    const StopAsked& stopped_;
    double pageWidth_ = 0;
    double pageHeight_ = 0;
    double roomWidth_ = 0;
    double roomHeight_ = 0;
    double scale_ = 1;
    // Rows scale alike, except on a sheet fitted to its page, where LibreOffice leaves its
    // correction off the heights (measured on the one-page form).
    double heightScale_ = 1;
    std::map<int, double> widths_;
    std::map<int, double> heights_;
};

Layout layoutSheets(const std::vector<Worksheet>& sheets, const PageCap& cap,
                    const StopAsked& stopped) {
    Layout layout;
    for (const Worksheet& sheet : sheets) {
        const bool laidOut = SheetPages(sheet, cap, layout, stopped).run();
        if (stopped && stopped()) {
            layout.pages.clear();
            layout.stopped = true;
            layout.problem = "已中断，未绘制页面。";
            return layout;
        }
        if (!laidOut) {
            layout.pages.clear();
            return layout;
        }
    }
    if (layout.pages.empty()) {
        layout.problem = "工作簿中没有可打印的工作表。";
    }
    // Pages are numbered through the whole workbook, as a spreadsheet prints it.
    const std::string count = num::plainText(static_cast<double>(layout.pages.size()));
    for (std::size_t i = 0; i < layout.pages.size(); ++i) {
        const std::string page = num::plainText(static_cast<double>(i + 1));
        for (TextBox& t : layout.pages[i].texts) {
            if (t.pageCodes) {
                t.text = withPageCodes(t.text, page, count);
            }
        }
    }
    return layout;
}

} // namespace

Layout layoutWorkbook(const std::filesystem::path& file, const xlsx::PackageLimits& limits,
                      const PageCap& cap, const StopAsked& stopped) {
    Layout layout;
    std::vector<Worksheet> sheets;
    if (!readWorksheets(file, sheets, layout.problem, limits)) {
        return layout;
    }
    return layoutSheets(sheets, cap, stopped);
}

Layout layoutWorkbook(const xlsx::Workbook& workbook, const PageCap& cap,
                      const StopAsked& stopped) {
    Layout layout;
    std::vector<Worksheet> sheets;
    if (!readWorksheets(workbook, sheets, layout.problem)) {
        return layout;
    }
    return layoutSheets(sheets, cap, stopped);
}

} // namespace tarnelo::pages
