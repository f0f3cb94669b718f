#include "app/qt/guide_window.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/screen_fit.hpp"
#include "app/shell.hpp"
#include "window/program_paths.hpp"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <system_error>

namespace tarnelo {

GuideWindow::GuideWindow(const std::filesystem::path& guide, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("用户指南"));
    setWindowTitle(QStringLiteral("Tarnelo 13.05 用户指南"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("用户指南内容"));
    // Pictures and pages the guide names are looked for beside it.
    browser_->setSearchPaths({qpath(guide.parent_path())});
    // Links within the guide stay in this window; addresses of the web and mail go to the
    // system's programs.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = browser_->source().resolved(link);
        const bool here = target.isLocalFile() || target.scheme().isEmpty();
        if (here && target.fileName().endsWith(QStringLiteral(".html"))) {
            browser_->setSource(target);
        } else {
            QDesktopServices::openUrl(target);
        }
    });
    browser_->setSource(QUrl::fromLocalFile(qpath(guide)));

    auto* back = new QPushButton(QStringLiteral("后退"), this);
    back->setObjectName(QStringLiteral("后退"));
    back->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    auto* home = new QPushButton(QStringLiteral("目录"), this);
    home->setObjectName(QStringLiteral("目录"));
    home->setToolTip(QStringLiteral("回到指南的开头"));
    connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);

    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("查找"));
    find_->setPlaceholderText(QStringLiteral("查找（Ctrl+F）"));
    find_->setClearButtonEnabled(true);
    find_->setMaximumWidth(260);
    auto* findLabel = new QLabel(QStringLiteral("查找："), this);
    findLabel->setBuddy(find_);
    auto* next = new QPushButton(QStringLiteral("下一个"), this);
    next->setObjectName(QStringLiteral("下一个"));
    next->setToolTip(QStringLiteral("下一个（回车、F3）"));
    auto* previous = new QPushButton(QStringLiteral("上一个"), this);
    previous->setObjectName(QStringLiteral("上一个"));
    previous->setToolTip(QStringLiteral("上一个（Shift+F3）"));
    found_ = new QLabel(this);
    found_->setObjectName(QStringLiteral("查找结果"));
    for (QPushButton* button : {back, home, next, previous}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
    }
    connect(find_, &QLineEdit::returnPressed, this, [this] { findNext(); });
    connect(find_, &QLineEdit::textEdited, this, [this] { found_->clear(); });
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(previous, &QPushButton::clicked, this, [this] { findNext(true); });
    const auto key = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    key(QKeySequence::Find, [this] {
        find_->setFocus();
        find_->selectAll();
    });
    key(QKeySequence(Qt::Key_F3), [this] { findNext(); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findNext(true); });
    key(QKeySequence(Qt::Key_Escape), [this] { close(); });

    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(home);
    bar->addStretch(1);
    bar->addWidget(found_);
    bar->addWidget(findLabel);
    bar->addWidget(find_);
    bar->addWidget(next);
    bar->addWidget(previous);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    fitToScreen(*this, QSize(980, 1000), parent);
}

bool GuideWindow::findNext(bool backwards) {
    const QString text = find_->text().trimmed();
    if (text.isEmpty()) {
        found_->clear();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool hit = browser_->find(text, flags);
    if (!hit) {
        // Once more from the other end of the guide.
        QTextCursor cursor = browser_->textCursor();
        cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
        browser_->setTextCursor(cursor);
        hit = browser_->find(text, flags);
    }
    found_->setText(hit ? QString() : QStringLiteral("未找到“%1”").arg(text));
    return hit;
}

GuideWindow* showGuide(Window& window, QWidget* parent) {
    const std::filesystem::path guide = paths::guideFile(window.programFolder());
    std::error_code error;
    auto* shown = parent->findChild<GuideWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (shown == nullptr) {
        if (!std::filesystem::is_regular_file(guide, error)) {
            // guideCommand tells the user that the guide is missing.
            guideCommand(window);
            return nullptr;
        }
        shown = new GuideWindow(guide, parent);
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
    return shown;
}

} // namespace tarnelo
