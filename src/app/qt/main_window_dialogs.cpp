// The main window's dialogs: file dialogs, message boxes and questions, the record-header
// dialog, the browser, the pause that keeps painting, and the question on closing.
#include "app/qt/main_window.hpp"

#include "app/file_commands.hpp"
#include "app/proposed_names.hpp"
#include "app/qt/file_dialog.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/record_header_dialog.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/qt/station_table_dialog.hpp"
#include "app/qt/store_dialog.hpp"
#include "app/shell.hpp"
#include "files/file_access.hpp"
#include "files/record_header.hpp"
#include "window/window_gauging.hpp"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace tarnelo {

QWidget* MainWindow::boxParent() {
    // A box asked from the station table or the relation belongs to that window: answering it
    // must not bring the main window over the window the user works in.
    QWidget* active = QApplication::activeWindow();
    if (active == nullptr || active == this || (active->windowType() == Qt::Popup)) {
        return this;
    }
    for (const QWidget* up = active->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (up == this) {
            return active;
        }
    }
    return this;
}

FileChoice MainWindow::chooseFile(const FileDialogSpec& dialog,
                                  const std::filesystem::path& initialFolder) {
    Choice& choice = choices_[std::string(dialog.name)];
    // The measurement's own file is proposed to 保存, in its folder when that can be written.
    const std::filesystem::path& currentFile = document_.file();
    const bool ownFile = dialog.name == ctl::通用对话框保存 && !currentFile.empty();
    std::filesystem::path folder = initialFolder;
    // A caller may propose a name of its own: the path names a file, not a folder.
    std::filesystem::path named;
    std::error_code error;
    if (dialog.save && !initialFolder.empty() && initialFolder.has_extension() &&
        !std::filesystem::is_directory(initialFolder, error)) {
        folder = initialFolder.parent_path();
        named = initialFolder.filename();
    }
    if (ownFile && savingFolder(currentFile.parent_path())) {
        folder = currentFile.parent_path();
    }
    if (ownFile) {
        // Cancelled, the dialog keeps the name it proposed.
        choice.path = folder / currentFile.filename();
    }
    // Otherwise a measurement is proposed under its station and number (or date), or the
    // dialog keeps the name last chosen; a measurement with neither gets a fresh name.
    const std::string proposed =
        dialog.save ? proposedFileName(document_.header().lines(), dialog.defaultSuffix)
                    : std::string();
    std::filesystem::path name = ownFile            ? currentFile.filename()
                                 : !named.empty()   ? named
                                 : proposed.empty() ? choice.path.filename()
                                                    : toPath(qtext(proposed));
    if (name.empty() && dialog.name == ctl::通用对话框保存) {
        name = toPath(qtext(freshFileName(folder, dialog.defaultSuffix)));
    }
    std::optional<std::filesystem::path> chosen;
    if (answerer_.file) {
        chosen = answerer_.file(dialog, name.empty() ? folder : folder / name);
    } else {
        chosen = showFileDialog(boxParent(), dialog, folder, name);
    }
    if (chosen) {
        choice.path = *chosen;
        return {true, choice.path};
    }
    return {false, choice.path};
}

namespace {

// The commands title their boxes "提示：" or "信息："; the window shows its own name instead.
// Titles that say what the box holds (声明：) stay.
std::string_view shownTitle(std::string_view title) {
    return title == "提示：" || title == "信息：" || title.empty() ? kBoxTitle : title;
}

// A service's own words in brackets ("（Unable to connect）") are no text for the user: they
// go behind 显示详细信息, with the whole text.
std::string withoutForeignWords(std::string_view text) {
    return rewriteBrackets(text, [](std::string_view inside) {
        const bool ascii = std::all_of(inside.begin(), inside.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        // Words, not a path or a file name.
        const bool words = inside.find(' ') != std::string_view::npos &&
                           inside.find_first_of("/\\") == std::string_view::npos &&
                           std::any_of(inside.begin(), inside.end(), [](char c) {
                               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
                           });
        return !ascii || !words ? "（" + std::string(inside) + "）" : std::string();
    });
}

} // namespace

void MainWindow::showMessage(std::string_view text, std::string_view commandTitle,
                             MessageIcon icon) {
    const std::string_view title = shownTitle(commandTitle);
    if (answerer_.message) {
        answerer_.message(std::string(text), std::string(title), icon);
        return;
    }
    const BusyCursor::Paused arrow;
    QMessageBox box(boxParent());
    box.setWindowTitle(qtext(title));
    // A message that quotes a whole file's worth of text is cut, and a service's English words
    // are left out; the full text stays one click away.
    const std::string shown = readableMessage(withoutForeignWords(text));
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

bool MainWindow::ask(std::string_view text, std::string_view commandTitle) {
    const std::string_view title = shownTitle(commandTitle);
    if (answerer_.question) {
        return answerer_.question(std::string(text), std::string(title));
    }
    const BusyCursor::Paused arrow;
    QMessageBox box(boxParent());
    box.setWindowTitle(qtext(title));
    const std::string shown = readableMessage(text);
    box.setText(qtext(shown));
    if (shown.size() != text.size()) {
        box.setDetailedText(qtext(text));
    }
    box.setIcon(QMessageBox::Question);
    QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

int MainWindow::stationClass() const {
    const int chosen = settings_->value(QLatin1String(kStationClassSetting), 2).toInt();
    return chosen >= 1 && chosen <= 3 ? chosen : 2;
}

ThreePointRule MainWindow::threePointRule() const {
    return threePointSetting(*settings_);
}

void MainWindow::buildThreePointMenu(QMenu* menu) {
    QMenu* rule = menu->addMenu(QStringLiteral("三点法(&3)"));
    rule->setObjectName(QStringLiteral("三点法"));
    auto* rules = new QActionGroup(rule);
    const ThreePointRule chosen = threePointRule();
    const auto add = [&](const char* name, const QString& text, ThreePointRule value) {
        QAction* action = rule->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        action->setCheckable(true);
        action->setChecked(chosen == value);
        rules->addAction(action);
        connect(action, &QAction::triggered, this, [this, value] {
            settings_->setValue(QLatin1String(kThreePointSetting), value == ThreePointRule::Iso748
                                                                       ? QStringLiteral("4")
                                                                       : QStringLiteral("3"));
            // Figures computed by the other rule no longer stand.
            document_.setThreePointRule(value);
            refreshStale();
        });
    };
    add("三点法平均", QStringLiteral("(V0.2+V0.6+V0.8)/3（默认）"), ThreePointRule::Equal);
    add("三点法ISO748", QStringLiteral("(V0.2+2V0.6+V0.8)/4（ISO 748）"), ThreePointRule::Iso748);
}

std::optional<std::string> MainWindow::askText(std::string_view prompt,
                                               std::string_view commandTitle) {
    const std::string_view title = shownTitle(commandTitle);
    if (answerer_.text) {
        return answerer_.text(std::string(prompt), std::string(title));
    }
    QInputDialog box(boxParent());
    box.setWindowTitle(qtext(title));
    box.setLabelText(qtext(prompt));
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(QStringLiteral("确定"));
    box.setCancelButtonText(QStringLiteral("取消"));
    if (box.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return utf8(box.textValue());
}

std::string MainWindow::recordHeader() const {
    // 更多 takes only values a file can carry.
    return document_.header().bytes().value_or(std::string(kDefaultRecordHeader));
}

void MainWindow::setRecordHeader(std::string_view headerPart) {
    document_.replaceHeader(MeasurementHeader::fromBytes(headerPart));
}

void MainWindow::openRecordHeaderDialog() {
    RecordHeaderDialog dialog(document_.header().lines(), text(ctl::计算公式编辑框01),
                              text(ctl::计算公式编辑框02), currentLocalDateTime(), this,
                              !headerFromFile_);
    dialog.setPalette(palette());
    dialog.setFont(font());
    dialog.reportProblem = [this](const std::string& problem) {
        showMessage(problem, "提示：", MessageIcon::Warning);
    };
    // Proposals (the time, the formula) taken by 返回 with nothing typed leave saved input
    // saved.
    const bool wasSaved = !unsaved();
    if (answerer_.modal) {
        dialog.show();
        answerer_.modal(dialog);
        if (dialog.isVisible()) {
            dialog.reject();
        }
    } else {
        dialog.exec();
    }
    if (dialog.result() == QDialog::Accepted) {
        document_.setHeader(HeaderFields::fromValues(dialog.values()));
    }
    if (wasSaved && !dialog.edited()) {
        document_.markUnchanged();
    }
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

void MainWindow::showFromFirstRow() {
    if (model_->rowCount() > 0) {
        grid_->setCurrentIndex(model_->index(0, col::起点距));
    }
    grid_->scrollToTop();
    grid_->horizontalScrollBar()->setValue(0);
}

bool MainWindow::saveMeasurement() {
    // A measurement of a store goes back into it as the next revision of its gauging.
    return document_.stored() ? saveToItsStore() : saveAsFile();
}

bool MainWindow::saveAsFile() {
    SaveOutcome saved;
    run([&saved](Window& window) { saved = saveCommand(window); });
    if (saved.status != SaveOutcome::Status::Saved) {
        return false;
    }
    takeAsSaved(saved.file);
    fileIsOwn_ = true;
    setStatus("已保存：" + utf8(qpath(saved.file)));
    return true;
}

std::filesystem::path MainWindow::ownFileToSave() const {
    std::error_code error;
    const std::filesystem::path& file = document_.file();
    if (!fileIsOwn_ || file.empty() || !std::filesystem::is_regular_file(file, error) ||
        !savingFolder(file.parent_path()) || !mayWrite(file)) {
        return {};
    }
    return file;
}

bool MainWindow::saveToOwnFile() {
    const std::filesystem::path own = ownFileToSave();
    if (own.empty()) {
        return saveMeasurement();
    }
    SaveOutcome saved;
    run([&](Window& window) { saved = saveInPlace(window, own); });
    if (saved.status != SaveOutcome::Status::Saved) {
        return false;
    }
    takeAsSaved(own);
    setStatus("已保存：" + utf8(qpath(own)));
    return true;
}

std::string MainWindow::unsavedQuestion(std::string_view before) const {
    const std::string name = text(ctl::编辑框当前操作数据);
    return "当前的测量数据" + (name.empty() ? std::string() : "“" + name + "”") +
           "（含制表数据）还没有保存，" + std::string(before) + "是否保存？";
}

bool MainWindow::unsaved() {
    commitCoefficients();
    return !document_.saved();
}

void MainWindow::takeAsSaved(const std::filesystem::path& file) {
    commitCoefficients();
    document_.markSaved(file);
}

void MainWindow::startOver(const std::filesystem::path& file) {
    Gauging input = gaugingOf(*this);
    document_.setThreePointRule(threePointRule());
    document_.open(std::move(input), document_.header(), file);
}

MainWindow::CloseChoice MainWindow::askSaving(const std::string& question) {
    if (answerer_.closing) {
        return answerer_.closing(question);
    }
    if (answerer_.question) {
        return answerer_.question(question, std::string(kBoxTitle)) ? CloseChoice::Discard
                                                                    : CloseChoice::Cancel;
    }
    QMessageBox box(this);
    box.setWindowTitle(qtext(kBoxTitle));
    box.setText(qtext(question));
    box.setIcon(QMessageBox::Question);
    QPushButton* save = box.addButton(QStringLiteral("保存(&S)"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("不保存(&N)"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) {
        return CloseChoice::Save;
    }
    return box.clickedButton() == discard ? CloseChoice::Discard : CloseChoice::Cancel;
}

bool MainWindow::mayDropInput(std::string_view before) {
    grid_->commitPendingEdit();
    if (!unsaved()) {
        return true;
    }
    switch (askSaving(unsavedQuestion(before))) {
    case CloseChoice::Save:
        // Goes on only when the measurement is safe in its file.
        return saveMeasurement();
    case CloseChoice::Discard:
        return true;
    case CloseChoice::Cancel:
        break;
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (commandDepth_ > 0) {
        // A command (a print waiting for its renderer) is still running: it is told to give up
        // and the window closes when it has.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    waitClock_.invalidate();
    grid_->commitPendingEdit();
    // Closes only when nothing is lost: saved, given up, or nothing to save.
    const bool close = mayDropInput("退出前");
    if (close) {
        saveWindowSize();
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::keepDefaultCoefficients() {
    for (std::size_t i = 0; i < kCoefficientCount; ++i) {
        defaultCoefficients_[i] = text(kCoefficientFields[i].control);
    }
}

void MainWindow::clearMeasurement() {
    if (!mayDropInput("清空前")) {
        return;
    }
    run([this](Window&) {
        // A new measurement in the mode at hand: every row empty, the header blank, and after
        // an opened file the coefficients the user's own again. The sheet, the fields and the
        // results follow the document.
        Gauging blank = document_.gauging();
        for (GaugingRow& row : blank.rows) {
            row = {};
        }
        if (headerFromFile_) {
            blank.coefficients = defaultCoefficients_;
        }
        setText(ctl::编辑框当前操作数据, "");
        document_.open(std::move(blank), MeasurementHeader::fromBytes(kDefaultRecordHeader), {});
    });
    headerFromFile_ = false;
    // A new measurement: 保存 proposes a fresh name, never the last file's.
    fileIsOwn_ = false;
    choices_.erase(std::string(ctl::通用对话框保存));
    velocitiesComputed_ = false;
    forgetComputation();
}

void MainWindow::afterOpened(const std::filesystem::path& file, const OpenResult& opened) {
    forgetComputation();
    headerFromFile_ = true;
    startOver(file);
    // A file read only in part, or converted, is not what 保存 would write back.
    fileIsOwn_ = opened.outcome == OpenOutcome::Opened && !opened.converted;
    velocitiesComputed_ = false;
    showFromFirstRow();
}

std::string MainWindow::unfinishedStatus(std::string_view action, const FormOutcome& outcome) {
    // What a wait or an earlier command left on the status bar is no longer true.
    if (outcome.status == FormOutcome::Status::Cancelled) {
        return "已取消" + std::string(action) + "。";
    }
    std::string reason = outcome.message;
    if (const std::size_t line = reason.find('\n'); line != std::string::npos) {
        reason.resize(line);
    }
    return std::string(action) + "没有完成" + (reason.empty() ? "。" : "：" + reason);
}

} // namespace tarnelo
