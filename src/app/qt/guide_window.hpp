// The user guide in the program's own window (简介 → 用户指南, F1): the HTML guide beside the
// program shown by Qt's text browser, so it needs no web browser. Links inside the guide move
// within it, other addresses go to the system's browser, and 查找 (Ctrl+F) finds a text. The
// window is made once and raised on every later call.
#pragma once

#include <QWidget>

#include <filesystem>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace tarnelo {

class Window;

class GuideWindow : public QWidget {
    Q_OBJECT

  public:
    GuideWindow(const std::filesystem::path& guide, QWidget* parent);

    QTextBrowser& browser() { return *browser_; }
    // Finds the text of 查找 from the cursor on (backwards: before it), wrapping around at the
    // guide's end; false when the guide does not hold it.
    bool findNext(bool backwards = false);

  private:
    QTextBrowser* browser_ = nullptr;
    QLineEdit* find_ = nullptr;
    QLabel* found_ = nullptr;
};

// Shows the guide of the program folder in its window over parent and brings it forward; when
// the guide file is missing the user is told so (as guideCommand does) and nothing is made.
GuideWindow* showGuide(Window& window, QWidget* parent);

} // namespace tarnelo
