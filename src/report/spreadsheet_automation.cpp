#include "report/spreadsheet_automation.hpp"

#include "platform/automation/host_registry.hpp"

namespace tarnelo {

using automation::Dispatch;
using automation::displayText;
using automation::kOmitted;
using automation::Variant;

namespace {

// Border indices of the host's Borders collection.
constexpr int kEdgeLeft = 7;
constexpr int kEdgeTop = 8;
constexpr int kEdgeBottom = 9;
constexpr int kEdgeRight = 10;
constexpr int kInsideVertical = 11;
constexpr int kInsideHorizontal = 12;
constexpr int kDiagonalDown = 5;
constexpr int kDiagonalUp = 6;

SpreadsheetAutomation* gCurrent = nullptr;

} // namespace

Variant SpreadsheetAutomation::kept(automation::Outcome outcome) {
    callError_ = std::move(outcome.error);
    return std::move(outcome.value);
}

Variant SpreadsheetAutomation::get(const Dispatch& object, std::string_view member,
                                   std::initializer_list<Variant> args) {
    return kept(automation::get(object, member, args));
}

void SpreadsheetAutomation::put(const Dispatch& object, std::string_view member,
                                std::initializer_list<Variant> args) {
    kept(automation::put(object, member, args));
}

Variant SpreadsheetAutomation::call(const Dispatch& object, std::string_view member,
                                    std::initializer_list<Variant> args) {
    return kept(automation::call(object, member, args));
}

void SpreadsheetAutomation::setBorders(const Dispatch& range, int weight, int colour,
                                       std::initializer_list<std::pair<int, int>> lines) {
    const Dispatch borders = get(range, "Borders").object();
    put(borders, "Weight", {weight});
    put(borders, "Color", {colour});
    for (const auto& [index, style] : lines) {
        if (style != 0) {
            const Dispatch line = get(borders, "Item", {index}).object();
            put(line, "LineStyle", {style});
        }
    }
}

SpreadsheetAutomation::~SpreadsheetAutomation() {
    application.release();
}

std::unique_ptr<SpreadsheetAutomation> SpreadsheetAutomation::copy() const {
    return std::make_unique<SpreadsheetAutomation>(*this);
}

bool SpreadsheetAutomation::CreateApplication() {
    application = kept(automation::getActiveObject(automation::kSpreadsheetProgId)).object();
    if (!application) {
        application = kept(automation::createObject(automation::kSpreadsheetProgId)).object();
    }
    return static_cast<bool>(application);
}

Dispatch SpreadsheetAutomation::GetApplication() {
    return application;
}

bool SpreadsheetAutomation::SetApplication(const Dispatch& host) {
    application = host;
    return callError_.empty();
}

void SpreadsheetAutomation::SetVisible(bool visible) {
    put(application, "Visible", {visible});
}

Dispatch SpreadsheetAutomation::AddWorkbook() {
    const Dispatch workbooks = get(application, "Workbooks").object();
    return call(workbooks, "Add").object();
}

int SpreadsheetAutomation::ListSheets(std::vector<std::string>& names) {
    names.clear();
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    const Dispatch sheets = get(workbook, "Sheets").object();
    const int count = get(sheets, "Count").integer();
    for (int i = 1; i <= count; ++i) {
        const Dispatch sheet = get(sheets, "Item", {i}).object();
        names.push_back(displayText(get(sheet, "name")));
    }
    return count;
}

std::string SpreadsheetAutomation::ActivateSheet(int sheet) {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    const Dispatch sheets = get(workbook, "Sheets").object();
    const Dispatch item = get(sheets, "Item", {sheet}).object();
    call(item, "Activate");
    return displayText(get(item, "name"));
}

int SpreadsheetAutomation::GetActiveSheet(std::string& name) {
    const Dispatch sheet = get(application, "ActiveSheet").object();
    name = displayText(get(sheet, "name"));
    // A number, cut toward zero.
    return get(sheet, "Index").integer();
}

std::string SpreadsheetAutomation::GetUsedRangeSize(int& rows, int& columns) {
    const Dispatch sheet = get(application, "ActiveSheet").object();
    {
        const Dispatch used = get(sheet, "UsedRange").object();
        const Dispatch usedRows = get(used, "Rows").object();
        rows = get(usedRows, "Count").integer();
    }
    const Dispatch used = get(sheet, "UsedRange").object();
    const Dispatch usedColumns = get(used, "Columns").object();
    columns = get(usedColumns, "Count").integer();
    return callError_;
}

Dispatch SpreadsheetAutomation::OpenWorkbook(const std::string& path, const std::string& password,
                                             bool withPassword) {
    const Dispatch workbooks = get(application, "Workbooks").object();
    if (withPassword) {
        return call(workbooks, "Open", {path, kOmitted, kOmitted, kOmitted, password, password})
            .object();
    }
    return call(workbooks, "Open", {path}).object();
}

Dispatch SpreadsheetAutomation::AddWorkbookFromTemplate(const std::string& templatePath,
                                                        const std::string& password,
                                                        bool withPassword) {
    const Dispatch workbooks = get(application, "Workbooks").object();
    if (withPassword) {
        return call(workbooks, "add",
                    {templatePath, kOmitted, kOmitted, kOmitted, password, password})
            .object();
    }
    return call(workbooks, "add", {templatePath}).object();
}

Dispatch SpreadsheetAutomation::OpenXmlWorkbook(const std::string& path) {
    const Dispatch workbooks = get(application, "Workbooks").object();
    return call(workbooks, "OpenXML", {path}).object();
}

void SpreadsheetAutomation::CloseWorkbooks() {
    const Dispatch workbooks = get(application, "Workbooks").object();
    call(workbooks, "Close");
}

void SpreadsheetAutomation::SetCell(int sheet, int row, int column, const std::string& value) {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    const Dispatch sheets = get(workbook, "Sheets").object();
    const Dispatch item = get(sheets, "Item", {sheet}).object();
    const Dispatch cells = get(item, "Cells").object();
    const Dispatch cellsOfCells = get(cells, "Cells").object();
    put(cellsOfCells, "Item", {row, column, value});
}

void SpreadsheetAutomation::SetRangeValue(const std::string& address, const std::string& value) {
    const Dispatch range = get(application, "Range", {address}).object();
    put(range, "Value", {value});
}

void SpreadsheetAutomation::SetRangeFormula(const std::string& address,
                                            const std::string& formula) {
    const Dispatch range = get(application, "Range", {address}).object();
    put(range, "Formula", {formula});
}

bool SpreadsheetAutomation::RunMacro(const std::string& name) {
    call(application, "run", {name});
    return callError_.empty();
}

Dispatch SpreadsheetAutomation::SelectRange(const std::string& address) {
    {
        const Dispatch range = get(application, "Range", {address}).object();
        call(range, "select");
    }
    return get(application, "Selection").object();
}

std::string SpreadsheetAutomation::GetRangeFormula(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    return displayText(get(range, "Formula"));
}

std::string SpreadsheetAutomation::GetCell(int sheet, int row, int column) {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    const Dispatch sheets = get(workbook, "Sheets").object();
    const Dispatch item = get(sheets, "Item", {sheet}).object();
    const Dispatch cells = get(item, "Cells").object();
    const Dispatch cellsOfCells = get(cells, "Cells").object();
    Variant value = get(cellsOfCells, "Item", {row, column});
    if (value.isObject()) {
        // A cell object reads as its default property, the value.
        const Dispatch cell = value.object();
        value = get(cell, "Value");
    }
    return displayText(value);
}

std::string SpreadsheetAutomation::GetRangeValue(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    return displayText(get(range, "Value"));
}

void SpreadsheetAutomation::DeleteSheet(int sheet) {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    const Dispatch sheets = get(workbook, "Sheets").object();
    const Dispatch item = get(sheets, "Item", {sheet}).object();
    call(item, "Delete");
}

void SpreadsheetAutomation::SaveWorkbookAs(const std::string& path) {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    call(workbook, "SaveAs", {path});
}

void SpreadsheetAutomation::SaveWorkbook() {
    const Dispatch workbook = get(application, "ActiveWorkbook").object();
    call(workbook, "Save");
}

void SpreadsheetAutomation::QuitApplication() {
    call(application, "Quit");
    application.release();
}

void SpreadsheetAutomation::SetRangeBorders(const std::string& address, int weight, int colour,
                                            int left, int top, int bottom, int right) {
    const Dispatch range = get(application, "range", {address}).object();
    setBorders(range, weight, colour,
               {{kEdgeLeft, left}, {kEdgeTop, top}, {kEdgeBottom, bottom}, {kEdgeRight, right}});
}

void SpreadsheetAutomation::SetRangeInnerBorders(const std::string& address, int weight, int colour,
                                                 int insideVertical, int insideHorizontal,
                                                 int diagonalDown, int diagonalUp) {
    const Dispatch range = get(application, "range", {address}).object();
    setBorders(range, weight, colour,
               {{kInsideVertical, insideVertical},
                {kInsideHorizontal, insideHorizontal},
                {kDiagonalDown, diagonalDown},
                {kDiagonalUp, diagonalUp}});
}

void SpreadsheetAutomation::SetRangeFont(const std::string& address, const std::string& fontName,
                                         double size, std::optional<int> colour,
                                         std::optional<bool> bold, std::optional<bool> italic,
                                         std::optional<bool> strikethrough,
                                         std::optional<int> underline) {
    const Dispatch range = get(application, "Range", {address}).object();
    const Dispatch font = get(range, "Font").object();
    put(font, "Name", {fontName});
    put(font, "Size", {size});
    put(font, "Color", {colour.value_or(0)});
    put(font, "Bold", {bold.value_or(false)});
    put(font, "Italic", {italic.value_or(false)});
    put(font, "Strikethrough", {strikethrough.value_or(false)});
    put(font, "UnderLine", {underline.value_or(0)});
}

void SpreadsheetAutomation::MergeRange(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    call(range, "Merge");
}

void SpreadsheetAutomation::SetNumberFormat(const std::string& address, bool hide) {
    const Dispatch selection = SelectRange(address);
    if (!selection) {
        return;
    }
    put(selection, "NumberFormatLocal", {hide ? ";;;" : "G/通用格式"});
}

void SpreadsheetAutomation::CopyRange(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    call(range, "Copy");
}

void SpreadsheetAutomation::PasteRange(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    call(range, "PasteSpecial");
}

void SpreadsheetAutomation::CutRange(const std::string& address) {
    const Dispatch range = get(application, "Range", {address}).object();
    call(range, "Cut");
}

void SpreadsheetAutomation::InsertColumns(const std::string& address, int shift) {
    const Dispatch range = get(application, "Range", {address}).object();
    const Dispatch columns = get(range, "Columns").object();
    call(columns, "Insert", {shift});
}

void SpreadsheetAutomation::InsertRows(const std::string& address, int shift) {
    const Dispatch range = get(application, "Range", {address}).object();
    const Dispatch rows = get(range, "Rows").object();
    call(rows, "Insert", {shift});
}

void SpreadsheetAutomation::SetScreenUpdating(bool on) {
    put(application, "ScreenUpdating", {on});
}

void SpreadsheetAutomation::SetRangeLayout(const std::string& address, std::optional<bool> wrap,
                                           std::optional<int> horizontalAlignment,
                                           std::optional<int> verticalAlignment,
                                           std::optional<bool> fitRows,
                                           std::optional<bool> fitColumns,
                                           std::optional<int> orientation) {
    const Dispatch selection = SelectRange(address);
    if (wrap) {
        put(selection, "WrapText", {*wrap});
    }
    if (horizontalAlignment) {
        put(selection, "HorizontalAlignment", {*horizontalAlignment});
    }
    if (verticalAlignment) {
        put(selection, "VerticalAlignment", {*verticalAlignment});
    }
    if (fitRows && *fitRows) {
        const Dispatch region = get(selection, "CurrentRegion").object();
        const Dispatch rows = get(region, "Rows").object();
        call(rows, "AutoFit");
    }
    if (fitColumns && *fitColumns) {
        const Dispatch region = get(selection, "CurrentRegion").object();
        const Dispatch columns = get(region, "Columns").object();
        call(columns, "AutoFit");
    }
    if (orientation) {
        put(selection, "Orientation", {*orientation});
    }
}

void SpreadsheetAutomation::setHeaderOrFooter(const std::string& text, int position,
                                              const char* const (&members)[3]) {
    const Dispatch sheet = get(application, "ActiveSheet").object();
    const Dispatch setup = get(sheet, "PageSetup").object();
    if (position >= 0 && position <= 2) {
        put(setup, members[position], {text});
    }
}

void SpreadsheetAutomation::SetPageHeader(const std::string& text, int position) {
    static const char* const kMembers[3] = {"LeftHeader", "CenterHeader", "RightHeader"};
    setHeaderOrFooter(text, position, kMembers);
}

void SpreadsheetAutomation::SetPageFooter(const std::string& text, int position) {
    static const char* const kMembers[3] = {"LeftFooter", "CenterFooter", "RightFooter"};
    setHeaderOrFooter(text, position, kMembers);
}

void SpreadsheetAutomation::SetPageMargins(double left, double right, double top, double bottom,
                                           int paperSize) {
    const Dispatch sheet = get(application, "ActiveSheet").object();
    const Dispatch setup = get(sheet, "PageSetup").object();
    put(setup, "LeftMargin", {left});
    put(setup, "RightMargin", {right});
    put(setup, "TopMargin", {top});
    put(setup, "BottomMargin", {bottom});
    put(setup, "PaperSize", {paperSize});
}

void SpreadsheetAutomation::PrintPreview(int workbook) {
    const Dispatch workbooks = get(application, "Workbooks").object();
    const Dispatch item = get(workbooks, "Item", {workbook}).object();
    call(item, "PrintPreview");
}

void SpreadsheetAutomation::PrintOut(int workbook) {
    const Dispatch workbooks = get(application, "Workbooks").object();
    const Dispatch item = get(workbooks, "Item", {workbook}).object();
    call(item, "PrintOut");
}

SpreadsheetAutomation& spreadsheetAutomation() {
    if (gCurrent != nullptr) {
        return *gCurrent;
    }
    static SpreadsheetAutomation fallback;
    return fallback;
}

SpreadsheetAutomationInstance::SpreadsheetAutomationInstance() : previous_(gCurrent) {
    gCurrent = &wrapper_;
}

SpreadsheetAutomationInstance::~SpreadsheetAutomationInstance() {
    gCurrent = previous_;
}

} // namespace tarnelo
