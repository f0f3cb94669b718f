// The built-in spreadsheet application: an in-process host over .xlsx workbooks, reached by
// name through the automation layer as Excel.Application. It keeps its open workbooks in
// memory, tracks the active workbook and its active sheet, and writes files only on Save and
// SaveAs. Object model (members are matched without regard to case):
//
//   Application: Workbooks, ActiveWorkbook, ActiveSheet, Sheets, Worksheets, Range(address),
//                Cells, Selection, Visible, ScreenUpdating, DisplayAlerts, Name, Quit
//   Workbooks:   Count, Item(index or name), Open(path, ...), OpenXML(path), Add([template]),
//                Close
//   Workbook:    Name, FullName, Path, Saved, Sheets, Worksheets, ActiveSheet, Activate, Save,
//                SaveAs(path), Close([save changes])
//   Sheets:      Count, Item(index or name)
//   Worksheet:   Name (get and set), Index, Cells([row, column]), Range(address), UsedRange,
//                Rows, Columns, PageSetup, Activate, Select, Delete, Visible
//   Range:       Value, Value2, Formula, Text, Item(row, column) (get and set), Cells, Rows,
//                Columns, Count, Row, Column, Address, Merge, Select, Activate, ClearContents
//   PageSetup:   LeftHeader, CenterHeader, RightHeader, LeftFooter, CenterFooter, RightFooter,
//                LeftMargin, RightMargin, TopMargin, BottomMargin, HeaderMargin, FooterMargin
//                (points), PaperSize, Orientation (1 portrait, 2 landscape)
//
// Anything else (copy and paste, inserting rows or columns, macros, printing, cell formatting)
// is refused: no effect, an empty result and an error text naming the member.
#pragma once

#include "platform/automation/dispatch.hpp"

namespace tarnelo::automation {

// Starts a new instance of the built-in spreadsheet application.
Dispatch makeSpreadsheetApplication();

} // namespace tarnelo::automation
