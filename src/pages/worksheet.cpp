#include "pages/worksheet.hpp"

#include "pages/worksheet_xml.hpp"
#include "platform/workbook/cell_address.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/xml.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

namespace tarnelo::pages {

namespace {

using xlsx::child;
using xlsx::localName;
using namespace sheet_xml;

// A column width counts digits of the default font, Calibri 11 (or the metric-compatible
// Carlito): 0.5085 em, 5.593 points. A spreadsheet on screen rounds each column to whole pixels
// of 7 a digit; LibreOffice, whose PDFs the forms have been printed through, does not.
constexpr double kDigitPoints = 5.593;
// Excel's padding of 5 pixels, in characters of 7 pixels: part of a default width.
constexpr double kDigitPixels = 7.0;

const CellStyle kPlain;

// Excel's limits (Excel 规范与限制): a font of 1 to 409 points, a column of at most 255 characters,
// 65,490 cell formats.
constexpr double kMostPoints = 409;
// A row may be taller than Excel lets one be set (the program's own tables wrap long notes into
// taller rows); beyond 100,000 points (35 m) it is no row of a page (经验值).
constexpr double kMostRowPoints = 100000;
constexpr double kMostColumnWidth = 255;
constexpr std::size_t kMostStyles = 65490;

// The parts by name: their bytes, or for a workbook model in memory the XML trees it keeps.
struct Parts {
    std::map<std::string, const std::string*, std::less<>> byName;
    std::map<std::string, const pugi::xml_document*, std::less<>> trees;
    const std::string* find(const std::string& name) const {
        const auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
};

// The root element of a part: the model's own tree where it keeps one, else the part's bytes
// parsed into scratch; a null node when the part is missing or is no XML.
pugi::xml_node rootOf(const Parts& parts, const std::string& name, pugi::xml_document& scratch) {
    if (const auto it = parts.trees.find(name); it != parts.trees.end()) {
        return it->second->document_element();
    }
    const std::string* bytes = parts.find(name);
    return bytes != nullptr && xlsx::parseXml(scratch, *bytes) ? scratch.document_element()
                                                               : pugi::xml_node();
}

// The text of a shared or inline string: its <t>, or its runs' <t> joined.
std::string stringText(pugi::xml_node si) {
    std::string text;
    if (const pugi::xml_node t = child(si, "t")) {
        return t.text().get();
    }
    each(si, "r", [&](pugi::xml_node r) { text += child(r, "t").text().get(); });
    return text;
}

// A number as the General format shows it: up to 11 significant digits, no trailing zeros.
std::string generalText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.11G", value);
    std::string text = buffer;
    if (text.find('E') == std::string::npos && text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

double lineWidth(const std::string& style, std::string& unknown) {
    if (style.empty()) {
        return 0;
    }
    if (style == "thin") {
        return 0.75;
    }
    if (style == "medium") {
        return 1.5;
    }
    if (style == "thick") {
        return 2.25;
    }
    if (style == "hair") {
        return 0.4;
    }
    unknown = "边框线型“" + style + "”";
    return 0;
}

// A cell format's alignment, wrapping and shrinking; what the layout does not know in unknown.
void alignmentOf(pugi::xml_node a, CellStyle& style, std::string& unknown) {
    const std::string h = a.attribute("horizontal").value();
    style.horizontal = h == "left"     ? CellStyle::Align::Left
                       : h == "center" ? CellStyle::Align::Center
                       : h == "right"  ? CellStyle::Align::Right
                                       : CellStyle::Align::General;
    if (!h.empty() && h != "left" && h != "center" && h != "right" && h != "general") {
        unknown = "水平对齐“" + h + "”";
    }
    const std::string v = a.attribute("vertical").value();
    style.vertical = v == "top"      ? Vertical::Top
                     : v == "center" ? Vertical::Center
                                     : Vertical::Bottom;
    style.wrap = flag(a, "wrapText");
    style.shrink = flag(a, "shrinkToFit");
    if (number(a, "textRotation", 0) != 0 || number(a, "indent", 0) != 0) {
        unknown = "文字旋转或缩进";
    }
}

// The fonts of the style sheet; a size no spreadsheet holds is named in unknown.
std::vector<CellStyle::Font> readFonts(pugi::xml_node root, std::string& unknown) {
    std::vector<CellStyle::Font> fonts;
    each(child(root, "fonts"), "font", [&](pugi::xml_node f) {
        CellStyle::Font font;
        font.family = child(f, "name").attribute("val").value();
        const auto points = measure(child(f, "sz"), "val", 11, 1, kMostPoints);
        if (!points) {
            unknown = "字号“" + std::string(child(f, "sz").attribute("val").value()) +
                      "”（字号应在 1 到 409 磅之间，Excel 规范与限制）";
        }
        font.points = points.value_or(11);
        const pugi::xml_node b = child(f, "b");
        font.bold = b && std::string_view(b.attribute("val").value()) != "0";
        fonts.push_back(font);
    });
    return fonts;
}

bool readStyles(const Parts& parts, std::vector<CellStyle>& styles, std::string& problem) {
    pugi::xml_document doc;
    const pugi::xml_node root = rootOf(parts, "xl/styles.xml", doc);
    if (!root) {
        styles.assign(1, CellStyle{});
        return true;
    }
    std::string unknown;
    const std::vector<CellStyle::Font> fonts = readFonts(root, unknown);
    std::vector<CellStyle::Border> borders;
    each(child(root, "borders"), "border", [&](pugi::xml_node b) {
        CellStyle::Border border;
        border.left = lineWidth(child(b, "left").attribute("style").value(), unknown);
        border.right = lineWidth(child(b, "right").attribute("style").value(), unknown);
        border.top = lineWidth(child(b, "top").attribute("style").value(), unknown);
        border.bottom = lineWidth(child(b, "bottom").attribute("style").value(), unknown);
        borders.push_back(border);
    });
    each(child(root, "fills"), "fill", [&](pugi::xml_node f) {
        const std::string pattern = child(f, "patternFill").attribute("patternType").value();
        if (!pattern.empty() && pattern != "none" && pattern != "gray125") {
            unknown = "底纹“" + pattern + "”";
        }
    });
    // Number formats of a fixed count of decimals ("0", "0.0", "0.000"); others are not known.
    std::map<int, int> decimals{{1, 0}, {2, 2}};
    each(child(root, "numFmts"), "numFmt", [&](pugi::xml_node f) {
        const std::string code = f.attribute("formatCode").value();
        const int id = whole(f, "numFmtId", -1, 0, INT_MAX).value_or(-1);
        if (code == "0") {
            decimals[id] = 0;
        } else if (code.size() > 2 && code.rfind("0.", 0) == 0 &&
                   code.find_first_not_of('0', 2) == std::string::npos) {
            decimals[id] = static_cast<int>(code.size() - 2);
        }
    });
    bool too = false;
    each(child(root, "cellXfs"), "xf", [&](pugi::xml_node xf) {
        if (styles.size() >= kMostStyles) {
            too = true;
            return;
        }
        CellStyle style;
        const auto font = static_cast<std::size_t>(whole(xf, "fontId", 0, 0, INT_MAX).value_or(0));
        const auto border =
            static_cast<std::size_t>(whole(xf, "borderId", 0, 0, INT_MAX).value_or(0));
        style.font = font < fonts.size() ? fonts[font] : style.font;
        style.border = border < borders.size() ? borders[border] : style.border;
        const std::optional<int> format = whole(xf, "numFmtId", 0, 0, INT_MAX);
        if (!format) {
            unknown = "数字格式“" + std::string(xf.attribute("numFmtId").value()) + "”";
        } else if (const auto fixed = decimals.find(*format); fixed != decimals.end()) {
            style.decimals = fixed->second;
        } else if (*format != 0 && *format != 49) {
            unknown = "数字格式 " + std::to_string(*format);
        }
        alignmentOf(child(xf, "alignment"), style, unknown);
        styles.push_back(style);
    });
    if (too) {
        problem = "单元格格式多于 65490 种（Excel 规范与限制），无法绘制页面。";
        return false;
    }
    if (!unknown.empty()) {
        problem = "单元格格式中有页面绘制不支持的" + unknown;
        return false;
    }
    if (styles.empty()) {
        styles.emplace_back();
    }
    return true;
}

// "&L…&C…&R…" into its three sections; false for a code the layout does not draw.
bool readHeaderFooter(const std::string& text, HeaderFooter& out) {
    std::size_t section = 1; // text before any code is centred
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&' || i + 1 >= text.size()) {
            out.sections[section] += text[i];
            continue;
        }
        const char code = text[++i];
        if (code == 'L' || code == 'C' || code == 'R') {
            section = code == 'L' ? 0 : code == 'C' ? 1 : 2;
        } else if (code == 'P' || code == 'N') {
            out.sections[section] += std::string("&") + code;
        } else if (code == '&') {
            out.sections[section] += '&';
        } else {
            return false;
        }
    }
    return true;
}

std::string areaText(const CellArea& a) {
    return xlsx::areaName({a.top, a.left, a.bottom, a.right});
}

// Column widths, rows and their heights: each index inside the sheet, each size one a
// spreadsheet can hold. Empty when all are, else what is not.
std::string readSizes(pugi::xml_node root, Worksheet& sheet) {
    const pugi::xml_node format = child(root, "sheetFormatPr");
    const auto base = measure(format, "baseColWidth", 8, 0, kMostColumnWidth);
    const auto defaultWidth = measure(format, "defaultColWidth", 8.43, 0, kMostColumnWidth);
    const auto defaultHeight = measure(format, "defaultRowHeight", 15, 0, kMostRowPoints);
    if (!base || !defaultWidth || !defaultHeight) {
        return "的默认列宽或行高无效（列宽应在 0 到 255 个字符之间，Excel 规范与限制；行高在 0 到 "
               "100000 磅之间，经验值）";
    }
    sheet.defaultWidth = format.attribute("defaultColWidth")
                             ? *defaultWidth * kDigitPoints
                             : (*base + 5.0 / kDigitPixels) * kDigitPoints;
    sheet.defaultHeight = *defaultHeight;
    std::string why;
    each(child(root, "cols"), "col", [&](pugi::xml_node col) {
        const auto first = whole(col, "min", 1, 1, xlsx::kMaxColumn);
        const auto last = whole(col, "max", first.value_or(1), 1, xlsx::kMaxColumn);
        const auto width = measure(col, "width", 8.43, 0, kMostColumnWidth);
        if (!why.empty()) {
            return;
        }
        if (!first || !last || *last < *first) {
            why = "的列范围 " + quoted(col, "min") + " " + quoted(col, "max") +
                  " 超出工作表的 16384 列（Excel 规范与限制）";
        } else if (!sheet.widths.empty() && *first <= sheet.widths.back().last) {
            why = "的列宽定义重叠或未按列的顺序排列";
        } else if (!width) {
            why = "的列宽 " + quoted(col, "width") +
                  " 无效（应在 0 到 255 个字符之间，Excel 规范与限制）";
        } else {
            sheet.widths.push_back(
                {*first, *last, flag(col, "hidden") ? 0 : *width * kDigitPoints});
        }
    });
    each(child(root, "sheetData"), "row", [&](pugi::xml_node row) {
        const auto r = whole(row, "r", 0, 1, xlsx::kMaxRow);
        const auto height = measure(row, "ht", sheet.defaultHeight, 0, kMostRowPoints);
        if (!why.empty()) {
            return;
        }
        if (!r) {
            why = "的行号 " + quoted(row, "r") + " 超出工作表的 1048576 行（Excel 规范与限制）";
        } else if (!height) {
            why = "的行高 " + quoted(row, "ht") + " 无效（应在 0 到 100000 磅之间，经验值）";
        } else if (*r > 0 && (row.attribute("ht") || flag(row, "hidden"))) {
            sheet.heights[*r] = flag(row, "hidden") ? 0 : *height;
        }
    });
    return why;
}

// The text a cell shows: its string, or its number as its format writes it.
std::string cellText(pugi::xml_node c, const Worksheet& sheet, int style,
                     const std::vector<std::string>& shared, bool& isNumber) {
    const std::string type = c.attribute("t").value();
    const std::string value = child(c, "v").text().get();
    if (type == "s") {
        std::size_t index = shared.size();
        std::from_chars(value.data(), value.data() + value.size(), index);
        return index < shared.size() ? shared[index] : std::string();
    }
    if (type == "inlineStr") {
        return stringText(child(c, "is"));
    }
    if (type == "str" || type == "e") {
        return value;
    }
    if (type == "b") {
        return value == "1" ? "TRUE" : "FALSE";
    }
    if (value.empty()) {
        return {};
    }
    const double v = std::atof(value.c_str());
    const std::vector<CellStyle>& styles = *sheet.styles;
    const int places =
        style >= 0 && static_cast<std::size_t>(style) < styles.size() ? styles[style].decimals : -1;
    isNumber = true;
    if (places >= 0) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", places, v);
        return buffer;
    }
    return generalText(v);
}

// The cells with their texts and styles; the area they fill.
CellArea readCells(pugi::xml_node root, Worksheet& sheet, const std::vector<std::string>& shared) {
    CellArea used{1, 1, 1, 1};
    bool any = false;
    each(child(root, "sheetData"), "row", [&](pugi::xml_node row) {
        each(row, "c", [&](pugi::xml_node c) {
            const auto at = xlsx::parseCell(c.attribute("r").value());
            if (!at) {
                return;
            }
            Worksheet::Cell cell;
            cell.style = whole(c, "s", 0, 0, INT_MAX).value_or(-1);
            cell.text = cellText(c, sheet, cell.style, shared, cell.number);
            const auto [r2, c2] = *at;
            used = any ? CellArea{std::min(used.top, r2), std::min(used.left, c2),
                                  std::max(used.bottom, r2), std::max(used.right, c2)}
                       : CellArea{r2, c2, r2, c2};
            any = true;
            sheet.cells[{r2, c2}] = std::move(cell);
        });
    });
    return used;
}

bool readSheet(const Parts& parts, const std::string& partName, Worksheet& sheet,
               const std::vector<std::string>& shared, std::string& problem) {
    pugi::xml_document doc;
    const pugi::xml_node root = rootOf(parts, partName, doc);
    if (!root) {
        problem = "工作表“" + sheet.name + "”无法读取";
        return false;
    }
    std::string why = readSizes(root, sheet);
    const CellArea used = readCells(root, sheet, shared);
    std::vector<CellArea> merges;
    each(child(root, "mergeCells"), "mergeCell", [&](pugi::xml_node m) {
        if (const auto area = xlsx::parseArea(m.attribute("ref").value())) {
            merges.push_back({area->top, area->left, area->bottom, area->right});
        }
    });
    if (const auto both = sheet.merges.build(std::move(merges)); both && why.empty()) {
        why = "的合并区域 " + areaText(both->first) + " 与 " + areaText(both->second) + " 重叠";
    }
    if (sheet.printArea.top == 0) {
        sheet.printArea = used;
    }
    if (why.empty()) {
        why = readSetup(root, sheet);
    }
    const pugi::xml_node hf = child(root, "headerFooter");
    if (why.empty() && (!readHeaderFooter(child(hf, "oddHeader").text().get(), sheet.header) ||
                        !readHeaderFooter(child(hf, "oddFooter").text().get(), sheet.footer))) {
        why = "的页眉页脚中有页面绘制不支持的代码";
    }
    if (!why.empty()) {
        problem = "工作表“" + sheet.name + "”" + why;
        return false;
    }
    return true;
}

bool readParts(const Parts& parts, std::vector<Worksheet>& sheets, std::string& problem) {
    pugi::xml_document book;
    pugi::xml_document rels;
    const pugi::xml_node root = rootOf(parts, "xl/workbook.xml", book);
    const pugi::xml_node relations = rootOf(parts, xlsx::relsPartOf("xl/workbook.xml"), rels);
    if (!root || !relations) {
        problem = "工作簿缺少 workbook.xml，无法读取。";
        return false;
    }
    std::vector<std::string> shared;
    pugi::xml_document strings;
    if (const pugi::xml_node table = rootOf(parts, "xl/sharedStrings.xml", strings)) {
        each(table, "si", [&](pugi::xml_node si) { shared.push_back(stringText(si)); });
    }
    auto styles = std::make_shared<std::vector<CellStyle>>();
    if (!readStyles(parts, *styles, problem)) {
        return false;
    }
    std::map<std::string, std::string> targets;
    each(relations, "Relationship", [&](pugi::xml_node r) {
        targets[r.attribute("Id").value()] =
            xlsx::resolvePart("xl/workbook.xml", r.attribute("Target").value());
    });
    int index = 0;
    bool failed = false;
    std::set<std::string> read;
    each(child(root, "sheets"), "sheet", [&](pugi::xml_node s) {
        const std::string part = targets[xlsx::relationId(s)];
        const int local = index++;
        if (failed || part.empty() || part.find("worksheets/") == std::string::npos ||
            std::string_view(s.attribute("state").value()) == "hidden") {
            return;
        }
        Worksheet sheet;
        sheet.name = s.attribute("name").value();
        sheet.styles = styles;
        sheet.printArea.top = 0;
        std::string why = readPrintNames(root, local, sheet);
        if (why.empty() && !read.insert(part).second) {
            why = "与另一个工作表是同一个部件";
        }
        if (!why.empty()) {
            problem = "工作表“" + sheet.name + "”" + why;
            failed = true;
            return;
        }
        if (!readSheet(parts, part, sheet, shared, problem)) {
            failed = true;
            return;
        }
        sheets.push_back(std::move(sheet));
    });
    return !failed;
}

} // namespace

double Worksheet::columnWidth(int column) const {
    const auto it = std::upper_bound(widths.begin(), widths.end(), column,
                                     [](int c, const Columns& run) { return c < run.first; });
    return it != widths.begin() && std::prev(it)->last >= column ? std::prev(it)->width
                                                                 : defaultWidth;
}

double Worksheet::rowHeight(int row) const {
    const auto it = heights.find(row);
    return it == heights.end() ? defaultHeight : it->second;
}

const CellArea* Worksheet::mergeAt(int row, int column) const {
    return merges.find(row, column);
}

const CellStyle& Worksheet::styleOf(int row, int column) const {
    const auto it = cells.find({row, column});
    const int index = it == cells.end() ? 0 : it->second.style;
    return styles && index >= 0 && static_cast<std::size_t>(index) < styles->size()
               ? (*styles)[static_cast<std::size_t>(index)]
               : kPlain;
}

const std::string* Worksheet::textAt(int row, int column) const {
    const auto it = cells.find({row, column});
    return it == cells.end() ? nullptr : &it->second.text;
}

bool Worksheet::isNumberAt(int row, int column) const {
    const auto it = cells.find({row, column});
    return it != cells.end() && it->second.number;
}

bool readWorksheets(const std::filesystem::path& file, std::vector<Worksheet>& sheets,
                    std::string& problem, const xlsx::PackageLimits& limits) {
    std::vector<xlsx::RawPart> raw;
    std::string error;
    if (!xlsx::readPackage(file, raw, error, limits)) {
        problem = "无法读取工作簿：" + error;
        return false;
    }
    Parts parts;
    for (const xlsx::RawPart& part : raw) {
        parts.byName[part.name] = &part.bytes;
    }
    return readParts(parts, sheets, problem);
}

bool readWorksheets(const xlsx::Workbook& workbook, std::vector<Worksheet>& sheets,
                    std::string& problem) {
    Parts parts;
    for (const xlsx::Workbook::PartView& part : workbook.partViews()) {
        if (part.tree != nullptr) {
            parts.trees.emplace(part.name, part.tree);
        } else {
            parts.byName.emplace(part.name, part.bytes);
        }
    }
    return readParts(parts, sheets, problem);
}

} // namespace tarnelo::pages
