// The spreadsheet wrapper: one automation handle to the spreadsheet application and its
// workbook, sheet and cell operations as plain calls with texts and integers. Every operation
// starts again from the application object, calls the host's members by name, and releases
// every intermediate object before it returns. A failing host call has no effect and yields an
// empty result; the operation goes on with its remaining steps and returns normally, and
// callError() then tells what the operation's last host call answered.
#pragma once

#include "platform/automation/dispatch.hpp"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnelo {

class SpreadsheetAutomation {
  public:
    using Dispatch = automation::Dispatch;

    SpreadsheetAutomation() = default;
    SpreadsheetAutomation(const SpreadsheetAutomation&) = default;
    SpreadsheetAutomation& operator=(const SpreadsheetAutomation&) = default;

    // Releases the handle.
    virtual ~SpreadsheetAutomation();
    // A new wrapper whose handle refers to the same host object.
    virtual std::unique_ptr<SpreadsheetAutomation> copy() const;

    // Attaches to a running Excel.Application, or starts one; true when a host is now held.
    virtual bool CreateApplication();
    virtual Dispatch GetApplication();
    virtual bool SetApplication(const Dispatch& host);
    virtual void SetVisible(bool visible);
    virtual Dispatch AddWorkbook();
    virtual int ListSheets(std::vector<std::string>& names);
    virtual std::string ActivateSheet(int sheet);
    virtual int GetActiveSheet(std::string& name);
    virtual std::string GetUsedRangeSize(int& rows, int& columns);
    // With the flag false only the path reaches the host; with it true the password goes as
    // the fifth and sixth arguments (open and write password), the others omitted.
    virtual Dispatch OpenWorkbook(const std::string& path, const std::string& password,
                                  bool withPassword);
    virtual Dispatch AddWorkbookFromTemplate(const std::string& templatePath,
                                             const std::string& password, bool withPassword);
    virtual Dispatch OpenXmlWorkbook(const std::string& path);
    virtual void CloseWorkbooks();
    virtual void SetCell(int sheet, int row, int column, const std::string& value);
    virtual void SetRangeValue(const std::string& address, const std::string& value);
    virtual void SetRangeFormula(const std::string& address, const std::string& formula);
    virtual bool RunMacro(const std::string& name);
    virtual Dispatch SelectRange(const std::string& address);
    virtual std::string GetRangeFormula(const std::string& address);
    virtual std::string GetCell(int sheet, int row, int column);
    virtual std::string GetRangeValue(const std::string& address);
    virtual void DeleteSheet(int sheet);
    virtual void SaveWorkbookAs(const std::string& path);
    virtual void SaveWorkbook();
    virtual void QuitApplication();
    // Weight and colour of the borders, then the line styles of the left, top, bottom and right
    // edges (0 leaves an edge as it is).
    virtual void SetRangeBorders(const std::string& address, int weight, int colour, int left,
                                 int top, int bottom, int right);
    // Weight and colour, then the line styles of the inside vertical and horizontal lines and
    // of the two diagonals (0 leaves a line as it is).
    virtual void SetRangeInnerBorders(const std::string& address, int weight, int colour,
                                      int insideVertical, int insideHorizontal, int diagonalDown,
                                      int diagonalUp);
    virtual void SetRangeFont(const std::string& address, const std::string& fontName, double size,
                              std::optional<int> colour, std::optional<bool> bold,
                              std::optional<bool> italic, std::optional<bool> strikethrough,
                              std::optional<int> underline);
    virtual void MergeRange(const std::string& address);
    virtual void SetNumberFormat(const std::string& address, bool hide);
    virtual void CopyRange(const std::string& address);
    virtual void PasteRange(const std::string& address);
    virtual void CutRange(const std::string& address);
    virtual void InsertColumns(const std::string& address, int shift);
    virtual void InsertRows(const std::string& address, int shift);
    virtual void SetScreenUpdating(bool on);
    virtual void SetRangeLayout(const std::string& address, std::optional<bool> wrap,
                                std::optional<int> horizontalAlignment,
                                std::optional<int> verticalAlignment, std::optional<bool> fitRows,
                                std::optional<bool> fitColumns, std::optional<int> orientation);
    virtual void SetPageHeader(const std::string& text, int position);
    virtual void SetPageFooter(const std::string& text, int position);
    // Margins in points; paper size as the host numbers it (9 is A4).
    virtual void SetPageMargins(double left, double right, double top, double bottom,
                                int paperSize);
    virtual void PrintPreview(int workbook);
    virtual void PrintOut(int workbook);

    // The error of this wrapper's last host call (the last step of its last operation); empty
    // when that call succeeded.
    const std::string& callError() const { return callError_; }

  private:
    using Variant = automation::Variant;
    // The host calls, each keeping its error in callError_.
    Variant get(const Dispatch& object, std::string_view member,
                std::initializer_list<Variant> args = {});
    void put(const Dispatch& object, std::string_view member, std::initializer_list<Variant> args);
    Variant call(const Dispatch& object, std::string_view member,
                 std::initializer_list<Variant> args = {});
    Variant kept(automation::Outcome outcome);
    void setBorders(const Dispatch& range, int weight, int colour,
                    std::initializer_list<std::pair<int, int>> lines);
    void setHeaderOrFooter(const std::string& text, int position, const char* const (&members)[3]);

    Dispatch application;
    std::string callError_;
};

// The process-wide wrapper. While a SpreadsheetAutomationInstance lives (the program makes one
// at start-up, before the main window), it is that one; without one, a wrapper made on first
// use that lives to the end of the process.
SpreadsheetAutomation& spreadsheetAutomation();

class SpreadsheetAutomationInstance {
  public:
    SpreadsheetAutomationInstance();
    ~SpreadsheetAutomationInstance();
    SpreadsheetAutomationInstance(const SpreadsheetAutomationInstance&) = delete;
    SpreadsheetAutomationInstance& operator=(const SpreadsheetAutomationInstance&) = delete;

    SpreadsheetAutomation& get() { return wrapper_; }

  private:
    SpreadsheetAutomation wrapper_;
    SpreadsheetAutomation* previous_;
};

} // namespace tarnelo
