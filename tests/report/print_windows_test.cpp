// 打印 on a Windows computer without a spreadsheet program that can print: the command says
// which programs it looked for and that 导出Excel still works, before it fills anything.
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/scripted_dialogs.hpp"
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
    const testing::RecordingContext shown(folder.path());
    testing::ScriptedDialogs user;
    FormSheet form;
    form.table = Table(std::vector<RowTexts>(1));
    form.table.setCell(0, col::起点距, "0");
    const FormOutcome outcome = printComputedForm(user, shown.context(), form, {}, {});
    ::_wputenv(L"TARNELO_SOFFICE");
    EXPECT_EQ(outcome.status, FormOutcome::Status::Refused);
    ASSERT_EQ(user.messages.size(), 1u);
    const std::string& text = user.messages[0].text;
    for (const char* named : {"Microsoft Excel", "KET.Application", "ET.Application", "LibreOffice",
                              "“导出Excel”仍然可以保存记载表"}) {
        EXPECT_NE(text.find(named), std::string::npos) << named;
    }
    EXPECT_FALSE(std::filesystem::exists(paths::formWorkingCopy(folder.path(), false)));
}

} // namespace
} // namespace tarnelo
