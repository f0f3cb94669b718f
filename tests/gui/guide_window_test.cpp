// 简介 → 用户指南 (F1): the guide in the program's own window, with no web browser: its title,
// links within it, 查找, one window raised again by F1, and a message when the guide is missing.
#include "gui_support.hpp"

#include "app/qt/guide_window.hpp"
#include "app/shell.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>

using namespace tarnelo;
using namespace tarnelo::guitest;

class GuideWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheGuideInItsOwnWindowAndFollowsItsLinks();
    void saysSoWhenTheGuideIsMissing();
};

namespace {

QAction& guideAction(MainWindow& w) {
    return *w.menuBar()
                ->findChild<QMenu*>(QStringLiteral("简介"))
                ->findChild<QAction*>(QStringLiteral("帮助"));
}

} // namespace

void GuideWindowTest::showsTheGuideInItsOwnWindowAndFollowsItsLinks() {
    Harness h;
    MainWindow& w = h.make();
    std::filesystem::copy_file(std::filesystem::path(TARNELO_SOURCE_DIR) / "docs" / "guide.html",
                               h.folder / "guide.html");
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    auto* guide = w.findChild<GuideWindow*>(QStringLiteral("用户指南"));
    QVERIFY(guide != nullptr);
    QVERIFY(QTest::qWaitForWindowActive(guide));
    // No browser is asked for, and nothing is said.
    QVERIFY(h.urls.empty());
    QVERIFY(h.messages.empty());
    QCOMPARE(guide->windowTitle(), QStringLiteral("Tarnelo 13.05 用户指南"));
    QTextBrowser& browser = guide->browser();
    QCOMPARE(browser.documentTitle(), QStringLiteral("Tarnelo 13.05 用户指南"));
    QVERIFY(browser.toPlainText().startsWith(QStringLiteral("Tarnelo 13.05 用户指南")));
    // Every menu of the window is in it, with its keys.
    for (const char* entry :
         {"用户指南", "捐助", "声明", "断面图", "不确定度", "实测流量成果表...", "打印预览...",
          "打印方式", "插入测点", "水位流量关系...", "保存推流表...", "Ctrl+Shift+Z", "F8", "F9"}) {
        QVERIFY2(browser.toPlainText().contains(QString::fromUtf8(entry)), entry);
    }
    const QRect area = guide->screen()->availableGeometry();
    QVERIFY(area.contains(guide->frameGeometry()));
    saveScreenshot(*guide, "guide-window.png");

    // The contents' link to the keys, taken from the keyboard: Tab to it, Enter.
    QCOMPARE(browser.verticalScrollBar()->value(), 0);
    browser.setFocus();
    for (int i = 0; i < 40 && browser.textCursor().selectedText() != QStringLiteral("快捷键一览");
         ++i) {
        QTest::keyClick(&browser, Qt::Key_Tab);
    }
    QCOMPARE(browser.textCursor().selectedText(), QStringLiteral("快捷键一览"));
    QTest::keyClick(&browser, Qt::Key_Return);
    QCOMPARE(browser.source().fragment(), QStringLiteral("keys"));
    QVERIFY(browser.verticalScrollBar()->value() > browser.verticalScrollBar()->maximum() / 2);
    QVERIFY(h.urls.empty());
    // 后退 goes back to the top.
    QTest::mouseClick(guide->findChild<QPushButton*>(QStringLiteral("后退")), Qt::LeftButton);
    QCOMPARE(browser.verticalScrollBar()->value(), 0);

    // 查找: a text of the guide is found and selected, again further on; one it lacks is said.
    auto* find = guide->findChild<QLineEdit*>(QStringLiteral("查找"));
    QTest::mouseClick(find, Qt::LeftButton);
    typeKeys(find, QStringLiteral("推流表"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(browser.textCursor().selectedText(), QStringLiteral("推流表"));
    const int first = browser.textCursor().position();
    QTest::mouseClick(guide->findChild<QPushButton*>(QStringLiteral("下一个")), Qt::LeftButton);
    QCOMPARE(browser.textCursor().selectedText(), QStringLiteral("推流表"));
    QVERIFY(browser.textCursor().position() > first);
    typeIntoBox(find, QStringLiteral("没有这段文字"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(guide->findChild<QLabel*>(QStringLiteral("查找结果"))->text(),
             QStringLiteral("未找到“没有这段文字”"));

    // Asked again (F1 or the menu), the same window comes forward: there is only one.
    guide->hide();
    guideAction(w).trigger();
    QVERIFY(guide->isVisible());
    QCOMPARE(w.findChildren<GuideWindow*>().size(), 1);
    QVERIFY(h.messages.empty());
}

void GuideWindowTest::saysSoWhenTheGuideIsMissing() {
    Harness h;
    MainWindow& w = h.make();
    guideAction(w).trigger();
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].text, std::string("用户指南文件丢失，请重新安装本软件。"));
    QVERIFY(w.findChild<GuideWindow*>() == nullptr);
    QVERIFY(h.urls.empty());
}

int runGuideWindowTests(int argc, char** argv) {
    GuideWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "guide_window_test.moc"
