// The window's side of the document: the sheet, the mode and the coefficients follow its input,
// and the results, 完成情况, the marks and findings, the two form buttons and the section follow
// its last computation, whenever it changes. 计算 and a switch of the entry mode are steps of its
// history like any edit: undo of 计算 shows the computation before it, redo shows it again
// without running it. Ctrl+Z and Ctrl+Y reach the history from anywhere in the window but a text
// field, which keeps its own.
#include "app/qt/main_window.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/window_sheet.hpp"
#include "window/window_gauging.hpp"

#include <QButtonGroup>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>

namespace tarnelo {

namespace {

// Every 测点流速 of 垂线模式 came from this computation.
bool velocitiesFrom(const ComputedRun* run, EntryMode mode) {
    return run != nullptr && mode == EntryMode::Vertical && run->computation.computed() &&
           run->computation.mode == EntryMode::Vertical;
}

} // namespace

void MainWindow::computeAsStep() {
    grid_->commitPendingEdit();
    commitCoefficients();
    ComputeOutcome outcome;
    run([&](Window&) { outcome = computeDocument(); });
    // A computation that did not run leaves the input as it was, and its history too.
    if (outcome.status == ComputeOutcome::Status::Computed &&
        document_.gauging().mode == EntryMode::Vertical) {
        velocitiesComputed_ = true;
    }
}

ComputeOutcome MainWindow::computeDocument() {
    document_.setThreePointRule(threePointRule());
    // Velocities this mode computed are no input: a vertical whose N and T were emptied since
    // drops its velocity as the computation drops every computed cell.
    const bool dropVelocities =
        document_.gauging().mode == EntryMode::Vertical && velocitiesComputed_;
    const auto prepare = [dropVelocities](Gauging& gauging) {
        for (GaugingRow& row : gauging.rows) {
            if (dropVelocities && (row.signalCount.empty() || row.seconds.empty())) {
                row.velocity.clear();
            }
        }
    };
    Gauging input = document_.gauging();
    prepare(input);
    if (const std::string question = modeSwitchQuestion(input);
        !question.empty() && !ask(question, "提示：")) {
        return {ComputeOutcome::Status::Cancelled, {}, {}, nullptr};
    }
    CheckOptions options;
    options.stationClass = stationClass();
    // The document tells the window of its new computation (showRun).
    document_.compute(options, prepare);
    ComputeOutcome outcome = outcomeOf(document_.keptRun());
    if (outcome.status == ComputeOutcome::Status::Refused) {
        showMessage(outcome.message, "提示：", MessageIcon::Information);
    }
    return outcome;
}

void MainWindow::showRun() {
    std::shared_ptr<const ComputedRun> run = document_.keptRun();
    if (run == shownRun_) {
        return;
    }
    shownRun_ = run;
    if (!run) {
        for (const auto field : ctl::kResultFields) {
            setText(field, "");
        }
        setText(ctl::致谢框, "");
        setEnabled(ctl::导出Excel, false);
        setEnabled(ctl::打印, false);
        forgetComputation();
        return;
    }
    showResults(*this, run->computation);
    afterCompute(outcomeOf(std::move(run)));
}

bool MainWindow::stepBack(bool undo) {
    if (!(undo ? document_.undo() : document_.redo())) {
        return false;
    }
    refreshStale();
    return true;
}

void MainWindow::showInput() {
    editing_->showDocument();
    const Gauging& input = document_.gauging();
    if (input.mode != shownMode_) {
        shownMode_ = input.mode;
        if (input.mode != EntryMode::Unknown && selectedMode(*this) != input.mode) {
            setSelected(input.mode == EntryMode::Vertical ? ctl::垂线模式 : ctl::测速模式, true);
            layoutSheet(*this);
        }
        velocitiesComputed_ = velocitiesFrom(document_.lastRun(), input.mode);
    }
    for (std::size_t i = 0; i < kCoefficientCount; ++i) {
        if (input.coefficients[i] != shownCoefficients_[i]) {
            shownCoefficients_[i] = input.coefficients[i];
            setText(kCoefficientFields[i].control, input.coefficients[i]);
        }
    }
}

void MainWindow::commitCoefficients() {
    for (std::size_t i = 0; i < kCoefficientCount; ++i) {
        document_.setCoefficient(i, text(kCoefficientFields[i].control));
    }
}

void MainWindow::bindUndoSteps() {
    document_.observe([this](unsigned changes) {
        if ((changes & change::kInput) != 0) {
            showInput();
        }
        if ((changes & change::kComputation) != 0) {
            showRun();
        }
    });
    connect(modes_, &QButtonGroup::idClicked, this, [this](int) {
        run(modeSwitchCommand);
        document_.setMode(selectedMode(*this));
        // Velocities typed in 测速模式 are input in 垂线模式 too.
        velocitiesComputed_ = false;
    });
    for (const CoefficientField& field : kCoefficientFields) {
        if (auto* edit = qobject_cast<QLineEdit*>(control(field.control))) {
            connect(edit, &QLineEdit::editingFinished, this, [this] { commitCoefficients(); });
        }
    }

    // A text field and the cell being edited take these keys first for their own undo.
    const auto bind = [this](const QKeySequence& keys, const char* name,
                             SheetView::Request request) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setObjectName(QString::fromUtf8(name));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, request] { editing_->handle(request); });
    };
    bind(QKeySequence::Undo, "撤销快捷键", SheetView::Request::Undo);
    bind(QKeySequence(QStringLiteral("Ctrl+Y")), "重做快捷键", SheetView::Request::Redo);
    bind(QKeySequence(QStringLiteral("Ctrl+Shift+Z")), "重做快捷键2", SheetView::Request::Redo);
}

} // namespace tarnelo
