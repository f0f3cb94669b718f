#include "sheet/clipboard_text.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Length of the line end at position i (CR LF, LF or CR), 0 when there is none.
std::size_t lineEndAt(std::string_view text, std::size_t i) {
    if (i >= text.size()) {
        return 0;
    }
    if (text[i] == '\r') {
        return i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    }
    return text[i] == '\n' ? 1 : 0;
}

// A quoted cell starting at i: its text and the position behind its closing quote, when the
// quote closes right before a tab, a line end or the end of the text.
bool readQuoted(std::string_view text, std::size_t i, std::string& cell, std::size_t& end) {
    std::string value;
    std::size_t j = i + 1;
    while (j < text.size()) {
        if (text[j] == '"') {
            if (j + 1 < text.size() && text[j + 1] == '"') {
                value += '"';
                j += 2;
                continue;
            }
            const std::size_t after = j + 1;
            if (after == text.size() || text[after] == '\t' || isLineEnd(text[after])) {
                cell = std::move(value);
                end = after;
                return true;
            }
            return false;
        }
        if (const std::size_t n = lineEndAt(text, j); n > 0) {
            value += ' ';
            j += n;
            continue;
        }
        value += text[j++];
    }
    return false;
}

std::string quotedIfNeeded(const std::string& text) {
    if (text.find_first_of("\t\r\n") == std::string::npos && !text.starts_with('"')) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The range cut to the sheet.
CellRange inside(const Sheet& sheet, CellRange range) {
    range.top = std::max(range.top, 0);
    range.left = std::max(range.left, 0);
    range.bottom = std::min(range.bottom, sheet.rowCount() - 1);
    range.right = std::min(range.right, Sheet::kColumns - 1);
    return range;
}

} // namespace

CellBlock parseTabSeparated(std::string_view text) {
    // One line end at the very end closes the last row.
    if (text.ends_with("\r\n")) {
        text.remove_suffix(2);
    } else if (!text.empty() && isLineEnd(text.back())) {
        text.remove_suffix(1);
    }
    CellBlock block;
    if (text.empty()) {
        return block;
    }
    block.emplace_back();
    std::size_t i = 0;
    while (true) {
        std::string cell;
        std::size_t end = i;
        if (i < text.size() && text[i] == '"' && readQuoted(text, i, cell, end)) {
            i = end;
        } else {
            while (i < text.size() && text[i] != '\t' && !isLineEnd(text[i])) {
                ++i;
            }
            cell.assign(text.substr(end, i - end));
        }
        block.back().push_back(std::move(cell));
        if (i >= text.size()) {
            break;
        }
        if (text[i] == '\t') {
            ++i;
            continue;
        }
        i += lineEndAt(text, i);
        block.emplace_back();
    }
    return block;
}

std::string toTabSeparated(const Sheet& sheet, CellRange range) {
    range = inside(sheet, range);
    std::string text;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            if (c > range.left) {
                text += '\t';
            }
            text += quotedIfNeeded(sheet.cell(r, c));
        }
        text += "\r\n";
    }
    return text;
}

std::string toHtmlTable(const Sheet& sheet, CellRange range) {
    range = inside(sheet, range);
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body><table>";
    for (int r = range.top; r <= range.bottom; ++r) {
        html += "<tr>";
        for (int c = range.left; c <= range.right; ++c) {
            html += "<td>" + htmlEscaped(sheet.cell(r, c)) + "</td>";
        }
        html += "</tr>";
    }
    return html + "</table></body></html>";
}

std::vector<int> typedColumns(const Sheet& sheet) {
    std::vector<int> columns;
    for (int c = col::起点距; c < Sheet::kColumns; ++c) {
        if (!sheet.isReadOnly(c)) {
            columns.push_back(c);
        }
    }
    return columns;
}

PasteRule pasteRuleFor(const Sheet& sheet, const CellBlock& block, CellRange selection,
                       int copiedLeft) {
    // One value goes where the selection is.
    if (block.empty() || (block.size() == 1 && block.front().size() <= 1)) {
        return PasteRule::AsPlaced;
    }
    if (copiedLeft >= 0 && copiedLeft < Sheet::kColumns) {
        return PasteRule::OwnColumns;
    }
    if (block.empty() || selection.empty() || selection.left != col::起点距) {
        return PasteRule::AsPlaced;
    }
    std::size_t widest = 0;
    for (const auto& row : block) {
        widest = std::max(widest, row.size());
    }
    const std::vector<int> typed = typedColumns(sheet);
    return widest == typed.size() && widest > 1 ? PasteRule::TypedColumns : PasteRule::AsPlaced;
}

PastePlan planPaste(const Sheet& sheet, const CellBlock& block, CellRange selection, PasteRule rule,
                    int copiedLeft) {
    PastePlan plan;
    if (block.empty() || selection.empty() || selection.top < 0 || selection.left < 0) {
        return plan;
    }
    if (rule == PasteRule::OwnColumns && copiedLeft >= 0 && copiedLeft < Sheet::kColumns) {
        selection = {selection.top, copiedLeft, selection.top, copiedLeft};
    } else if (rule == PasteRule::OwnColumns) {
        rule = PasteRule::AsPlaced;
    }
    // The sheet column of each column of the block.
    const std::vector<int> typed = typedColumns(sheet);
    if (rule == PasteRule::TypedColumns && typed.empty()) {
        rule = PasteRule::AsPlaced;
    }
    plan.rule = rule;
    const auto columnOf = [&](std::size_t j) -> long long {
        if (rule == PasteRule::TypedColumns) {
            return j < typed.size() ? typed[j] : Sheet::kColumns + static_cast<long long>(j);
        }
        return static_cast<long long>(selection.left) + static_cast<long long>(j);
    };
    const bool single = block.size() == 1 && block.front().size() == 1;
    if (single && (selection.rows() > 1 || selection.columns() > 1)) {
        // One value fills the editable cells of the selected range.
        plan.covered = inside(sheet, selection);
        for (int r = plan.covered.top; r <= plan.covered.bottom; ++r) {
            for (int c = plan.covered.left; c <= plan.covered.right; ++c) {
                if (!sheet.isReadOnly(c)) {
                    plan.writes.push_back({r, c, block.front().front()});
                }
            }
        }
        return plan;
    }
    const int top = selection.top;
    const int left = selection.left;
    if (static_cast<long long>(top) + static_cast<long long>(block.size()) > kMostPastedRows) {
        plan.tooLarge = true;
        return plan;
    }
    std::size_t widest = 0;
    int lastFilledRow = -1;
    for (std::size_t i = 0; i < block.size(); ++i) {
        const int r = top + static_cast<int>(i);
        widest = std::max(widest, block[i].size());
        for (std::size_t j = 0; j < block[i].size(); ++j) {
            const std::string& text = block[i][j];
            const long long c = columnOf(j);
            if (c >= Sheet::kColumns) {
                plan.leftOutOutside += text.empty() ? 0 : 1;
                continue;
            }
            if (sheet.isReadOnly(static_cast<int>(c))) {
                plan.leftOutReadOnly += text.empty() ? 0 : 1;
                continue;
            }
            if (r >= sheet.rowCount() && text.empty()) {
                continue; // an empty value needs no new row
            }
            plan.writes.push_back({r, static_cast<int>(c), text});
            lastFilledRow = std::max(lastFilledRow, r);
        }
    }
    plan.rowsToAppend = std::max(0, lastFilledRow + 1 - sheet.rowCount());
    const int right =
        rule == PasteRule::TypedColumns
            ? typed[std::min(widest, typed.size()) - 1]
            : std::min(left + std::max(static_cast<int>(widest), 1) - 1, Sheet::kColumns - 1);
    plan.covered = {top, left, top + static_cast<int>(block.size()) - 1, right};
    return plan;
}

SheetEdit pasteEdit(const Sheet& sheet, const PastePlan& plan) {
    SheetEdit edit{std::string(edits::kPaste), {}, plan.covered};
    for (const PastePlan::Write& write : plan.writes) {
        // Cells of rows past the sheet's end read as empty before the paste.
        if (sheet.cell(write.row, write.column) != write.text) {
            edit.writes.push_back({write.row, write.column, write.text});
        }
    }
    return edit;
}

std::string pasteStatus(const PastePlan& plan) {
    if (plan.tooLarge) {
        return "粘贴的内容太长：表格最多 " + std::to_string(kMostPastedRows) + " 行，未粘贴。";
    }
    std::string text;
    switch (plan.rule) {
    case PasteRule::AsPlaced:
        text = "按位置粘贴：";
        break;
    case PasteRule::TypedColumns:
        text = "按输入列粘贴（跳过计算列）：";
        break;
    case PasteRule::OwnColumns:
        text = "按复制时的列粘贴：";
        break;
    }
    text += "已粘贴 " + std::to_string(plan.writes.size()) + " 个单元格";
    if (plan.rowsToAppend > 0) {
        text += "，表格末尾添加了 " + std::to_string(plan.rowsToAppend) + " 行";
    }
    if (plan.leftOutReadOnly > 0) {
        text += "；" + std::to_string(plan.leftOutReadOnly) + " 个值落在计算列（只读），未粘贴";
    }
    if (plan.leftOutOutside > 0) {
        text += "；" + std::to_string(plan.leftOutOutside) + " 个值超出表格右边，未粘贴";
    }
    return text + "。";
}

} // namespace tarnelo
