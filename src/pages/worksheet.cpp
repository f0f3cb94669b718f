#include "pages/worksheet.hpp"

#include "platform/workbook/cell_address.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/xml.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarnelo::pages {

namespace {

using xlsx::child;
using xlsx::localName;

// A column width counts digits of the default font, Calibri 11 (or the metric-compatible
// Carlito): 0.5085 em, 5.593 points. A spreadsheet on screen rounds each column to whole pixels
// of 7 a digit; LibreOffice, whose PDFs the forms have been printed through, does not.
constexpr double kDigitPoints = 5.593;
// Excel's padding of 5 pixels, in characters of 7 pixels: part of a default width.
constexpr double kDigitPixels = 7.0;

const CellStyle kPlain;

struct Parts {
    std::map<std::string, const std::string*> byName;
    const std::string* find(const std::string& name) const {
        const auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
};

bool parsePart(const Parts& parts, const std::string& name, pugi::xml_document& doc) {
    const std::string* bytes = parts.find(name);
    return bytes != nullptr && xlsx::parseXml(doc, *bytes);
}

double number(pugi::xml_node node, const char* name, double fallback) {
    const pugi::xml_attribute a = node.attribute(name);
    return a ? a.as_double(fallback) : fallback;
}

bool flag(pugi::xml_node node, const char* name) {
    const std::string value = node.attribute(name).value();
    return value == "1" || value == "true";
}

// Each child element of that local name.
template <typename Visit> void each(pugi::xml_node node, std::string_view name, Visit visit) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == name) {
            visit(c);
        }
    }
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

bool readStyles(const Parts& parts, std::vector<CellStyle>& styles, std::string& problem) {
    pugi::xml_document doc;
    if (!parsePart(parts, "xl/styles.xml", doc)) {
        styles.assign(1, CellStyle{});
        return true;
    }
    const pugi::xml_node root = doc.document_element();
    std::vector<CellStyle::Font> fonts;
    each(child(root, "fonts"), "font", [&](pugi::xml_node f) {
        CellStyle::Font font;
        font.family = child(f, "name").attribute("val").value();
        font.points = number(child(f, "sz"), "val", 11);
        const pugi::xml_node b = child(f, "b");
        font.bold = b && std::string_view(b.attribute("val").value()) != "0";
        fonts.push_back(font);
    });
    std::string unknown;
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
        const int id = static_cast<int>(number(f, "numFmtId", -1));
        if (code == "0") {
            decimals[id] = 0;
        } else if (code.size() > 2 && code.rfind("0.", 0) == 0 &&
                   code.find_first_not_of('0', 2) == std::string::npos) {
            decimals[id] = static_cast<int>(code.size() - 2);
        }
    });
    each(child(root, "cellXfs"), "xf", [&](pugi::xml_node xf) {
        CellStyle style;
        const auto font = static_cast<std::size_t>(number(xf, "fontId", 0));
        const auto border = static_cast<std::size_t>(number(xf, "borderId", 0));
        style.font = font < fonts.size() ? fonts[font] : style.font;
        style.border = border < borders.size() ? borders[border] : style.border;
        const int format = static_cast<int>(number(xf, "numFmtId", 0));
        if (const auto fixed = decimals.find(format); fixed != decimals.end()) {
            style.decimals = fixed->second;
        } else if (format != 0 && format != 49) {
            unknown = "数字格式 " + std::to_string(format);
        }
        const pugi::xml_node a = child(xf, "alignment");
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
        styles.push_back(style);
    });
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

bool readSheet(const Parts& parts, const std::string& partName, Worksheet& sheet,
               const std::vector<std::string>& shared, std::string& problem) {
    pugi::xml_document doc;
    if (!parsePart(parts, partName, doc)) {
        problem = "工作表“" + sheet.name + "”无法读取";
        return false;
    }
    const pugi::xml_node root = doc.document_element();
    const pugi::xml_node format = child(root, "sheetFormatPr");
    const double base = number(format, "baseColWidth", 8);
    const auto widthPoints = [](double characters) { return characters * kDigitPoints; };
    sheet.defaultWidth = format.attribute("defaultColWidth")
                             ? widthPoints(number(format, "defaultColWidth", 8.43))
                             : widthPoints(base + 5.0 / kDigitPixels);
    sheet.defaultHeight = number(format, "defaultRowHeight", 15);
    each(child(root, "cols"), "col", [&](pugi::xml_node col) {
        const double width = flag(col, "hidden") ? 0 : widthPoints(number(col, "width", 8.43));
        for (int c = static_cast<int>(number(col, "min", 1)); c <= number(col, "max", 1); ++c) {
            sheet.widths[c] = width;
        }
    });
    CellArea used{1, 1, 1, 1};
    bool any = false;
    each(child(root, "sheetData"), "row", [&](pugi::xml_node row) {
        const int r = static_cast<int>(number(row, "r", 0));
        if (row.attribute("ht")) {
            sheet.heights[r] = number(row, "ht", sheet.defaultHeight);
        }
        if (flag(row, "hidden")) {
            sheet.heights[r] = 0;
        }
        each(row, "c", [&](pugi::xml_node c) {
            const auto at = xlsx::parseCell(c.attribute("r").value());
            if (!at) {
                return;
            }
            Worksheet::Cell cell;
            cell.style = static_cast<int>(number(c, "s", 0));
            const std::string type = c.attribute("t").value();
            const std::string value = child(c, "v").text().get();
            if (type == "s") {
                const auto index = static_cast<std::size_t>(std::atoi(value.c_str()));
                cell.text = index < shared.size() ? shared[index] : std::string();
            } else if (type == "inlineStr") {
                cell.text = stringText(child(c, "is"));
            } else if (type == "str" || type == "e") {
                cell.text = value;
            } else if (type == "b") {
                cell.text = value == "1" ? "TRUE" : "FALSE";
            } else if (!value.empty()) {
                const double v = std::atof(value.c_str());
                const auto index = static_cast<std::size_t>(cell.style);
                const int places = index < sheet.styles.size() ? sheet.styles[index].decimals : -1;
                if (places >= 0) {
                    char buffer[64];
                    std::snprintf(buffer, sizeof buffer, "%.*f", places, v);
                    cell.text = buffer;
                } else {
                    cell.text = generalText(v);
                }
                cell.number = true;
            }
            const auto [r2, c2] = *at;
            used = any ? CellArea{std::min(used.top, r2), std::min(used.left, c2),
                                  std::max(used.bottom, r2), std::max(used.right, c2)}
                       : CellArea{r2, c2, r2, c2};
            any = true;
            sheet.cells[{r2, c2}] = std::move(cell);
        });
    });
    each(child(root, "mergeCells"), "mergeCell", [&](pugi::xml_node m) {
        if (const auto area = xlsx::parseArea(m.attribute("ref").value())) {
            sheet.merges.push_back({area->top, area->left, area->bottom, area->right});
        }
    });
    if (sheet.printArea.top == 0) {
        sheet.printArea = used;
    }
    const pugi::xml_node margins = child(root, "pageMargins");
    Margins& m = sheet.setup.margins;
    m = {number(margins, "left", m.left),     number(margins, "right", m.right),
         number(margins, "top", m.top),       number(margins, "bottom", m.bottom),
         number(margins, "header", m.header), number(margins, "footer", m.footer)};
    const pugi::xml_node setup = child(root, "pageSetup");
    sheet.setup.paperSize = static_cast<int>(number(setup, "paperSize", 9));
    sheet.setup.landscape = std::string_view(setup.attribute("orientation").value()) == "landscape";
    sheet.setup.scale = number(setup, "scale", 100);
    sheet.setup.fitWidth = static_cast<int>(number(setup, "fitToWidth", 1));
    sheet.setup.fitHeight = static_cast<int>(number(setup, "fitToHeight", 1));
    sheet.setup.fitToPage = flag(child(child(root, "sheetPr"), "pageSetUpPr"), "fitToPage");
    const pugi::xml_node options = child(root, "printOptions");
    sheet.setup.centredHorizontally = flag(options, "horizontalCentered");
    sheet.setup.centredVertically = flag(options, "verticalCentered");
    if (flag(options, "gridLines") || flag(options, "headings")) {
        problem = "工作表“" + sheet.name + "”要求打印网格线或行号列标";
        return false;
    }
    each(child(root, "rowBreaks"), "brk", [&](pugi::xml_node b) {
        sheet.rowBreaks.push_back(static_cast<int>(number(b, "id", 0)));
    });
    each(child(root, "colBreaks"), "brk", [&](pugi::xml_node b) {
        sheet.columnBreaks.push_back(static_cast<int>(number(b, "id", 0)));
    });
    const pugi::xml_node hf = child(root, "headerFooter");
    if (!readHeaderFooter(child(hf, "oddHeader").text().get(), sheet.header) ||
        !readHeaderFooter(child(hf, "oddFooter").text().get(), sheet.footer)) {
        problem = "工作表“" + sheet.name + "”的页眉页脚中有页面绘制不支持的代码";
        return false;
    }
    return true;
}

} // namespace

double Worksheet::columnWidth(int column) const {
    const auto it = widths.find(column);
    return it == widths.end() ? defaultWidth : it->second;
}

double Worksheet::rowHeight(int row) const {
    const auto it = heights.find(row);
    return it == heights.end() ? defaultHeight : it->second;
}

const CellArea* Worksheet::mergeAt(int row, int column) const {
    for (const CellArea& area : merges) {
        if (area.contains(row, column)) {
            return &area;
        }
    }
    return nullptr;
}

const CellStyle& Worksheet::styleOf(int row, int column) const {
    const auto it = cells.find({row, column});
    const int index = it == cells.end() ? 0 : it->second.style;
    return index >= 0 && static_cast<std::size_t>(index) < styles.size()
               ? styles[static_cast<std::size_t>(index)]
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
    pugi::xml_document book;
    pugi::xml_document rels;
    if (!parsePart(parts, "xl/workbook.xml", book) ||
        !parsePart(parts, xlsx::relsPartOf("xl/workbook.xml"), rels)) {
        problem = "工作簿缺少 workbook.xml，无法读取。";
        return false;
    }
    std::vector<std::string> shared;
    pugi::xml_document strings;
    if (parsePart(parts, "xl/sharedStrings.xml", strings)) {
        each(strings.document_element(), "si",
             [&](pugi::xml_node si) { shared.push_back(stringText(si)); });
    }
    std::vector<CellStyle> styles;
    if (!readStyles(parts, styles, problem)) {
        return false;
    }
    std::map<std::string, std::string> targets;
    each(rels.document_element(), "Relationship", [&](pugi::xml_node r) {
        targets[r.attribute("Id").value()] =
            xlsx::resolvePart("xl/workbook.xml", r.attribute("Target").value());
    });
    const pugi::xml_node root = book.document_element();
    int index = 0;
    bool failed = false;
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
        each(child(root, "definedNames"), "definedName", [&](pugi::xml_node d) {
            if (number(d, "localSheetId", -1) != local) {
                return;
            }
            const std::string name = d.attribute("name").value();
            std::string ref = d.text().get();
            ref = ref.substr(ref.rfind('!') == std::string::npos ? 0 : ref.rfind('!') + 1);
            if (name == "_xlnm.Print_Area") {
                if (const auto area = xlsx::parseArea(ref)) {
                    sheet.printArea = {area->top, area->left, area->bottom, area->right};
                }
            } else if (name == "_xlnm.Print_Titles") {
                // Rows "$1:$3" (a column part before a comma is not used by our sheets).
                const std::string rows =
                    ref.substr(ref.find(',') == std::string::npos ? 0 : ref.find(',') + 1);
                int first = 0;
                int last = 0;
                if (std::sscanf(rows.c_str(), "$%d:$%d", &first, &last) == 2) {
                    sheet.titleRows.first = first;
                    sheet.titleRows.last = last;
                }
            }
        });
        if (!readSheet(parts, part, sheet, shared, problem)) {
            failed = true;
            return;
        }
        sheets.push_back(std::move(sheet));
    });
    return !failed;
}

} // namespace tarnelo::pages
