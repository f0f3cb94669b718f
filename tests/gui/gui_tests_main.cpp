// One binary for every window test, run offscreen by ctest.
#include "app/qt/skin.hpp"

#include <QApplication>

int runSheetModelTests(int argc, char** argv);
int runMainWindowTests(int argc, char** argv);
int runRecordHeaderDialogTests(int argc, char** argv);
int runRecordFormButtonTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tarnelo::prepareSkin(application);
    int failures = 0;
    failures += runSheetModelTests(argc, argv);
    failures += runMainWindowTests(argc, argv);
    failures += runRecordHeaderDialogTests(argc, argv);
    failures += runRecordFormButtonTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
