// Start-up of Tarnelo: the spreadsheet wrapper, the skin, the main window and its creation
// step, then the event loop until the window is closed.
#include "app/qt/main_window.hpp"
#include "app/qt/skin.hpp"
#include "app/qt/translations.hpp"
#include "report/record_form.hpp"
#include "report/spreadsheet_automation.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

// TARNELO_STARTUP_TIME set: report how long it took until the window was first painted, then
// quit. Used to measure start-up.
class FirstPaintProbe : public QObject {
  public:
    explicit FirstPaintProbe(const QElapsedTimer& clock) : clock_(clock) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            std::fprintf(stderr, "tarnelo: window shown %lld ms after start\n",
                         static_cast<long long>(clock_.elapsed()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QElapsedTimer& clock_;
    bool reported_ = false;
};

std::filesystem::path programFolder() {
    const QByteArray bytes = QCoreApplication::applicationDirPath().toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    // The process-wide spreadsheet wrapper, from before the window to the end of the run.
    tarnelo::SpreadsheetAutomationInstance spreadsheet;
    QApplication application(argc, argv);
    // Where QSettings keeps the window's size.
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnelo"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnelo"));
    tarnelo::installQtTranslations(application);

    tarnelo::prepareSkin(application);
    tarnelo::MainWindow window(programFolder());
    window.create();
    window.restoreWindowSize();

    FirstPaintProbe probe(clock);
    if (qEnvironmentVariableIsSet("TARNELO_STARTUP_TIME")) {
        window.installEventFilter(&probe);
    }
    window.show();
    return QApplication::exec();
}
