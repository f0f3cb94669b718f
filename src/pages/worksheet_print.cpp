// What a sheet says of its printing: the print area and title rows (on this sheet, inside it,
// not the whole of it) and the page setup, each value one a spreadsheet can hold.
#include "pages/worksheet_xml.hpp"

#include "platform/workbook/cell_address.hpp"

#include <algorithm>
#include <vector>

namespace tarnelo::pages::sheet_xml {

using xlsx::child;

namespace {

// Excel's limit (Excel 规范与限制): 1,026 manual page breaks a sheet.
constexpr std::size_t kMostBreaks = 1026;

// Splits a defined name's text at the commas between its areas (not those in a quoted sheet
// name).
std::vector<std::string> areasOf(const std::string& text) {
    std::vector<std::string> areas(1);
    bool quoted = false;
    for (const char ch : text) {
        if (ch == '\'') {
            quoted = !quoted;
        }
        if (ch == ',' && !quoted) {
            areas.emplace_back();
        } else {
            areas.back() += ch;
        }
    }
    return areas;
}

// The reference of one area of a defined name ("'记载表'!$A$1:$Y$53" gives "$A$1:$Y$53"), or
// why it is not on this sheet: another sheet, or a sheet of another workbook.
std::optional<std::string> ownReference(const std::string& area, const std::string& sheet,
                                        std::string& why) {
    const std::size_t bang = area.rfind('!');
    if (bang == std::string::npos) {
        return area;
    }
    std::string name = area.substr(0, bang);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
        name = name.substr(1, name.size() - 2);
        for (std::size_t at = name.find("''"); at != std::string::npos;
             at = name.find("''", at + 1)) {
            name.erase(at, 1);
        }
    }
    if (name.find('[') != std::string::npos) {
        why = "指向另一个工作簿（" + area + "）";
    } else if (name != sheet) {
        why = "指向另一个工作表“" + name + "”";
    } else {
        return area.substr(bang + 1);
    }
    return std::nullopt;
}

// "$3:$5" (whole rows) as an area of every column, "$B:$D" (whole columns) of every row.
std::optional<xlsx::Area> wholeLines(const std::string& ref) {
    const std::size_t colon = ref.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    const auto side = [](std::string_view s) {
        return s.substr(!s.empty() && s.front() == '$' ? 1 : 0);
    };
    const std::string_view a = side(std::string_view(ref).substr(0, colon));
    const std::string_view b = side(std::string_view(ref).substr(colon + 1));
    if (const auto r1 = xlsx::parseCell("A" + std::string(a)),
        r2 = xlsx::parseCell("A" + std::string(b));
        r1 && r2 && a.find_first_not_of("0123456789") == std::string_view::npos &&
        b.find_first_not_of("0123456789") == std::string_view::npos) {
        return xlsx::Area{std::min(r1->first, r2->first), 1, std::max(r1->first, r2->first),
                          xlsx::kMaxColumn};
    }
    const int c1 = xlsx::columnNumber(a);
    const int c2 = xlsx::columnNumber(b);
    if (c1 > 0 && c2 > 0) {
        return xlsx::Area{1, std::min(c1, c2), xlsx::kMaxRow, std::max(c1, c2)};
    }
    return std::nullopt;
}

} // namespace

std::string readPrintNames(pugi::xml_node book, int local, Worksheet& sheet) {
    std::string why;
    each(child(book, "definedNames"), "definedName", [&](pugi::xml_node d) {
        const std::string name = d.attribute("name").value();
        if (!why.empty() || number(d, "localSheetId", -1) != local ||
            (name != "_xlnm.Print_Area" && name != "_xlnm.Print_Titles")) {
            return;
        }
        const bool titles = name == "_xlnm.Print_Titles";
        const std::string what = titles ? "的打印标题" : "的打印区域";
        const std::vector<std::string> areas = areasOf(d.text().get());
        if (!titles && areas.size() > 1) {
            why = what + "有多个区域（" + d.text().get() + "），页面绘制只打印一个区域";
            return;
        }
        for (const std::string& area : areas) {
            const std::optional<std::string> ref = ownReference(area, sheet.name, why);
            if (!ref) {
                why = what + why;
                return;
            }
            std::optional<xlsx::Area> cells = xlsx::parseArea(*ref);
            cells = cells ? cells : wholeLines(*ref);
            if (!cells) {
                why = what + "“" + *ref +
                      "”无法识别（行应在 1 到 1048576 之间，列在 A 到 XFD 之间，Excel 规范与限制）";
                return;
            }
            const bool allColumns = cells->left == 1 && cells->right == xlsx::kMaxColumn;
            const bool allRows = cells->top == 1 && cells->bottom == xlsx::kMaxRow;
            if (titles && allColumns && !allRows) {
                // Rows repeated at the top of each page ("$1:$3"); columns repeated at the left
                // are not used by our sheets.
                sheet.titleRows.first = cells->top;
                sheet.titleRows.last = cells->bottom;
            } else if (!titles && (allColumns || allRows)) {
                why = what + " " + xlsx::areaName(*cells) +
                      (allColumns && allRows ? " 是整个工作表"
                       : allColumns          ? " 是整行"
                                             : " 是整列") +
                      "，页面绘制只打印有内容的区域";
                return;
            } else if (!titles) {
                sheet.printArea = {cells->top, cells->left, cells->bottom, cells->right};
            }
        }
    });
    return why;
}

std::string readSetup(pugi::xml_node root, Worksheet& sheet) {
    const pugi::xml_node margins = child(root, "pageMargins");
    Margins& m = sheet.setup.margins;
    for (auto [name, value] : {std::pair{"left", &m.left},
                               {"right", &m.right},
                               {"top", &m.top},
                               {"bottom", &m.bottom},
                               {"header", &m.header},
                               {"footer", &m.footer}}) {
        const auto inches = measure(margins, name, *value, 0, 100);
        if (!inches) {
            return "的页边距 " + quoted(margins, name) + " 无效（应在 0 到 100 英寸之间，经验值）";
        }
        *value = *inches;
    }
    const pugi::xml_node setup = child(root, "pageSetup");
    const auto paper = whole(setup, "paperSize", 9, 0, INT_MAX);
    const auto scale = measure(setup, "scale", 100, 10, 400);
    const auto wide = whole(setup, "fitToWidth", 1, 0, 32767);
    const auto high = whole(setup, "fitToHeight", 1, 0, 32767);
    if (!paper) {
        return "的纸张代码 " + quoted(setup, "paperSize") + " 无效";
    }
    if (!scale) {
        return "的缩放比例 " + quoted(setup, "scale") +
               " 无效（应在 10% 到 400% 之间，ECMA-376 第 1 部分 18.3.1.63）";
    }
    if (!wide || !high) {
        return "的适应页数 " + quoted(setup, "fitToWidth") + " " + quoted(setup, "fitToHeight") +
               " 无效（应在 0 到 32767 页之间，经验值）";
    }
    sheet.setup.paperSize = *paper;
    sheet.setup.landscape = std::string_view(setup.attribute("orientation").value()) == "landscape";
    sheet.setup.scale = *scale;
    sheet.setup.fitWidth = *wide;
    sheet.setup.fitHeight = *high;
    sheet.setup.fitToPage = flag(child(child(root, "sheetPr"), "pageSetUpPr"), "fitToPage");
    const pugi::xml_node options = child(root, "printOptions");
    sheet.setup.centredHorizontally = flag(options, "horizontalCentered");
    sheet.setup.centredVertically = flag(options, "verticalCentered");
    if (flag(options, "gridLines") || flag(options, "headings")) {
        return "要求打印网格线或行号列标";
    }
    std::string why;
    const auto readBreaks = [&](const char* name, std::vector<int>& breaks, int most) {
        each(child(root, name), "brk", [&](pugi::xml_node b) {
            const auto id = whole(b, "id", 0, 0, most);
            if (!id || breaks.size() >= kMostBreaks) {
                why = id ? "的手动分页符多于 1026 个（Excel 规范与限制）"
                         : "的分页符位置 " + quoted(b, "id") + " 超出工作表";
            } else if (why.empty()) {
                breaks.push_back(*id);
            }
        });
    };
    readBreaks("rowBreaks", sheet.rowBreaks, xlsx::kMaxRow);
    readBreaks("colBreaks", sheet.columnBreaks, xlsx::kMaxColumn);
    return why;
}

} // namespace tarnelo::pages::sheet_xml
