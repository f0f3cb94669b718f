// A gauging typed and corrected the way a station's staff work: computing and switching the mode
// are undone like any edit, questions before input is dropped offer 保存/不保存/取消, and
// figures that no longer fit the sheet say so.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/file_dialog.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_view.hpp"

#include <QItemSelectionModel>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

std::filesystem::path example(const char* name) {
    return std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / name;
}

// Every cell of the sheet, to compare before and after.
std::vector<Sheet::Row> cells(const MainWindow& w) {
    std::vector<Sheet::Row> rows;
    for (int r = 0; r < w.sheet().rowCount(); ++r) {
        rows.push_back(w.sheet().row(r));
    }
    return rows;
}

} // namespace

class DailyUseTest : public QObject {
    Q_OBJECT

  private slots:
    void computeAndModeSwitchAreUndoSteps();
    void questionsNameTheFileAndLoseNothing();
    void staleFiguresAndUnfinishedCommandsSaySo();
    void typedNumbersShowWhole();
    void saveDialogsDoNotOfferTheExamples();
    void aServicesOwnWordsGoBehindTheDetails();
};

void DailyUseTest::computeAndModeSwitchAreUndoSteps() {
    Harness h;
    MainWindow& w = h.make();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    h.files.push_back(example("vertical-25-verticals.dat"));
    h.click(ctl::打开);
    QVERIFY(w.isSelected(ctl::垂线模式));
    const auto opened = cells(w);

    // Computed, then undone: the computed columns and the results are empty again.
    h.click(ctl::计算);
    const std::string discharge = w.text(ctl::断面流量);
    QVERIFY(!discharge.empty());
    const auto computed = cells(w);
    QVERIFY(computed != opened);
    w.grid().setFocus();
    QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cells(w), opened);
    QVERIFY(w.text(ctl::断面流量).empty());
    QVERIFY(!w.computedState().computed());
    QCOMPARE(w.document().computation(), nullptr);
    QVERIFY(!w.isEnabled(ctl::导出Excel));
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：计算"));
    // What the computation wrote is no selection: the cursor stays where it was.
    QVERIFY(w.grid().selectionModel()->selectedIndexes().size() <= 1);
    QCOMPARE(w.document().redoName(), edits::kCompute);
    // Redone without running again: the same figures, current and exportable.
    QTest::keyClick(&w.grid(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(cells(w), computed);
    QCOMPARE(w.text(ctl::断面流量), discharge);
    QVERIFY(w.computedState().computed());
    QVERIFY(!w.computedState().stale(w));
    QVERIFY(w.document().current());
    QCOMPARE(w.computedState().run(), w.document().lastRun());
    QVERIFY(w.isEnabled(ctl::导出Excel));

    // Switching to 测速模式 and computing erases N and T after a question; both steps undo,
    // with the focus on a button, where the sheet's keys did nothing before.
    h.click(ctl::测速模式);
    QVERIFY(w.sheet().isReadOnly(col::N));
    h.answers.push_back(true);
    h.click(ctl::计算);
    QVERIFY(!h.questions.empty());
    QVERIFY(w.sheet().cell(0, col::N).empty() || w.sheet().cell(1, col::N).empty());
    auto* button = h.find<QPushButton>(ctl::计算);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：计算"));
    QVERIFY(w.isSelected(ctl::测速模式));
    QCOMPARE(w.text(ctl::断面流量), discharge);
    // The figures of 垂线模式 stand, outdated under the other mode.
    QVERIFY(w.computedState().stale(w));
    QVERIFY(!w.document().current());
    QCOMPARE(w.document().gauging().mode, EntryMode::Velocity);
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：切换模式"));
    QVERIFY(w.isSelected(ctl::垂线模式));
    QCOMPARE(w.document().gauging().mode, EntryMode::Vertical);
    QVERIFY(!w.sheet().isReadOnly(col::N));
    QCOMPARE(cells(w), computed);
    QVERIFY(!w.computedState().stale(w));
    QVERIFY(w.isEnabled(ctl::打印));
    // Back to the opened file, then nothing more to take back.
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cells(w), opened);
    QVERIFY(w.document().saved());
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("没有可以撤销的操作。"));
    // A coefficient field keeps Ctrl+Z for its own text.
    auto* coefficient = h.find<QLineEdit>(kCoefficientFields[0].control);
    const QString was = coefficient->text();
    typeIntoBox(coefficient, QStringLiteral("0.7"));
    QTest::keyClick(coefficient, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(coefficient->text() != QStringLiteral("0.7"));
    QCOMPARE(cells(w), opened);
    static_cast<void>(was);
}

void DailyUseTest::questionsNameTheFileAndLoseNothing() {
    Harness h;
    MainWindow& w = h.make();
    std::vector<std::string> asked;
    std::deque<MainWindow::CloseChoice> choices;
    MainWindow::Answerer answerer;
    answerer.message = [&h](const std::string& text, const std::string& title, MessageIcon icon) {
        h.messages.push_back({text, title, icon});
    };
    answerer.question = [&h](const std::string& text, const std::string& title) {
        h.questions.push_back({text, title, MessageIcon::None});
        return true;
    };
    answerer.file = [&h](const FileDialogSpec& dialog, const std::filesystem::path& start) {
        h.dialogs.push_back({std::string(dialog.name), start});
        std::optional<std::filesystem::path> chosen;
        if (!h.files.empty()) {
            chosen = h.files.front();
            h.files.pop_front();
        }
        return chosen;
    };
    answerer.modal = [&h](QDialog& dialog) {
        if (h.onDialog) {
            h.onDialog(dialog);
        }
    };
    answerer.closing = [&](const std::string& text) {
        asked.push_back(text);
        const MainWindow::CloseChoice choice = choices.front();
        choices.pop_front();
        return choice;
    };
    w.setAnswerer(answerer);
    // The user's own meter constant, kept as the default.
    typeIntoBox(h.find<QLineEdit>(ctl::计算公式编辑框01), QStringLiteral("0.7012"));
    h.click(ctl::保存系数);
    const std::string defaultK = "0.7012";

    // A file of our own, opened: 保存 proposes it, in its folder.
    const auto own = h.folder / "Text data" / paths::fromUtf8("第58次.dat");
    std::filesystem::copy_file(example("vertical-25-verticals.dat"), own);
    h.files.push_back(own);
    choices = {MainWindow::CloseChoice::Discard};
    h.click(ctl::打开);
    QCOMPARE(asked.size(), std::size_t(1));
    asked.clear();
    QVERIFY(w.text(ctl::计算公式编辑框01) != defaultK);
    QCOMPARE(w.document().file(), own);
    QVERIFY(w.document().saved());
    h.click(ctl::保存);
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框保存));
    QCOMPARE(h.dialogs.back().second, own);

    // 更多… and 返回 with nothing typed leave the input saved.
    h.onDialog = [](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("制表完成"))->click();
    };
    h.click(ctl::更多);
    QVERIFY(w.close());
    QVERIFY(asked.empty());
    w.show();

    // After 计算, N and T of a vertical emptied: its velocity was computed, nobody is asked.
    h.click(ctl::计算);
    typeIntoCell(&w.grid(), 3, col::N, QString());
    typeIntoCell(&w.grid(), 3, col::T, QString());
    h.click(ctl::计算);
    QVERIFY(h.questions.empty());

    // 清空 with unsaved input: 取消 keeps everything; 保存 saves, then clears.
    choices = {MainWindow::CloseChoice::Cancel, MainWindow::CloseChoice::Save};
    h.click(ctl::清空);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(
        QString::fromStdString(asked[0]),
        QStringLiteral("当前的测量数据“第58次.dat”（含制表数据）还没有保存，清空前是否保存？"));
    QVERIFY(!w.text(ctl::断面流量).empty());
    const auto copy = h.folder / "Text data" / paths::fromUtf8("第58次 改.dat");
    h.files.push_back(copy);
    h.click(ctl::清空);
    QCOMPARE(asked.size(), std::size_t(2));
    QVERIFY(std::filesystem::exists(copy));
    QVERIFY(w.text(ctl::断面流量).empty());
    QVERIFY(w.document().isNew());
    QVERIFY(w.document().header() == MeasurementHeader());
    QVERIFY(w.sheet().cell(0, col::起点距).empty());
    // The opened file's meter constants go with it: the user's own are back.
    QCOMPARE(w.text(ctl::计算公式编辑框01), defaultK);

    // 打开 over unsaved input: 不保存 opens.
    typeIntoCell(&w.grid(), 0, col::起点距, QStringLiteral("1"));
    choices = {MainWindow::CloseChoice::Discard};
    h.files.push_back(example("vertical-two-point.dat"));
    h.click(ctl::打开);
    QCOMPARE(asked.size(), std::size_t(3));
    QVERIFY(asked[2].find("打开另一个文件前") != std::string::npos);
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("vertical-two-point.dat"));
    // A cancelled 保存 keeps the measurement's name.
    h.click(ctl::保存);
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("vertical-two-point.dat"));
    QCOMPARE(w.document().file(), example("vertical-two-point.dat"));
}

void DailyUseTest::staleFiguresAndUnfinishedCommandsSaySo() {
    Harness h;
    MainWindow& w = h.make();
    auto* findings = w.findChild<QListWidget*>(QStringLiteral("问题"));
    w.showFindings();
    QCOMPARE(findings->count(), 1);
    QVERIFY(findings->item(0)->text().startsWith(QStringLiteral("尚未计算")));
    w.findingsDialog().close();

    h.files.push_back(example("vertical-25-verticals.dat"));
    h.click(ctl::打开);
    h.click(ctl::计算);
    auto* uncertainty = w.statusBar()->findChild<QLabel*>(QStringLiteral("不确定度"));
    QVERIFY(uncertainty->isVisible());
    QVERIFY(uncertainty->text().startsWith(QStringLiteral("Q = ")));
    QVERIFY(!uncertainty->text().contains(QStringLiteral("已过时")));
    // The whole Q ± figure stays inside the status bar.
    QVERIFY(uncertainty->geometry().right() <= w.statusBar()->width());
    w.findChild<QAction*>(QStringLiteral("不确定度菜单"))->trigger();
    auto* view = w.findChild<QDialog*>(QStringLiteral("不确定度"));
    QVERIFY(view == nullptr || !view->property("stale").toBool());

    // A row inserted among the verticals: every view of the figures says they are outdated.
    w.grid().setCurrentIndex(w.sheetModel().index(5, col::起点距));
    w.grid().setFocus();
    QTest::keyClick(&w.grid(), Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.sheet().cell(5, col::起点距), std::string());
    QVERIFY(uncertainty->text().endsWith(QStringLiteral("（已过时）")));
    QCOMPARE(uncertainty->property("stale").toBool(), true);
    const auto views = w.findChildren<QDialog*>();
    bool viewSaysStale = false;
    for (QDialog* dialog : views) {
        viewSaysStale = viewSaysStale || dialog->property("stale").toBool();
    }
    QVERIFY(viewSaysStale);
    QVERIFY(!w.text(ctl::状态条1).empty());
    w.showFindings();
    QCOMPARE(findings->count(), 1);
    QVERIFY(findings->item(0)->text().contains(QStringLiteral("请重新计算")));
    w.findingsDialog().close();
    // Undone, the figures are current again.
    QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!uncertainty->text().contains(QStringLiteral("已过时")));

    // With findings beside it, the whole Q ± figure stays inside the status bar.
    h.files.push_back(example("velocity-five-point.dat"));
    h.click(ctl::打开);
    h.click(ctl::计算);
    auto* findingsButton = w.statusBar()->findChild<QPushButton*>(QStringLiteral("问题按钮"));
    QVERIFY(findingsButton->isVisible());
    QVERIFY(uncertainty->isVisible());
    QVERIFY2(uncertainty->geometry().right() < w.statusBar()->width() &&
                 uncertainty->width() >= uncertainty->sizeHint().width(),
             qPrintable(uncertainty->text()));
    saveScreenshot(w, "main-window-findings-status.png");
    // Rows moved under the findings: they go, and the list says why it is empty.
    w.grid().setCurrentIndex(w.sheetModel().index(2, col::起点距));
    w.grid().setFocus();
    QTest::keyClick(&w.grid(), Qt::Key_Minus, Qt::ControlModifier);
    QVERIFY(!findingsButton->isVisible());
    w.showFindings();
    QCOMPARE(findings->count(), 1);
    QVERIFY(findings->item(0)->text().contains(QStringLiteral("已清除")));
    w.findingsDialog().close();

    // A print that failed after a wait leaves no "正在等待" behind.
    QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    h.click(ctl::计算);
    QVERIFY(w.isEnabled(ctl::打印));
    w.printAction = [](Window& window, const sys::KeepWaiting&) {
        window.setStatus("正在等待 LibreOffice…（0 秒）");
        FormOutcome outcome;
        outcome.status = FormOutcome::Status::Failed;
        outcome.message = "打印机没有响应。\n请检查打印机。";
        return outcome;
    };
    h.click(ctl::打印);
    QCOMPARE(w.text(ctl::状态条1), std::string("打印没有完成：打印机没有响应。"));
}

void DailyUseTest::typedNumbersShowWhole() {
    Harness h;
    MainWindow& w = h.make();
    // Depths and distances as field books have them fit their columns at the default width.
    for (const auto& [column, text] :
         {std::pair{col::水深, "12.21"}, std::pair{col::起点距, "1234.5"},
          std::pair{col::T, "112.5"}}) {
        const int room = w.grid().columnWidth(column) - 2;
        const QFont font = fittingFont(w.grid().font(), QString::fromLatin1(text), room);
        QVERIFY2(QFontMetrics(font).horizontalAdvance(QString::fromLatin1(text)) <= room, text);
    }
}

void DailyUseTest::saveDialogsDoNotOfferTheExamples() {
    // The bundled examples beside the program are a place to open from, never to save into.
    const QString examples = QCoreApplication::applicationDirPath() + QStringLiteral("/examples");
    if (!QDir(examples).exists()) {
        QSKIP("no examples beside the test program");
    }
    QTemporaryDir own;
    QVERIFY(!savingFolder(toPath(examples)));
    QVERIFY(savingFolder(toPath(own.path())));
    QFileDialog box;
    box.setOption(QFileDialog::DontUseNativeDialog, true);
    box.setSidebarUrls({QUrl::fromLocalFile(own.path()), QUrl::fromLocalFile(examples)});
    withoutExamples(box);
    QCOMPARE(box.sidebarUrls(), QList<QUrl>{QUrl::fromLocalFile(own.path())});
}

int runDailyUseTests(int argc, char** argv) {
    DailyUseTest test;
    return QTest::qExec(&test, argc, argv);
}

// A message box: English words of a service in brackets go behind 显示详细信息; a Chinese
// bracket, a path and an unclosed bracket stay where they are.
void DailyUseTest::aServicesOwnWordsGoBehindTheDetails() {
    Harness h;
    MainWindow& w = h.make();
    w.setAnswerer({});
    QString shown;
    QString details;
    QTimer::singleShot(50, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        shown = box->text();
        details = box->detailedText();
        box->accept();
    });
    const std::string text = "无法连接打印服务（Unable to connect）：请检查（打印机）与"
                             "（/tmp/a b.pdf）（未闭合";
    w.showMessage(text, "打印", MessageIcon::Warning);
    QCOMPARE(shown, QStringLiteral("无法连接打印服务：请检查（打印机）与（/tmp/a b.pdf）（未闭合"));
    QCOMPARE(details, qs(text));
}

#include "daily_use_test.moc"
