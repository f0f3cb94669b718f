// 打印 on a Windows computer without a spreadsheet program that can print: the command says
// which programs it looked for and that 导出Excel still works, before it fills anything.
#include "app/window_form.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarnelo {
namespace {

TEST(WindowsPrint, WithoutAProgramThatCanPrintTheCommandNamesTheOnesItLookedFor) {
    // Neither Wine nor a bare Windows registers Excel or WPS; LibreOffice is ruled out here.
    ::_wputenv(L"TARNELO_SOFFICE=");
    testing::FormFolder folder;
    HeadlessWindow window(folder.path());
    window.sheet().growTo(1);
    window.sheet().setCell(0, col::起点距, "0");
    const FormOutcome outcome = printCommand(window, {});
    ::_wputenv(L"TARNELO_SOFFICE");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Refused);
    ASSERT_EQ(window.messages.size(), 1u);
    const std::string& text = window.messages[0].text;
    for (const char* named : {"Microsoft Excel", "KET.Application", "ET.Application", "LibreOffice",
                              "“导出Excel”仍然可以保存记载表"}) {
        EXPECT_NE(text.find(named), std::string::npos) << named;
    }
    EXPECT_FALSE(std::filesystem::exists(paths::formWorkingCopy(folder.path(), false)));
}

} // namespace
} // namespace tarnelo
