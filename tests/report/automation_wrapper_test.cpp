// The spreadsheet wrapper against a recording host: which members it calls, in which order,
// with which arguments.
#include "platform/automation/host_registry.hpp"
#include "report/spreadsheet_automation.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using namespace automation;

std::string render(const Variant& v) {
    if (v.isOmitted()) {
        return "<omitted>";
    }
    if (v.isText()) {
        return "'" + v.text() + "'";
    }
    if (v.isBool()) {
        return v.integer() ? "true" : "false";
    }
    if (v.isInteger()) {
        return "i" + displayText(v);
    }
    if (v.isReal()) {
        return "r" + displayText(v);
    }
    if (v.isObject()) {
        return "<object>";
    }
    return "<empty>";
}

// Every member call lands in a shared log as "object.Member kind(args)". Gets and methods
// answer a new recorder (so chains go on) unless an answer is set for the member.
struct Log {
    std::vector<std::string> calls;
    std::map<std::string, Variant> answers;
    bool failAll = false;
};

class Recorder : public Object {
  public:
    Recorder(std::shared_ptr<Log> log, std::string path)
        : log_(std::move(log)), path_(std::move(path)) {}

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override {
        std::string line = path_ + "." + std::string(member) + " " +
                           (kind == CallKind::Get   ? "get"
                            : kind == CallKind::Put ? "put"
                                                    : "call") +
                           "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            line += (i ? ", " : "") + render(args[i]);
        }
        log_->calls.push_back(line + ")");
        if (log_->failAll) {
            return Outcome::fail("refused " + std::string(member));
        }
        if (kind == CallKind::Put) {
            return Outcome::ok();
        }
        if (auto it = log_->answers.find(std::string(member)); it != log_->answers.end()) {
            return Outcome::ok(it->second);
        }
        return Outcome::ok(Dispatch(std::make_shared<Recorder>(log_, std::string(member))));
    }

  private:
    std::shared_ptr<Log> log_;
    std::string path_;
};

class WrapperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log = std::make_shared<Log>();
        ASSERT_TRUE(xl.SetApplication(Dispatch(std::make_shared<Recorder>(log, "App"))));
    }
    std::vector<std::string> take() { return std::exchange(log->calls, {}); }

    std::shared_ptr<Log> log;
    SpreadsheetAutomation xl;
};

using Calls = std::vector<std::string>;

TEST_F(WrapperTest, FillRoadUsesTheMembersInOrder) {
    // Without the password flag only the path reaches Open.
    EXPECT_TRUE(static_cast<bool>(xl.OpenWorkbook("/d/snapexcel_1.dat", "secret", false)));
    EXPECT_EQ(take(), (Calls{"App.Workbooks get()", "Workbooks.Open call('/d/snapexcel_1.dat')"}));

    log->answers["name"] = Variant("记载表");
    log->answers["Index"] = Variant(3.9);
    std::string name;
    EXPECT_EQ(xl.GetActiveSheet(name), 3); // a real index is cut toward zero
    EXPECT_EQ(name, "记载表");
    EXPECT_EQ(take(), (Calls{"App.ActiveSheet get()", "ActiveSheet.name get()",
                             "ActiveSheet.Index get()"}));

    xl.SetCell(3, 6, 24, "第 1 页");
    EXPECT_EQ(take(), (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Sheets get()",
                             "Sheets.Item get(i3)", "Item.Cells get()", "Cells.Cells get()",
                             "Cells.Item put(i6, i24, '第 1 页')"}));

    xl.SaveWorkbook();
    xl.CloseWorkbooks();
    xl.QuitApplication();
    EXPECT_EQ(take(), (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Save call()",
                             "App.Workbooks get()", "Workbooks.Close call()", "App.Quit call()"}));
    EXPECT_FALSE(static_cast<bool>(xl.GetApplication()));
}

TEST_F(WrapperTest, PasswordGoesToArgumentsFiveAndSix) {
    xl.OpenWorkbook("/d/a.xlsx", "pw", true);
    xl.AddWorkbookFromTemplate("/d/t.xlsx", "pw", true);
    xl.AddWorkbookFromTemplate("/d/t.xlsx", "pw", false);
    xl.OpenXmlWorkbook("/d/x.xml");
    EXPECT_EQ(
        take(),
        (Calls{"App.Workbooks get()",
               "Workbooks.Open call('/d/a.xlsx', <omitted>, <omitted>, <omitted>, 'pw', 'pw')",
               "App.Workbooks get()",
               "Workbooks.add call('/d/t.xlsx', <omitted>, <omitted>, <omitted>, 'pw', 'pw')",
               "App.Workbooks get()", "Workbooks.add call('/d/t.xlsx')", "App.Workbooks get()",
               "Workbooks.OpenXML call('/d/x.xml')"}));
}

TEST_F(WrapperTest, WorkbookAndSheetOperations) {
    xl.SetVisible(false);
    xl.AddWorkbook();
    EXPECT_EQ(take(),
              (Calls{"App.Visible put(false)", "App.Workbooks get()", "Workbooks.Add call()"}));

    log->answers["Count"] = Variant(2);
    log->answers["name"] = Variant("S");
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(xl.ListSheets(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"S", "S"}));
    EXPECT_EQ(take(), (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Sheets get()",
                             "Sheets.Count get()", "Sheets.Item get(i1)", "Item.name get()",
                             "Sheets.Item get(i2)", "Item.name get()"}));

    EXPECT_EQ(xl.ActivateSheet(2), "S");
    EXPECT_EQ(take(), (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Sheets get()",
                             "Sheets.Item get(i2)", "Item.Activate call()", "Item.name get()"}));

    int rows = 0;
    int columns = 0;
    EXPECT_EQ(xl.GetUsedRangeSize(rows, columns), "");
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(columns, 2);
    EXPECT_EQ(take(),
              (Calls{"App.ActiveSheet get()", "ActiveSheet.UsedRange get()", "UsedRange.Rows get()",
                     "Rows.Count get()", "ActiveSheet.UsedRange get()", "UsedRange.Columns get()",
                     "Columns.Count get()"}));

    xl.DeleteSheet(1);
    xl.SaveWorkbookAs("/d/out.xlsx");
    EXPECT_EQ(take(),
              (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Sheets get()",
                     "Sheets.Item get(i1)", "Item.Delete call()", "App.ActiveWorkbook get()",
                     "ActiveWorkbook.SaveAs call('/d/out.xlsx')"}));

    xl.PrintPreview(1);
    xl.PrintOut(2);
    EXPECT_EQ(take(),
              (Calls{"App.Workbooks get()", "Workbooks.Item get(i1)", "Item.PrintPreview call()",
                     "App.Workbooks get()", "Workbooks.Item get(i2)", "Item.PrintOut call()"}));
}

TEST_F(WrapperTest, RangeOperations) {
    xl.SetRangeValue("A1", "x");
    xl.SetRangeFormula("B2", "=A1");
    xl.MergeRange("A1:B1");
    EXPECT_EQ(take(),
              (Calls{"App.Range get('A1')", "Range.Value put('x')", "App.Range get('B2')",
                     "Range.Formula put('=A1')", "App.Range get('A1:B1')", "Range.Merge call()"}));

    log->answers["Formula"] = Variant("=A1");
    log->answers["Value"] = Variant(2.5);
    EXPECT_EQ(xl.GetRangeFormula("B2"), "=A1");
    EXPECT_EQ(xl.GetRangeValue("C3"), "2.5");
    EXPECT_EQ(take(), (Calls{"App.Range get('B2')", "Range.Formula get()", "App.Range get('C3')",
                             "Range.Value get()"}));

    // A cell read through Item answers an object; its value is its default property.
    EXPECT_EQ(xl.GetCell(1, 2, 3), "2.5");
    EXPECT_EQ(take(), (Calls{"App.ActiveWorkbook get()", "ActiveWorkbook.Sheets get()",
                             "Sheets.Item get(i1)", "Item.Cells get()", "Cells.Cells get()",
                             "Cells.Item get(i2, i3)", "Item.Value get()"}));

    xl.CopyRange("A1");
    xl.PasteRange("B1");
    xl.CutRange("C1");
    xl.InsertColumns("D1", -4161);
    xl.InsertRows("E1", -4121);
    EXPECT_EQ(take(),
              (Calls{"App.Range get('A1')", "Range.Copy call()", "App.Range get('B1')",
                     "Range.PasteSpecial call()", "App.Range get('C1')", "Range.Cut call()",
                     "App.Range get('D1')", "Range.Columns get()", "Columns.Insert call(i-4161)",
                     "App.Range get('E1')", "Range.Rows get()", "Rows.Insert call(i-4121)"}));
}

TEST_F(WrapperTest, SelectionAndFormatting) {
    xl.SetNumberFormat("A1:B2", true);
    xl.SetNumberFormat("A1", false);
    EXPECT_EQ(take(), (Calls{"App.Range get('A1:B2')", "Range.select call()", "App.Selection get()",
                             "Selection.NumberFormatLocal put(';;;')", "App.Range get('A1')",
                             "Range.select call()", "App.Selection get()",
                             "Selection.NumberFormatLocal put('G/通用格式')"}));

    xl.SetRangeFont("A1", "宋体", 10.5, 255, true, std::nullopt, std::nullopt, 2);
    EXPECT_EQ(take(), (Calls{"App.Range get('A1')", "Range.Font get()", "Font.Name put('宋体')",
                             "Font.Size put(r10.5)", "Font.Color put(i255)", "Font.Bold put(true)",
                             "Font.Italic put(false)", "Font.Strikethrough put(false)",
                             "Font.UnderLine put(i2)"}));

    xl.SetRangeLayout("A1", true, std::nullopt, -4108, true, std::nullopt, 90);
    EXPECT_EQ(take(),
              (Calls{"App.Range get('A1')", "Range.select call()", "App.Selection get()",
                     "Selection.WrapText put(true)", "Selection.VerticalAlignment put(i-4108)",
                     "Selection.CurrentRegion get()", "CurrentRegion.Rows get()",
                     "Rows.AutoFit call()", "Selection.Orientation put(i90)"}));

    xl.SetRangeBorders("A1:C3", 2, 0, 1, 1, 0, 1);
    EXPECT_EQ(take(),
              (Calls{"App.range get('A1:C3')", "range.Borders get()", "Borders.Weight put(i2)",
                     "Borders.Color put(i0)", "Borders.Item get(i7)", "Item.LineStyle put(i1)",
                     "Borders.Item get(i8)", "Item.LineStyle put(i1)", "Borders.Item get(i10)",
                     "Item.LineStyle put(i1)"}));
    xl.SetRangeInnerBorders("A1:C3", 1, 0, 1, 1, 0, 0);
    EXPECT_EQ(take(),
              (Calls{"App.range get('A1:C3')", "range.Borders get()", "Borders.Weight put(i1)",
                     "Borders.Color put(i0)", "Borders.Item get(i11)", "Item.LineStyle put(i1)",
                     "Borders.Item get(i12)", "Item.LineStyle put(i1)"}));
}

TEST_F(WrapperTest, PageSetupAndApplicationFlags) {
    xl.SetPageHeader("页眉", 1);
    xl.SetPageFooter("页脚", 2);
    xl.SetPageFooter("无", 3); // no such position: nothing is set
    EXPECT_EQ(take(), (Calls{"App.ActiveSheet get()", "ActiveSheet.PageSetup get()",
                             "PageSetup.CenterHeader put('页眉')", "App.ActiveSheet get()",
                             "ActiveSheet.PageSetup get()", "PageSetup.RightFooter put('页脚')",
                             "App.ActiveSheet get()", "ActiveSheet.PageSetup get()"}));

    xl.SetPageMargins(18, 18, 25.5, 20, 9);
    EXPECT_EQ(take(), (Calls{"App.ActiveSheet get()", "ActiveSheet.PageSetup get()",
                             "PageSetup.LeftMargin put(r18)", "PageSetup.RightMargin put(r18)",
                             "PageSetup.TopMargin put(r25.5)", "PageSetup.BottomMargin put(r20)",
                             "PageSetup.PaperSize put(i9)"}));

    xl.SetScreenUpdating(false);
    EXPECT_TRUE(xl.RunMacro("Tidy"));
    EXPECT_EQ(take(), (Calls{"App.ScreenUpdating put(false)", "App.run call('Tidy')"}));
}

TEST_F(WrapperTest, RefusedCallsYieldEmptyResultsAndTheRestStillRuns) {
    log->failAll = true;
    std::string name = "old";
    EXPECT_EQ(xl.GetActiveSheet(name), 0);
    EXPECT_EQ(name, "");
    EXPECT_FALSE(xl.RunMacro("M"));
    EXPECT_EQ(xl.callError(), "refused run");
    int rows = 7;
    int columns = 7;
    EXPECT_FALSE(xl.GetUsedRangeSize(rows, columns).empty());
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(columns, 0);
    // The first call of SetCell fails; the rest run on empty handles and reach nothing.
    take();
    xl.SetCell(1, 1, 1, "x");
    EXPECT_EQ(take(), Calls{"App.ActiveWorkbook get()"});
    EXPECT_EQ(xl.callError(), "对空对象调用成员 Item");
}

TEST_F(WrapperTest, EachWrapperAndEachCallKeepsItsOwnError) {
    // A refused run in one wrapper, then a call that succeeds in another: each tells its own,
    // and a direct call answers with its error whatever ran before.
    log->failAll = true;
    EXPECT_FALSE(xl.RunMacro("M"));
    auto other = std::make_shared<Log>();
    SpreadsheetAutomation second;
    ASSERT_TRUE(second.SetApplication(Dispatch(std::make_shared<Recorder>(other, "App"))));
    EXPECT_TRUE(second.RunMacro("M"));
    EXPECT_EQ(second.callError(), "");
    EXPECT_EQ(xl.callError(), "refused run");
    const Outcome refused = call(xl.GetApplication(), "Quit");
    const Outcome done = call(second.GetApplication(), "Quit");
    EXPECT_EQ(refused.error, "refused Quit");
    EXPECT_TRUE(refused.value.isEmpty());
    EXPECT_EQ(done.error, "");
    EXPECT_EQ(call(Dispatch(), "Quit").error, "对空对象调用成员 Quit");
}

TEST(WrapperLifecycle, EmptyWrapperDoesNothing) {
    SpreadsheetAutomation xl;
    std::string name;
    EXPECT_EQ(xl.GetActiveSheet(name), 0);
    EXPECT_FALSE(static_cast<bool>(xl.OpenWorkbook("/nowhere.xlsx", "", false)));
    EXPECT_EQ(xl.GetCell(1, 1, 1), "");
    xl.SetCell(1, 1, 1, "x");
    xl.QuitApplication();
    EXPECT_FALSE(xl.callError().empty());
}

TEST(WrapperLifecycle, CreateAttachesToARunningInstanceAndCopySharesIt) {
    auto log = std::make_shared<Log>();
    int started = 0;
    ScopedHostRegistration guard(kSpreadsheetProgId, [&] {
        ++started;
        return Dispatch(std::make_shared<Recorder>(log, "App"));
    });
    SpreadsheetAutomation first;
    ASSERT_TRUE(first.CreateApplication());
    SpreadsheetAutomation second;
    ASSERT_TRUE(second.CreateApplication());
    EXPECT_EQ(started, 1);
    EXPECT_EQ(first.GetApplication(), second.GetApplication());

    std::unique_ptr<SpreadsheetAutomation> copy = first.copy();
    EXPECT_EQ(copy->GetApplication(), first.GetApplication());
    copy->SetVisible(true);
    EXPECT_EQ(log->calls.back(), "App.Visible put(true)");

    first.QuitApplication();
    second.QuitApplication();
    copy->QuitApplication();
    // Nobody holds the instance any more: the next wrapper starts a new one.
    SpreadsheetAutomation third;
    ASSERT_TRUE(third.CreateApplication());
    EXPECT_EQ(started, 2);
    third.QuitApplication();
}

TEST(WrapperLifecycle, CreateFailsWithoutAHost) {
    ScopedHostRegistration guard(kSpreadsheetProgId, [] { return Dispatch(); });
    SpreadsheetAutomation xl;
    EXPECT_FALSE(xl.CreateApplication());
    EXPECT_FALSE(xl.callError().empty());
}

TEST(WrapperLifecycle, ProcessWideInstanceFollowsItsOwner) {
    SpreadsheetAutomation& fallback = spreadsheetAutomation();
    {
        SpreadsheetAutomationInstance owner;
        EXPECT_EQ(&spreadsheetAutomation(), &owner.get());
    }
    EXPECT_EQ(&spreadsheetAutomation(), &fallback);
}

} // namespace
} // namespace tarnelo
