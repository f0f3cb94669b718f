// The keys of the commands, as other desktop programs have them: F5 computes, Ctrl+O opens,
// Ctrl+S saves (over the measurement's own file), Ctrl+Shift+S saves as, Ctrl+P prints, Ctrl+E
// exports the form, F1 shows the guide, F10 opens the menu bar. Each key does what its button or
// menu entry does, and only when that is enabled; the buttons carry an underlined Alt key and every
// button and field a tooltip. A key first writes the cell being edited into the sheet, so 打印 and
// 导出Excel find outdated results outdated, and so does every command the window runs.
#include "app/qt/main_window.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>

namespace tarnelo {

namespace {

struct Key {
    std::string_view button;
    const char* keys;
};

constexpr Key kKeys[] = {
    {ctl::计算, "F5"},           {ctl::打开, "Ctrl+O"}, {ctl::保存, "Ctrl+S"},
    {ctl::保存, "Ctrl+Shift+S"}, {ctl::打印, "Ctrl+P"}, {ctl::导出Excel, "Ctrl+E"},
};

// The Alt key of each button, underlined in its caption. The modes' boxes have no room for one;
// arrow keys switch between them.
struct Mnemonic {
    std::string_view control;
    std::string_view caption;
};

constexpr Mnemonic kMnemonics[] = {
    {ctl::计算, "计算(&J)"},    {ctl::清空, "清空(&Q)"},         {ctl::打开, "打开(&O)"},
    {ctl::保存, "保存(&S)"},    {ctl::导出Excel, "导出&Excel"},  {ctl::打印, "打印(&P)"},
    {ctl::更多, "更多(&M)..."}, {ctl::保存系数, "设为默认(&D)"},
};

struct Tip {
    std::string_view control;
    std::string_view text;
};

constexpr Tip kTips[] = {
    {ctl::计算, "计算（F5）：计算各列与断面成果，并检查输入；可用 Ctrl+Z 撤销"},
    {ctl::清空, "清空表格、成果和制表数据，开始新的测次；未保存的输入会先询问"},
    {ctl::打开, "打开（Ctrl+O）：打开保存过的流速仪原始数据文件（.dat）"},
    {ctl::保存, "保存：把输入和制表数据存为原始数据文件（.dat）；Ctrl+S 直接存回本测次的文件，"
                "另存为 Ctrl+Shift+S；从数据库打开的测次存回数据库，成为它的新一版"},
    {ctl::打印, "打印（Ctrl+P）：打印流量记载表（计算后可用）"},
    {ctl::导出Excel, "导出Excel（Ctrl+E）：把流量记载表存为 Excel 工作簿（计算后可用）"},
    {ctl::更多, "制表数据：测站、施测时间、水位等记载表表头"},
    {ctl::保存系数, "把当前系数设为默认值，以后启动和清空时使用"},
    {ctl::垂线模式, "垂线模式：按测点输入信号数 N 和历时 T，由流速仪公式计算测点流速"},
    {ctl::测速模式, "测速模式：直接输入测点流速"},
    {ctl::水面系数编辑框, "水面系数：只测水面一点时，由水面流速推算垂线平均流速所乘的系数"},
    {ctl::岸边系数编辑框01, "左岸岸边系数：左岸岸边部分平均流速与相邻垂线平均流速之比"},
    {ctl::岸边系数编辑框02, "右岸岸边系数：右岸岸边部分平均流速与相邻垂线平均流速之比"},
    {ctl::信号转数编辑框, "信号转数：流速仪每发一次信号所转的圈数"},
    {ctl::计算公式编辑框01, "流速仪检定公式 V = K·N/T + C 中的系数 K"},
    {ctl::计算公式编辑框02, "流速仪检定公式 V = K·N/T + C 中的常数 C"},
    {ctl::编辑框当前操作数据, "当前测次的文件名：打开或保存后显示"},
};

} // namespace

void MainWindow::buildShortcuts() {
    for (const Key& key : kKeys) {
        auto* button = static_cast<QPushButton*>(control(key.button));
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.keys)), this);
        shortcut->setObjectName(qtext(key.button) + QStringLiteral("快捷键") +
                                (QString::fromLatin1(key.keys).contains(QLatin1String("Shift"))
                                     ? QStringLiteral("2")
                                     : QString()));
        shortcut->setContext(Qt::WindowShortcut);
        // Ctrl+S writes over the measurement's own file, as editors do; 另存为 and the button
        // ask where.
        const bool inPlace = key.button == ctl::保存 && std::string_view(key.keys) == "Ctrl+S";
        // 另存为 writes a file, also for a measurement of a store.
        const bool saveAs = key.button == ctl::保存 && std::string_view(key.keys) == "Ctrl+Shift+S";
        connect(shortcut, &QShortcut::activated, button, [this, button, inPlace, saveAs] {
            if (!button->isEnabled() || !button->isVisible()) {
                sayOutdated(utf8(button->objectName()));
                return;
            }
            if (inPlace) {
                saveToOwnFile();
            } else if (saveAs) {
                saveAsFile();
            } else {
                button->click();
            }
        });
    }
    for (const Mnemonic& mnemonic : kMnemonics) {
        if (auto* button = qobject_cast<QAbstractButton*>(control(mnemonic.control))) {
            button->setText(qtext(mnemonic.caption));
        }
    }
    for (const Tip& tip : kTips) {
        if (QWidget* widget = control(tip.control)) {
            widget->setToolTip(qtext(tip.text));
        }
    }
    for (const std::string_view result : ctl::kResultFields) {
        control(result)->setToolTip(QStringLiteral("由“计算”得出"));
    }
    // After the coefficients, Tab goes through the controls as they are read: top to bottom,
    // left to right.
    QWidget* previous = control(kCoefficientFields.back().control);
    for (const std::string_view name :
         {ctl::更多, ctl::保存系数, ctl::编辑框当前操作数据, ctl::垂线模式, ctl::测速模式,
          ctl::计算, ctl::清空, ctl::打开, ctl::保存, ctl::导出Excel, ctl::打印}) {
        if (QWidget* next = control(name)) {
            QWidget::setTabOrder(previous, next);
            previous = next;
        }
    }
    // F10 opens the menu bar at its first menu, as on other desktops; the arrow keys go on.
    auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menus->setObjectName(QStringLiteral("菜单快捷键"));
    menus->setContext(Qt::WindowShortcut);
    connect(menus, &QShortcut::activated, this, [this] {
        const QList<QAction*> titles = menuBar()->actions();
        if (!titles.isEmpty()) {
            menuBar()->setFocus(Qt::MenuBarFocusReason);
            menuBar()->setActiveAction(titles.constFirst());
        }
    });
    if (auto* guide = menuBar()->findChild<QAction*>(QStringLiteral("帮助"))) {
        guide->setShortcut(QKeySequence(Qt::Key_F1));
        guide->setShortcutContext(Qt::WindowShortcut);
    }
    // A key command reaches its shortcut, button or menu while the cell editor keeps the focus;
    // a menu opened by the mouse takes no focus from it either.
    QCoreApplication::instance()->installEventFilter(this);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, this, [this] { settleEdit(); });
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && grid_ != nullptr && grid_->editing() &&
        isActiveWindow()) {
        settleEdit();
        // A button's Alt key: the button may have just been disabled by outdated results.
        if (auto* button = qobject_cast<QAbstractButton*>(watched);
            button != nullptr && !button->isEnabled()) {
            sayOutdated(utf8(button->objectName()));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::run(const std::function<void(Window&)>& command) {
    grid_->commitPendingEdit();
    commitCoefficients();
    model_->beginBatch();
    if (commandDepth_ == 0) {
        waitClock_.invalidate();
        waitShown_ = -1;
    }
    ++commandDepth_;
    try {
        command(*this);
    } catch (const std::exception& error) {
        model_->endBatch();
        --commandDepth_;
        showMessage(std::string("操作没有完成：") + error.what(), "提示：", MessageIcon::Warning);
        refreshStale();
        return;
    }
    model_->endBatch();
    --commandDepth_;
    refreshStale();
    if (commandDepth_ == 0 && closeRequested_) {
        // The window was closed while the command ran: close it now that it is done.
        closeRequested_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool MainWindow::keepWaiting(const std::string& subject) {
    if (!waitClock_.isValid()) {
        waitClock_.start();
    }
    const qint64 seconds = waitClock_.elapsed() / 1000;
    if (seconds != waitShown_) {
        waitShown_ = seconds;
        setStatus("正在等待 " +
                  (subject.empty() ? std::string("LibreOffice 生成打印页面") : subject) + "…（" +
                  std::to_string(seconds) + " 秒）");
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (closeRequested_) {
        waitClock_.invalidate();
        return false;
    }
    return true;
}

void MainWindow::settleEdit() {
    grid_->commitPendingEdit();
    commitCoefficients();
    refreshStale();
}

bool MainWindow::settledFor(std::string_view button) {
    settleEdit();
    if (isEnabled(button)) {
        return true;
    }
    sayOutdated(button);
    return false;
}

void MainWindow::sayOutdated(std::string_view button) {
    const bool print = button == ctl::打印;
    if ((!print && button != ctl::导出Excel) || !computed_.stale(*this)) {
        return;
    }
    setStatus(print ? "计算后输入已修改，记载表没有打印：请重新计算（F5）后再打印。"
                    : "计算后输入已修改，记载表没有导出：请重新计算（F5）后再导出。");
}

} // namespace tarnelo
