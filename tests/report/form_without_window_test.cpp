// The record form of a computed gauging, made without a window: the command line's export. The
// same form as 导出Excel's road, the same refusals, and errors kept from the form unless let
// through. (tests/app/window_form_test.cpp compares it with the form of a window's sheet.)
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/record_header.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/package.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/scripted_dialogs.hpp"
#include "support/workbook_parts.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;
using testing::partsOf;

class FormWithoutWindow : public ::testing::Test {
  protected:
    FormWithoutWindow() : scratch_("tarnelo-form") {}

    ExportPlace place(const std::string& name) const {
        return {folder_.path(), scratch_.path(), scratch_.path() / name};
    }
    static Gauging example(const char* name) {
        return readGaugingFile(fs::path(TARNELO_SOURCE_DIR) / "examples" / name).gauging;
    }

    testing::FormFolder folder_;
    sys::ScratchFolder scratch_;
};

TEST_F(FormWithoutWindow, IsTheFormThatTheWindowExports) {
    const Gauging gauging = example("vertical-25-verticals.dat");
    const Computation computed = compute(gauging);
    ASSERT_TRUE(computed.computed());
    const FormOutcome made =
        exportForm(formSheetOf(gauging, computed, parseRecordHeader(gauging.headerPart)),
                   computed.findings, place("cli.xlsx"), false);
    ASSERT_EQ(made.status, FormOutcome::Status::Done) << made.message;
    EXPECT_TRUE(made.twoPages);

    // The window's road: asked through its dialogs, filled in its program folder.
    testing::ScriptedDialogs user;
    const testing::RecordingContext shown(folder_.path());
    user.answerFileDialog(ctl::通用对话框excel, scratch_.path() / "window.xlsx");
    ASSERT_EQ(
        exportComputedForm(user, shown.context(),
                           formSheetOf(gauging, computed, parseRecordHeader(gauging.headerPart)),
                           computed.findings)
            .status,
        FormOutcome::Status::Done);

    const auto fromCli = partsOf(scratch_.path() / "cli.xlsx");
    const auto fromWindow = partsOf(scratch_.path() / "window.xlsx");
    ASSERT_EQ(fromCli.size(), fromWindow.size());
    for (std::size_t i = 0; i < fromCli.size(); ++i) {
        EXPECT_EQ(fromCli[i].name, fromWindow[i].name);
        EXPECT_TRUE(fromCli[i].bytes == fromWindow[i].bytes) << fromCli[i].name;
    }
}

TEST_F(FormWithoutWindow, RefusesWhatTheWindowRefusesAndKeepsErrorsOff) {
    Gauging gauging = example("velocity-mode.dat");
    // A gap in 起点距 would put the verticals on the wrong form rows.
    Gauging gap = gauging;
    gap.rows.insert(gap.rows.begin() + 2, GaugingRow{});
    const Computation gapComputed = compute(gap);
    const FormOutcome refused = exportForm(formSheetOf(gap, gapComputed, {}), gapComputed.findings,
                                           place("gap.xlsx"), true);
    EXPECT_EQ(refused.status, FormOutcome::Status::Refused);
    EXPECT_NE(refused.message.find("第 3 行的起点距为空"), std::string::npos) << refused.message;
    EXPECT_FALSE(fs::exists(scratch_.path() / "gap.xlsx"));

    // A letter typed for a digit: no form unless the errors are let through.
    gauging.rows[3].depth = "l.3";
    const Computation computed = compute(gauging);
    const FormSheet form = formSheetOf(gauging, computed, {});
    const FormOutcome kept = exportForm(form, computed.findings, place("errors.xlsx"), false);
    EXPECT_EQ(kept.status, FormOutcome::Status::Cancelled);
    EXPECT_EQ(kept.message, "记载表中有 1 处错误，没有导出。");
    EXPECT_FALSE(fs::exists(scratch_.path() / "errors.xlsx"));
    EXPECT_EQ(exportForm(form, computed.findings, place("errors.xlsx"), true).status,
              FormOutcome::Status::Done);

    // No template where the form is looked for.
    ExportPlace noTemplates = place("none.xlsx");
    noTemplates.templateFolder = scratch_.path();
    const FormOutcome missing = exportForm(form, {}, noTemplates, true);
    EXPECT_EQ(missing.status, FormOutcome::Status::Refused);
    EXPECT_EQ(missing.message, "excel模板丢失，请重新安装本软件。");
}

} // namespace
} // namespace tarnelo
