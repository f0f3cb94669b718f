// A file handed over by a second start of the program.
#include "app/qt/main_window.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_view.hpp"

#include <QApplication>
#include <QTimer>

namespace tarnelo {

namespace {

constexpr int kRetryMs = 300;

} // namespace

OpenResult MainWindow::openFile(const std::filesystem::path& file) {
    OpenResult opened;
    run([&](Window& window) { opened = openRawDataFile(window, file); });
    if (opened.outcome == OpenOutcome::Opened || opened.outcome == OpenOutcome::Incomplete) {
        afterOpened(file, opened);
    }
    return opened;
}

void MainWindow::openHandedOver(const std::filesystem::path& file) {
    if (commandDepth_ > 0 || QApplication::activeModalWidget() != nullptr) {
        // A command or a dialog is open: the file waits until it has ended.
        QTimer::singleShot(kRetryMs, this, [this, file] { openHandedOver(file); });
        return;
    }
    if (!mayDropInput("打开“" + utf8(qpath(file.filename())) + "”前")) {
        return;
    }
    if (const OpenResult opened = openFile(file); opened.outcome == OpenOutcome::NotOpened) {
        setStatus(opened.message);
    }
}

} // namespace tarnelo
