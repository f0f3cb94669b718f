// The steps that the record form's export and print share, for the window and without it.
#pragma once

#include "files/file_io.hpp"
#include "report/record_form.hpp"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

namespace form_detail {

inline constexpr std::string_view kNotice = "提示：";
inline constexpr std::string_view kTemplateMissing = "excel模板丢失，请重新安装本软件。";
inline constexpr std::string_view kNoSpreadsheet =
    "您需要在计算机上安装 LibreOffice（或 EXCEL）程序才能进行操作！";

// The errors among the findings.
std::vector<Finding> errorsOf(std::vector<Finding> findings);

// "记载表中有 2 处错误，没有导出。"
std::string declined(std::size_t errors, std::string_view verb);

// The checks before a form of the window: refusals (in a message box), then one question when
// the input holds errors. False when no form is to be made; the outcome says why.
bool chooseForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                std::span<const Finding> findings, std::string_view verb, FormOutcome& outcome);

// The same without the window: the refusals, then the errors, let through by withErrors.
bool chooseForm(const FormSheet& form, std::span<const Finding> findings, const ExportPlace& place,
                bool withErrors, std::string_view verb, FormOutcome& outcome);

// The template and a working copy in the private folder of a form made without the window.
FormPlace privatePlace(const ExportPlace& place, bool twoPages);

// 注意 findings do not stop a form; the status bar names their count.
void noteNotices(const FormContext& context, std::span<const Finding> findings,
                 std::string_view done);

// Fills the form from the template in the context's program folder, in memory.
FilledForm fillContextForm(const FormContext& context, const FormSheet& form, bool twoPages);

} // namespace form_detail
} // namespace tarnelo
