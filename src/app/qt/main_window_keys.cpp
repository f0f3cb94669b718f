// The keys of the commands, as other desktop programs have them: F5 computes, Ctrl+O opens,
// Ctrl+S saves, Ctrl+P prints, Ctrl+E exports the form, F1 shows the guide. Each key does what
// its button or menu entry does, and only when that is enabled; the buttons' tooltips name it.
#include "app/qt/main_window.hpp"

#include <QAction>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace tarnelo {

void MainWindow::buildShortcuts() {
    struct Key {
        std::string_view button;
        const char* keys;
        const char* tip;
    };
    static constexpr Key kKeys[] = {
        {ctl::计算, "F5", "计算（F5）"},
        {ctl::打开, "Ctrl+O", "打开（Ctrl+O）"},
        {ctl::保存, "Ctrl+S", "保存（Ctrl+S）"},
        {ctl::打印, "Ctrl+P", "打印（Ctrl+P）"},
        {ctl::导出Excel, "Ctrl+E", "导出Excel（Ctrl+E）"},
    };
    for (const Key& key : kKeys) {
        auto* button = static_cast<QPushButton*>(control(key.button));
        button->setToolTip(QString::fromUtf8(key.tip));
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.keys)), this);
        shortcut->setObjectName(QString::fromUtf8(key.button.data(), key.button.size()) +
                                QStringLiteral("快捷键"));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled() && button->isVisible()) {
                button->click();
            }
        });
    }
    if (auto* guide = menuBar()->findChild<QAction*>(QStringLiteral("帮助"))) {
        guide->setShortcut(QKeySequence(Qt::Key_F1));
        guide->setShortcutContext(Qt::WindowShortcut);
    }
}

} // namespace tarnelo
