// The record form of what a window shows, for the commands that work on its sheet and fields
// rather than on a computation (the form before any 计算 in this session, and the tests that
// type into a window). The window is asked and told as the user; its folders, progress bar,
// pause and status bar are the form's context.
#pragma once

#include "checks/checks.hpp"
#include "pages/form_pages.hpp"
#include "report/record_form.hpp"

#include <string_view>
#include <vector>

namespace tarnelo {

class Window;

// The form of what the window shows: its sheet, fields and record header.
FormSheet windowForm(const Window& window);

// The check pass over what the window shows.
std::vector<Finding> checkWindow(const Window& window);

// The window's folders, progress bar, pause and status bar as a form command uses them.
FormContext formContextOf(Window& window);

// Buttons 导出Excel and 打印 on what the window shows (exportComputedForm, printComputedForm).
FormOutcome exportCommand(Window& window);
FormOutcome printCommand(Window& window, const sys::KeepWaiting& keepWaiting);

// The form's pages of what the window shows (pages::formPages).
pages::FormPages windowFormPages(Window& window, std::string_view verb);

} // namespace tarnelo
