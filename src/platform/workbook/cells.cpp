#include "platform/workbook/workbook.hpp"

#include "platform/workbook/cell_text.hpp"
#include "platform/workbook/workbook_impl.hpp"
#include "platform/workbook/xml.hpp"

#include <algorithm>
#include <cmath>

namespace tarnelo::xlsx {

namespace {

constexpr std::size_t kMaxCellChars = 32767;
constexpr std::size_t kMaxFormulaChars = 8192;

// The cell element at (row, column), made in order when missing. A new cell takes the style
// of its row or column, as the spreadsheet shows an empty cell there.
pugi::xml_node makeCell(SheetEntry& entry, int row, int column) {
    pugi::xml_node ws = entry.doc.document_element();
    pugi::xml_node data = childInOrder(ws, "sheetData", kWorksheetOrder);
    pugi::xml_node rowNode = findRow(data, row);
    if (!rowNode) {
        pugi::xml_node after;
        for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
            if (r.type() == pugi::node_element && rowOf(r) > row) {
                after = r;
                break;
            }
        }
        const std::string rowName = tagLike(data, "row");
        rowNode = after ? data.insert_child_before(rowName.c_str(), after)
                        : data.append_child(rowName.c_str());
        rowNode.append_attribute("r").set_value(std::to_string(row).c_str());
    }
    pugi::xml_node c = findCell(rowNode, column);
    if (c) {
        return c;
    }
    pugi::xml_node after;
    for (pugi::xml_node n = rowNode.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element && localName(n.name()) == "c" && columnOf(n) > column) {
            after = n;
            break;
        }
    }
    const std::string cellTag = tagLike(rowNode, "c");
    c = after ? rowNode.insert_child_before(cellTag.c_str(), after)
              : rowNode.append_child(cellTag.c_str());
    c.append_attribute("r").set_value(cellName(row, column).c_str());
    int style = 0;
    if (std::string_view(rowNode.attribute("customFormat").value()) == "1") {
        style = parseInt(rowNode.attribute("s").value(), 0);
    } else if (auto it = entry.columnStyles.find(column); it != entry.columnStyles.end()) {
        style = it->second;
    }
    if (style > 0) {
        c.append_attribute("s").set_value(std::to_string(style).c_str());
    }
    return c;
}

// Empties a cell but keeps its place and style. A shared formula that has its master here
// loses it, so the cells that follow it keep their last results as plain values.
void clearCell(pugi::xml_node sheetData, pugi::xml_node c) {
    const pugi::xml_node f = child(c, "f");
    if (f && std::string_view(f.attribute("t").value()) == "shared" && f.attribute("ref")) {
        const std::string si = f.attribute("si").value();
        for (pugi::xml_node r = sheetData.first_child(); r; r = r.next_sibling()) {
            for (pugi::xml_node other = r.first_child(); other; other = other.next_sibling()) {
                const pugi::xml_node of = child(other, "f");
                if (of && other != c && std::string_view(of.attribute("t").value()) == "shared" &&
                    si == of.attribute("si").value()) {
                    other.remove_child(of);
                }
            }
        }
    }
    c.remove_attribute("t");
    c.remove_attribute("cm");
    c.remove_attribute("vm");
    while (c.first_child()) {
        c.remove_child(c.first_child());
    }
}

bool checkPlace(const Workbook& book, int sheet, int row, int column, std::string& error) {
    if (!book.isWorksheet(sheet)) {
        error = "没有这个工作表";
        return false;
    }
    if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn) {
        error = "单元格位置超出范围";
        return false;
    }
    return true;
}

// The emptied cell at a place checked with checkPlace, ready for a new value.
pugi::xml_node freshCell(SheetEntry& entry, int row, int column) {
    pugi::xml_node c = makeCell(entry, row, column);
    clearCell(child(entry.doc.document_element(), "sheetData"), c);
    return c;
}

pugi::xml_node cellNode(const SheetEntry& entry, int row, int column) {
    return findCell(findRow(child(entry.doc.document_element(), "sheetData"), row), column);
}

} // namespace

// ---- Rows and cells ----------------------------------------------------------------------------

int rowOf(pugi::xml_node row) {
    return parseInt(row.attribute("r").value(), 0);
}

int columnOf(pugi::xml_node c) {
    const auto at = parseArea(c.attribute("r").value());
    return at ? at->left : 0;
}

pugi::xml_node findRow(pugi::xml_node sheetData, int row) {
    for (pugi::xml_node r = sheetData.first_child(); r; r = r.next_sibling()) {
        if (r.type() == pugi::node_element && rowOf(r) == row) {
            return r;
        }
    }
    return {};
}

pugi::xml_node findCell(pugi::xml_node rowNode, int column) {
    for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == "c" && columnOf(c) == column) {
            return c;
        }
    }
    return {};
}

void numberRowsAndCells(pugi::xml_node sheetData) {
    int lastRow = 0;
    for (pugi::xml_node row = sheetData.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element || localName(row.name()) != "row") {
            continue;
        }
        int r = parseInt(row.attribute("r").value(), 0);
        if (r < 1 || r > kMaxRow) {
            r = std::min(lastRow + 1, kMaxRow);
            attribute(row, "r").set_value(std::to_string(r).c_str());
        }
        lastRow = r;
        int lastColumn = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c") {
                continue;
            }
            const auto at = parseArea(c.attribute("r").value());
            int column = at ? at->left : 0;
            if (!at || at->top != r) {
                column = std::min(lastColumn + 1, kMaxColumn);
                attribute(c, "r").set_value(cellName(r, column).c_str());
            }
            lastColumn = column;
        }
    }
}

// ---- Reading cells -----------------------------------------------------------------------------

CellValue Workbook::cell(int sheet, int row, int column) const {
    CellValue value;
    if (!isWorksheet(sheet)) {
        return value;
    }
    const pugi::xml_node c = cellNode(impl_->sheet(sheet), row, column);
    if (!c) {
        return value;
    }
    const std::string_view type = c.attribute("t").value();
    const pugi::xml_node v = child(c, "v");
    if (type == "inlineStr") {
        value.kind = CellKind::Text;
        value.text = itemText(child(c, "is"));
    } else if (!v) {
        return value;
    } else if (type == "s") {
        const int index = parseInt(v.text().get(), -1);
        if (index >= 0 && static_cast<std::size_t>(index) < impl_->sharedStrings.size()) {
            value.kind = CellKind::Text;
            value.text = impl_->sharedStrings[static_cast<std::size_t>(index)];
        }
    } else if (type == "str") {
        value.kind = CellKind::Text;
        value.text = decodeCellText(v.text().get());
    } else if (type == "b") {
        value.kind = CellKind::Boolean;
        value.number = std::string_view(v.text().get()) == "1" ? 1 : 0;
    } else if (type == "e") {
        value.kind = CellKind::Error;
        value.text = v.text().get();
    } else {
        value.kind = CellKind::Number;
        value.number = numberOf(v.text().get());
    }
    return value;
}

std::optional<std::string> Workbook::formula(int sheet, int row, int column) const {
    if (!isWorksheet(sheet)) {
        return std::nullopt;
    }
    const pugi::xml_node f = child(cellNode(impl_->sheet(sheet), row, column), "f");
    if (!f || std::string_view(f.text().get()).empty()) {
        return std::nullopt;
    }
    return std::string(f.text().get());
}

std::optional<int> Workbook::styleOf(int sheet, int row, int column) const {
    if (!isWorksheet(sheet)) {
        return std::nullopt;
    }
    const pugi::xml_node c = cellNode(impl_->sheet(sheet), row, column);
    if (!c.attribute("s")) {
        return std::nullopt;
    }
    return parseInt(c.attribute("s").value(), 0);
}

// ---- Writing cells -----------------------------------------------------------------------------

bool Workbook::setText(int sheet, int row, int column, std::string_view text, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    const std::string stored = encodeCellText(text);
    if (charCount(stored) > kMaxCellChars) {
        error = "文本太长，单元格最多容纳 32767 个字符";
        return false;
    }
    pugi::xml_node c = freshCell(impl_->sheet(sheet), row, column);
    if (!stored.empty()) {
        c.append_attribute("t").set_value("inlineStr");
        pugi::xml_node is = c.append_child(tagLike(c, "is").c_str());
        pugi::xml_node t = is.append_child(tagLike(c, "t").c_str());
        if (isXmlSpace(stored.front()) || isXmlSpace(stored.back())) {
            t.append_attribute("xml:space").set_value("preserve");
        }
        t.text().set(stored.c_str());
    }
    modified_ = true;
    return true;
}

bool Workbook::setNumber(int sheet, int row, int column, double value, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    if (!std::isfinite(value)) {
        error = "数值无效";
        return false;
    }
    pugi::xml_node c = freshCell(impl_->sheet(sheet), row, column);
    c.append_child(tagLike(c, "v").c_str()).text().set(numberText(value).c_str());
    modified_ = true;
    return true;
}

bool Workbook::setBoolean(int sheet, int row, int column, bool value, std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    pugi::xml_node c = freshCell(impl_->sheet(sheet), row, column);
    c.append_attribute("t").set_value("b");
    c.append_child(tagLike(c, "v").c_str()).text().set(value ? "1" : "0");
    modified_ = true;
    return true;
}

bool Workbook::setFormula(int sheet, int row, int column, std::string_view formula,
                          std::string& error) {
    if (!checkPlace(*this, sheet, row, column, error)) {
        return false;
    }
    std::string stored = encodeCellText(formula);
    if (stored != formula || stored.empty() || charCount(stored) > kMaxFormulaChars) {
        error = "公式无效";
        return false;
    }
    pugi::xml_node c = freshCell(impl_->sheet(sheet), row, column);
    // No cached value: a reader that shows cached results would show a stale one.
    c.append_child(tagLike(c, "f").c_str()).text().set(stored.c_str());
    impl_->formulasWritten = true;
    modified_ = true;
    return true;
}

// ---- Extent and merged cells -------------------------------------------------------------------

Area Workbook::usedRange(int sheet) const {
    if (!isWorksheet(sheet)) {
        return {};
    }
    const pugi::xml_node data = child(impl_->sheet(sheet).doc.document_element(), "sheetData");
    bool any = false;
    Area used;
    for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
        const int row = rowOf(r);
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c") {
                continue;
            }
            const int column = columnOf(c);
            if (row < 1 || column < 1) {
                continue;
            }
            if (!any) {
                used = {row, column, row, column};
                any = true;
            } else {
                used = {std::min(used.top, row), std::min(used.left, column),
                        std::max(used.bottom, row), std::max(used.right, column)};
            }
        }
    }
    return used;
}

std::vector<Area> Workbook::merges(int sheet) const {
    std::vector<Area> areas;
    if (!isWorksheet(sheet)) {
        return areas;
    }
    const pugi::xml_node node = child(impl_->sheet(sheet).doc.document_element(), "mergeCells");
    for (pugi::xml_node m = node.first_child(); m; m = m.next_sibling()) {
        if (auto area = parseArea(m.attribute("ref").value())) {
            areas.push_back(*area);
        }
    }
    return areas;
}

bool Workbook::merge(int sheet, const Area& area, std::string& error) {
    if (!isWorksheet(sheet)) {
        error = "没有这个工作表";
        return false;
    }
    if (area.rows() == 1 && area.columns() == 1) {
        return true;
    }
    pugi::xml_node node =
        childInOrder(impl_->sheet(sheet).doc.document_element(), "mergeCells", kWorksheetOrder);
    for (pugi::xml_node m = node.first_child(); m; m = m.next_sibling()) {
        if (auto existing = parseArea(m.attribute("ref").value());
            existing && existing->overlaps(area)) {
            const bool inside = area.contains(existing->top, existing->left) &&
                                area.contains(existing->bottom, existing->right);
            if (!inside) {
                error = "与已合并的区域 " + areaName(*existing) + " 部分重叠";
                return false;
            }
        }
    }
    // Merged areas inside the new one give way to it.
    int count = 0;
    for (pugi::xml_node m = node.first_child(); m;) {
        const pugi::xml_node next = m.next_sibling();
        if (auto existing = parseArea(m.attribute("ref").value());
            existing && existing->overlaps(area)) {
            node.remove_child(m);
        } else if (m.type() == pugi::node_element) {
            ++count;
        }
        m = next;
    }
    const std::string tag = tagLike(node, "mergeCell");
    node.append_child(tag.c_str()).append_attribute("ref").set_value(areaName(area).c_str());
    attribute(node, "count").set_value(std::to_string(count + 1).c_str());
    modified_ = true;
    return true;
}

} // namespace tarnelo::xlsx
