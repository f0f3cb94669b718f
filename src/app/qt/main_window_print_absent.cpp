// Without Qt Print Support 打印 keeps the spreadsheet road and there is no preview.
#include "app/qt/main_window.hpp"

namespace tarnelo {

void MainWindow::buildPrintControls() {}

FormOutcome MainWindow::printThroughDialog(Window& window, const sys::KeepWaiting& keepWaiting) {
    return computed_.run() ? printComputedForm(window, formContextOf(window), computedForm(),
                                               computed_.findings(), keepWaiting)
                           : printCommand(window, keepWaiting);
}

void MainWindow::showPrintPreview() {
    setStatus("本程序构建时没有带 Qt 打印组件，没有打印预览。");
}

} // namespace tarnelo
