// Closing the window while a print waits for its renderer: the renderer and everything it
// started are ended, and the window closes once the print has given up.
#include "gui_support.hpp"

#include "platform/system/child_process.hpp"
#include "report/record_form.hpp"

#include <QStatusBar>
#include <QTimer>

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

int processesWith(const std::string& marker) {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        count += line.find(marker) != std::string::npos ? 1 : 0;
    }
    ::closedir(proc);
    return count;
}

class PrintWaitTest : public QObject {
    Q_OBJECT

  private slots:
    void closingDuringARenderEndsTheRendererAndThenTheWindow() {
        Harness h;
        MainWindow& w = h.make();
        const std::string marker = "29.7" + std::to_string(::getpid());
        sys::ChildResult rendered;
        // The print's renderer: a program that sleeps and starts a sleeper of its own.
        w.printAction = [&](Window&, const sys::KeepWaiting& keepWaiting) {
            rendered = sys::runChild(
                {"/bin/sh", "-c", "setsid sleep " + marker + " & sleep " + marker},
                {"PATH=/usr/bin:/bin"}, std::chrono::seconds(60), {}, {keepWaiting, {}});
            return FormOutcome{};
        };
        w.setEnabled(ctl::打印, true);
        QTimer::singleShot(500, &w, [&w] { w.close(); });
        QElapsedTimer clock;
        clock.start();
        h.click(ctl::打印);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(static_cast<int>(rendered.status),
                 static_cast<int>(sys::ChildResult::Status::Interrupted));
        QCOMPARE(processesWith(marker), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 5000);
    }

    void theWaitShowsHowLongItHasWaited() {
        Harness h;
        MainWindow& w = h.make();
        w.printAction = [](Window&, const sys::KeepWaiting& keepWaiting) {
            sys::runChild({"/bin/sleep", "1.3"}, {}, std::chrono::seconds(10), {},
                          {keepWaiting, "Microsoft Excel 打印记载表"});
            return FormOutcome{};
        };
        w.setEnabled(ctl::打印, true);
        QString seen;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, &w,
                         [&] { seen = w.statusBar()->currentMessage(); });
        probe.start(100);
        h.click(ctl::打印);
        // The subject is the one the wait names.
        QVERIFY2(seen.contains(QStringLiteral("正在等待 Microsoft Excel 打印记载表…")),
                 qPrintable(seen));
    }
};

} // namespace

#include "print_wait_test.moc"

int runPrintWaitTests(int argc, char** argv) {
    PrintWaitTest test;
    return QTest::qExec(&test, argc, argv);
}
