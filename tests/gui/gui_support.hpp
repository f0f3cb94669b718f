// Shared by the window tests: a program folder of its own for every test, a main window whose
// message boxes, questions, text prompts, file dialogs and browser are answered by the test, and
// typing.
#pragma once

#include "app/qt/main_window.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"

#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnelo::guitest {

inline std::filesystem::path toPath(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Message {
    std::string text;
    std::string title;
    MessageIcon icon;
};

// A main window made the way start-up makes it, in a program folder of its own.
class Harness {
  public:
    Harness() {
        folder = toPath(dir.path());
        std::filesystem::create_directories(folder / "Data");
        std::filesystem::create_directories(folder / "Text data");
        std::filesystem::create_directories(folder / "excel");
    }

    MainWindow& make() {
        window = std::make_unique<MainWindow>(folder);
        MainWindow::Answerer answerer;
        answerer.message = [this](const std::string& text, const std::string& title,
                                  MessageIcon icon) {
            messages.push_back({text, title, icon});
        };
        answerer.question = [this](const std::string& text, const std::string& title) {
            questions.push_back({text, title, MessageIcon::None});
            if (answers.empty()) {
                return true;
            }
            const bool yes = answers.front();
            answers.pop_front();
            return yes;
        };
        answerer.text = [this](const std::string& prompt,
                               const std::string& title) -> std::optional<std::string> {
            prompts.push_back({prompt, title, MessageIcon::None});
            if (texts.empty()) {
                return std::nullopt;
            }
            auto typed = texts.front();
            texts.pop_front();
            return typed;
        };
        answerer.file =
            [this](const FileDialogSpec& dialog,
                   const std::filesystem::path& start) -> std::optional<std::filesystem::path> {
            dialogs.push_back({std::string(dialog.name), start});
            if (files.empty()) {
                return std::nullopt;
            }
            auto chosen = files.front();
            files.pop_front();
            return chosen;
        };
        answerer.modal = [this](QDialog& dialog) {
            if (onDialog) {
                onDialog(dialog);
            }
        };
        answerer.url = [this](const QUrl& url) { urls.push_back(url); };
        window->setAnswerer(answerer);
        window->create();
        window->show();
        return *window;
    }

    template <typename T = QWidget> T* find(std::string_view name) const {
        return window->findChild<T*>(qs(name));
    }

    void click(std::string_view button) const {
        auto* widget = find<QAbstractButton>(button);
        QVERIFY2(widget != nullptr, std::string(button).c_str());
        QTest::mouseClick(widget, Qt::LeftButton);
    }

    QTemporaryDir dir;
    std::filesystem::path folder;
    std::unique_ptr<MainWindow> window;
    std::vector<Message> messages;
    std::vector<Message> questions;
    std::deque<bool> answers;
    // Text prompts asked, and what the user types into the next ones (std::nullopt or none
    // left: 取消).
    std::vector<Message> prompts;
    std::deque<std::optional<std::string>> texts;
    std::deque<std::optional<std::filesystem::path>> files;
    std::vector<std::pair<std::string, std::filesystem::path>> dialogs;
    std::vector<QUrl> urls;
    std::function<void(QDialog&)> onDialog;
};

// Types text as the keyboard does, one key event per character (Chinese included).
inline void typeKeys(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Types text into a cell of an item view and ends the edit with Enter.
inline void typeIntoCell(QAbstractItemView* view, int row, int column, const QString& text) {
    view->setCurrentIndex(view->model()->index(row, column));
    view->setFocus();
    if (text.isEmpty()) {
        // Start an edit and empty it.
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        return;
    }
    // The first key opens the editor and lands in it; the rest go to the editor.
    QTest::sendKeyEvent(QTest::Click, view, Qt::Key_unknown, QString(text.front()), Qt::NoModifier);
    QWidget* editor = view->indexWidget(view->currentIndex());
    QVERIFY2(editor != nullptr, "no editor opened");
    typeKeys(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// Replaces the text of an edit box by typing.
// A cell's text entered as the grid enters it when an edit is committed: one typing step of
// the window's document.
inline void enterCell(MainWindow& w, int row, int column, std::string_view text) {
    QVERIFY(w.sheetModel().setData(w.sheetModel().index(row, column), qs(text)));
}

inline void typeIntoBox(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    typeKeys(box, text);
}

// Saves a picture of the widget into $TARNELO_SCREENSHOT_DIR when that is set.
inline void saveScreenshot(QWidget& widget, const char* name) {
    const QByteArray dir = qgetenv("TARNELO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QVERIFY(widget.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') +
                                   QLatin1String(name)));
    }
}

} // namespace tarnelo::guitest
