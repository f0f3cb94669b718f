// What the parts of the workbook engine share: the workbook's state behind Workbook, and the
// rows and cells of a sheet's XML. Not for use outside src/platform/workbook.
#pragma once

#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::xlsx {

// Children of <worksheet> in the order the schema demands.
inline constexpr std::string_view kWorksheetOrder[] = {"sheetPr",
                                                       "dimension",
                                                       "sheetViews",
                                                       "sheetFormatPr",
                                                       "cols",
                                                       "sheetData",
                                                       "sheetCalcPr",
                                                       "sheetProtection",
                                                       "protectedRanges",
                                                       "scenarios",
                                                       "autoFilter",
                                                       "sortState",
                                                       "dataConsolidate",
                                                       "customSheetViews",
                                                       "mergeCells",
                                                       "phoneticPr",
                                                       "conditionalFormatting",
                                                       "dataValidations",
                                                       "hyperlinks",
                                                       "printOptions",
                                                       "pageMargins",
                                                       "pageSetup",
                                                       "headerFooter",
                                                       "rowBreaks",
                                                       "colBreaks",
                                                       "customProperties",
                                                       "cellWatches",
                                                       "ignoredErrors",
                                                       "smartTags",
                                                       "drawing",
                                                       "legacyDrawing",
                                                       "legacyDrawingHF",
                                                       "drawingHF",
                                                       "picture",
                                                       "oleObjects",
                                                       "controls",
                                                       "webPublishItems",
                                                       "tableParts",
                                                       "extLst"};

struct SheetEntry {
    int id = 0;
    pugi::xml_node node; // its <sheet> in the workbook part
    std::string part;    // empty for a sheet whose part is missing
    std::string relId;
    bool worksheet = false;
    pugi::xml_document doc;
    std::map<int, int> columnStyles; // column -> style from <cols>
};

struct Workbook::Impl {
    std::vector<RawPart> parts; // in package order; XML parts below replace their bytes on save
    std::string workbookPart;
    std::string workbookRelsPart;
    pugi::xml_document contentTypes;
    pugi::xml_document workbook;
    pugi::xml_document workbookRels;
    std::vector<std::string> sharedStrings;
    std::vector<std::unique_ptr<SheetEntry>> sheets; // in the order of <sheets>
    int nextId = 1;
    bool formulasWritten = false;

    SheetEntry& sheet(int index) { return *sheets[static_cast<std::size_t>(index)]; }
    const SheetEntry& sheet(int index) const { return *sheets[static_cast<std::size_t>(index)]; }
    const RawPart* findPart(std::string_view name) const;
    // Drops a part and its content-type override.
    void removePart(std::string_view name);
    bool load(std::string& error);
    void loadColumnStyles(SheetEntry& entry);
};

// Rows and cells of <sheetData> found by their r attributes.
int rowOf(pugi::xml_node row);
int columnOf(pugi::xml_node c);
pugi::xml_node findRow(pugi::xml_node sheetData, int row);
pugi::xml_node findCell(pugi::xml_node rowNode, int column);

// Fills in missing r attributes (previous + 1) so that every row and cell can be found.
void numberRowsAndCells(pugi::xml_node sheetData);

} // namespace tarnelo::xlsx
