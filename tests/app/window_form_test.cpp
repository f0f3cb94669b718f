// The record form of what a window shows (app/window_form): the window's sheet, fields and
// record header after 计算 give the same workbook as the command line's export of the gauging.
#include "app/window_form.hpp"

#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "compute/compute.hpp"
#include "files/gauging_file.hpp"
#include "files/record_header.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/package.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"
#include "support/workbook_parts.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;
using testing::partsOf;

TEST(WindowForm, IsTheFormThatTheCommandLineExports) {
    const testing::FormFolder folder;
    const sys::ScratchFolder scratch("tarnelo-form");
    const Gauging gauging =
        readGaugingFile(fs::path(TARNELO_SOURCE_DIR) / "examples" / "vertical-25-verticals.dat")
            .gauging;
    const Computation computed = compute(gauging);
    ASSERT_TRUE(computed.computed());
    const FormOutcome made = exportForm(
        formSheetOf(gauging, computed, parseRecordHeader(gauging.headerPart)), computed.findings,
        {folder.path(), scratch.path(), scratch.path() / "cli.xlsx"}, false);
    ASSERT_EQ(made.status, FormOutcome::Status::Done) << made.message;
    EXPECT_TRUE(made.twoPages);

    HeadlessWindow window(folder.path());
    layoutSheet(window);
    window.setRecordHeader(gauging.headerPart);
    fillFromGauging(window, gauging);
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    window.answerFileDialog(ctl::通用对话框excel, scratch.path() / "window.xlsx");
    ASSERT_EQ(exportCommand(window).status, FormOutcome::Status::Done);

    const auto fromCli = partsOf(scratch.path() / "cli.xlsx");
    const auto fromWindow = partsOf(scratch.path() / "window.xlsx");
    ASSERT_EQ(fromCli.size(), fromWindow.size());
    for (std::size_t i = 0; i < fromCli.size(); ++i) {
        EXPECT_EQ(fromCli[i].name, fromWindow[i].name);
        EXPECT_TRUE(fromCli[i].bytes == fromWindow[i].bytes) << fromCli[i].name;
    }
}

} // namespace
} // namespace tarnelo
