// The main window's dialogs: file dialogs, message boxes and questions, the record-header
// dialog, the browser and the pause that keeps painting.
#include "app/qt/main_window.hpp"

#include "app/proposed_names.hpp"
#include "app/qt/file_dialog.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/record_header_dialog.hpp"
#include "files/record_header.hpp"

#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace tarnelo {

FileChoice MainWindow::chooseFile(const FileDialogSpec& dialog,
                                  const std::filesystem::path& initialFolder) {
    Choice& choice = choices_[std::string(dialog.name)];
    std::optional<std::filesystem::path> chosen;
    if (answerer_.file) {
        chosen = answerer_.file(dialog, initialFolder);
    } else {
        // A measurement is proposed under its station and number (or date); otherwise the
        // dialog keeps the name last chosen.
        const std::string proposed =
            dialog.save ? proposedFileName(loadRecordHeader(programFolder_), dialog.defaultSuffix)
                        : std::string();
        chosen =
            showFileDialog(this, dialog, initialFolder,
                           proposed.empty() ? choice.path.filename() : toPath(qtext(proposed)));
    }
    if (chosen) {
        choice.path = *chosen;
        return {true, choice.path};
    }
    return {false, choice.path};
}

void MainWindow::showMessage(std::string_view text, std::string_view title, MessageIcon icon) {
    if (answerer_.message) {
        answerer_.message(std::string(text), std::string(title), icon);
        return;
    }
    QMessageBox box(this);
    box.setWindowTitle(qtext(title));
    // A message that quotes a whole file's worth of text is cut; the full text stays one
    // click away.
    const std::string shown = readableMessage(text);
    box.setText(qtext(shown));
    if (shown.size() != text.size()) {
        box.setDetailedText(qtext(text));
    }
    box.setIcon(icon == MessageIcon::Warning       ? QMessageBox::Warning
                : icon == MessageIcon::Information ? QMessageBox::Information
                                                   : QMessageBox::NoIcon);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
}

bool MainWindow::ask(std::string_view text, std::string_view title) {
    if (answerer_.question) {
        return answerer_.question(std::string(text), std::string(title));
    }
    QMessageBox box(this);
    box.setWindowTitle(qtext(title));
    const std::string shown = readableMessage(text);
    box.setText(qtext(shown));
    if (shown.size() != text.size()) {
        box.setDetailedText(qtext(text));
    }
    box.setIcon(QMessageBox::Question);
    QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MainWindow::openRecordHeaderDialog() {
    RecordHeaderDialog dialog(programFolder_, text(ctl::计算公式编辑框01),
                              text(ctl::计算公式编辑框02), currentLocalDateTime(), this);
    dialog.setPalette(palette());
    dialog.setFont(font());
    dialog.reportProblem = [this](const std::string& problem) {
        showMessage(problem, "提示：", MessageIcon::Warning);
    };
    if (answerer_.modal) {
        dialog.show();
        answerer_.modal(dialog);
        if (dialog.isVisible()) {
            dialog.reject();
        }
        return;
    }
    dialog.exec();
}

void MainWindow::openUrl(std::string_view address) {
    const QString text = qtext(address);
    const QUrl url = QUrl::fromUserInput(text, qpath(programFolder_), QUrl::AssumeLocalFile);
    if (answerer_.url) {
        answerer_.url(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

void MainWindow::pause(int milliseconds) {
    // The window keeps painting, but takes no input until the wait is over.
    QEventLoop loop;
    QTimer::singleShot(std::max(milliseconds, 0), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tarnelo
