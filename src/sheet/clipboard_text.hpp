// The sheet and the clipboard in the form spreadsheets use: tab-separated text with CR LF line
// ends (and an HTML table beside it when copying), and where a pasted block lands.
#pragma once

#include "sheet/sheet_edit.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// Rows of cell texts as they came off the clipboard; rows may differ in length.
using CellBlock = std::vector<std::vector<std::string>>;

// The largest sheet a paste may make.
inline constexpr int kMostPastedRows = 10000;

// Reads tab-separated text as WPS, Excel and LibreOffice Calc put it on the clipboard: cells
// split at tabs, rows at CR LF, LF or CR; one line end at the end closes the last row rather
// than opening an empty one; empty cells are kept. A cell in double quotes may hold tabs,
// line ends and doubled quotes; a line end inside a cell becomes a space, as a cell of the
// sheet holds one line.
CellBlock parseTabSeparated(std::string_view text);

// The cells of a range as tab-separated text, every row ending in CR LF. Cells holding a tab,
// a line end or a leading quote are quoted.
std::string toTabSeparated(const Sheet& sheet, CellRange range);

// The cells of a range as an HTML table (UTF-8).
std::string toHtmlTable(const Sheet& sheet, CellRange range);

// How a block is laid onto the sheet.
enum class PasteRule {
    // Column for column from the top left cell of the selection.
    AsPlaced,
    // A field book's block of exactly the typed columns of the entry mode (起点距, 水深, 相对,
    // then N and T or 测点流速): one column of the block to each typed column, the computed
    // columns between them skipped.
    TypedColumns,
    // A block copied from this sheet: back into the columns it was copied from.
    OwnColumns,
};

// The columns the user types in the sheet's present layout, 起点距 first.
std::vector<int> typedColumns(const Sheet& sheet);

// The rule for a block pasted onto the selection. A block copied from this program (copiedLeft,
// the first column it was copied from, is not negative) goes back to its columns; a block
// from elsewhere exactly as wide as the typed columns, pasted at 起点距, fills the typed
// columns; anything else is placed as it is.
PasteRule pasteRuleFor(const Sheet& sheet, const CellBlock& block, CellRange selection,
                       int copiedLeft = -1);

// Where a pasted block goes.
struct PastePlan {
    struct Write {
        int row;
        int column;
        std::string text;
    };
    std::vector<Write> writes;
    // Empty rows appended at the end of the sheet for the block's lower rows.
    int rowsToAppend = 0;
    // Values (not empty) left out because their column is computed, or lies right of the
    // last column.
    int leftOutReadOnly = 0;
    int leftOutOutside = 0;
    // The block would make the sheet longer than kMostPastedRows rows: nothing is pasted.
    bool tooLarge = false;
    // The cells the paste spans, selected afterwards.
    CellRange covered;
    PasteRule rule = PasteRule::AsPlaced;
};

// Places a block with its top left cell on the top left cell of the selection (in the
// selection's top row, by the rule's columns), into editable cells only; a single value fills
// every editable cell of a selected range. With OwnColumns the block starts at column
// copiedLeft.
PastePlan planPaste(const Sheet& sheet, const CellBlock& block, CellRange selection,
                    PasteRule rule = PasteRule::AsPlaced, int copiedLeft = -1);

// The paste as one step: the cells that change (rows past the sheet's end included).
SheetEdit pasteEdit(const Sheet& sheet, const PastePlan& plan);

// What the status bar says after a paste, the rule named first.
std::string pasteStatus(const PastePlan& plan);

} // namespace tarnelo
