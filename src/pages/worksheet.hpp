// A worksheet as the page layout reads it from the workbook package: cell texts and styles,
// column widths and row heights, merged ranges, the print area and title rows, the page setup
// and the breaks. Formats the record forms and the station workbook do not use are refused.
#pragma once

#include "pages/merge_index.hpp"
#include "pages/sheet_layout.hpp"

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarnelo::pages {

struct CellStyle {
    enum class Align { General, Left, Center, Right };
    struct Font {
        std::string family = "Calibri";
        double points = 11;
        bool bold = false;
    } font;
    // Line widths of the edges in points; 0 for none.
    struct Border {
        double left = 0;
        double right = 0;
        double top = 0;
        double bottom = 0;
    } border;
    Align horizontal = Align::General;
    Vertical vertical = Vertical::Bottom;
    bool wrap = false;
    bool shrink = false;
    // A number shown with this many decimals ("0", "0.00"); -1 for the General format.
    int decimals = -1;
};

struct Margins {
    // In inches, as the page setup keeps them.
    double left = 0.7;
    double right = 0.7;
    double top = 0.75;
    double bottom = 0.75;
    double header = 0.3;
    double footer = 0.3;
};

struct PageSetup {
    int paperSize = 9;
    bool landscape = false;
    double scale = 100;
    bool fitToPage = false;
    int fitWidth = 1;
    int fitHeight = 1;
    bool centredHorizontally = false;
    bool centredVertically = false;
    Margins margins;
};

struct HeaderFooter {
    // Left, centre and right sections, with &P and &N still in them.
    std::array<std::string, 3> sections;
    std::string family = "宋体";
    double points = 10;
};

struct Worksheet {
    std::string name;
    PageSetup setup;
    CellArea printArea;
    // Rows repeated at the top of every page; first = 0 when there are none.
    struct {
        int first = 0;
        int last = 0;
    } titleRows;
    // Manual breaks after these rows and columns.
    std::vector<int> rowBreaks;
    std::vector<int> columnBreaks;
    HeaderFooter header;
    HeaderFooter footer;

    double columnWidth(int column) const; // in points
    double rowHeight(int row) const;      // in points
    const CellArea* mergeAt(int row, int column) const;
    const CellStyle& styleOf(int row, int column) const;
    // The text a cell shows, or nullptr for an empty cell.
    const std::string* textAt(int row, int column) const;
    bool isNumberAt(int row, int column) const;

    // Read by readWorksheets. Widths by runs of columns, in order and apart.
    struct Columns {
        int first = 1;
        int last = 1;
        double width = 0;
    };
    std::vector<Columns> widths;
    std::map<int, double> heights;
    double defaultWidth = 48;
    double defaultHeight = 15;
    MergeIndex merges;
    struct Cell {
        std::string text;
        int style = 0;
        bool number = false;
    };
    std::map<std::pair<int, int>, Cell> cells;
    // The workbook's style table, one for all its sheets.
    std::shared_ptr<const std::vector<CellStyle>> styles;
};

// Every worksheet of the package in the workbook's order; false and a reason in Chinese when the
// file cannot be read or holds what the layout does not know.
bool readWorksheets(const std::filesystem::path& file, std::vector<Worksheet>& sheets,
                    std::string& problem, const xlsx::PackageLimits& limits = {});
// The same of a workbook model as it stands: the XML trees it keeps are read as they are.
bool readWorksheets(const xlsx::Workbook& workbook, std::vector<Worksheet>& sheets,
                    std::string& problem);

} // namespace tarnelo::pages
