// One binary for every window test, run offscreen by ctest. The first argument names the suite
// to run (sheet_model, main_window, record_header_dialog, record_form_buttons, findings,
// guide_window, sheet_editing, window_size, print_wait, section_plot, second_start, station_table,
// unsound_results, daily_use, pending_edit, window_habits, store_window); without one every
// suite runs. The remaining arguments go to QtTest.
#include "app/qt/skin.hpp"
#include "app/qt/translations.hpp"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>
#include <vector>

int runSheetModelTests(int argc, char** argv);
int runMainWindowTests(int argc, char** argv);
int runRecordHeaderDialogTests(int argc, char** argv);
int runRecordFormButtonTests(int argc, char** argv);
int runFindingsTests(int argc, char** argv);
int runGuideWindowTests(int argc, char** argv);
int runSheetEditingTests(int argc, char** argv);
int runWindowSizeTests(int argc, char** argv);
int runPrintWaitTests(int argc, char** argv);
int runSectionPlotTests(int argc, char** argv);
int runSecondStartTests(int argc, char** argv);
int runStationTableTests(int argc, char** argv);
int runUnsoundResultsTests(int argc, char** argv);
int runPrintPreviewTests(int argc, char** argv);
int runDailyUseTests(int argc, char** argv);
int runPendingEditTests(int argc, char** argv);
int runWindowHabitsTests(int argc, char** argv);
int runStoreWindowTests(int argc, char** argv);

namespace {

struct Suite {
    const char* name;
    int (*run)(int, char**);
};

constexpr Suite kSuites[] = {{"sheet_model", runSheetModelTests},
                             {"main_window", runMainWindowTests},
                             {"record_header_dialog", runRecordHeaderDialogTests},
                             {"record_form_buttons", runRecordFormButtonTests},
                             {"findings", runFindingsTests},
                             {"guide_window", runGuideWindowTests},
                             {"sheet_editing", runSheetEditingTests},
                             {"window_size", runWindowSizeTests},
                             {"print_wait", runPrintWaitTests},
                             {"section_plot", runSectionPlotTests},
                             {"second_start", runSecondStartTests},
                             {"station_table", runStationTableTests},
                             {"unsound_results", runUnsoundResultsTests},
                             {"print_preview", runPrintPreviewTests},
                             {"daily_use", runDailyUseTests},
                             {"pending_edit", runPendingEditTests},
                             {"window_habits", runWindowHabitsTests},
                             {"store_window", runStoreWindowTests}};

} // namespace

int main(int argc, char** argv) {
    // Settings the tests write (window size, file dialog state) go to Qt's test folders under
    // a name of their own, never to the user's.
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnelo-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tarnelo_gui_tests"));
    tarnelo::installQtTranslations(application);
    tarnelo::prepareSkin(application);
    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (args.size() > 1 && args[1][0] != '-') {
        only = args[1];
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    bool ran = false;
    for (const Suite& suite : kSuites) {
        if (only == nullptr || std::strcmp(only, suite.name) == 0) {
            ran = true;
            failures += suite.run(static_cast<int>(args.size()), args.data());
        }
    }
    if (!ran) {
        std::fprintf(stderr, "no window test suite named %s\n", only);
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
