// 计算 and a switch of the entry mode as steps of the sheet's history: undo puts back the cells
// the computation filled or emptied, the results, the findings and the mode as they were, and
// redo brings the computation back without running it again. Ctrl+Z and Ctrl+Y reach the sheet's
// history from anywhere in the window but a text field, which keeps its own.
#include "app/qt/main_window.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/window_sheet.hpp"

#include <QButtonGroup>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace tarnelo {

namespace {

// The radio box of the entry mode that is checked.
std::string checkedMode(const Window& window) {
    for (const std::string_view radio : {ctl::垂线模式, ctl::测速模式}) {
        if (window.isSelected(radio)) {
            return std::string(radio);
        }
    }
    return {};
}

} // namespace

MainWindow::WindowState MainWindow::captureWindow() const {
    WindowState state;
    for (const auto& [name, widget] : controls_) {
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            state.texts.emplace_back(name, edit->text().toStdString());
        }
    }
    state.colours = colours_;
    state.mode = checkedMode(*this);
    state.computed = computed_;
    state.marks = marks_;
    state.runInput = runInput_;
    state.unusable = shownUnusable_;
    state.unusableReason = unusableReason_;
    state.exportEnabled = isEnabled(ctl::导出Excel);
    state.printEnabled = isEnabled(ctl::打印);
    state.velocitiesComputed = velocitiesComputed_;
    state.rowsMoved = rowsMovedSince_;
    return state;
}

void MainWindow::restoreWindow(const WindowState& state) {
    ++commandDepth_;
    if (!state.mode.empty() && state.mode != checkedMode(*this)) {
        setSelected(state.mode, true);
        layoutSheet(*this);
    }
    for (const auto& [name, value] : state.texts) {
        setText(name, value);
    }
    for (const auto& [name, colour] : state.colours) {
        setTextColour(name, colour);
    }
    computed_ = state.computed;
    marks_ = state.marks;
    runInput_ = state.runInput;
    shownUnusable_ = state.unusable;
    unusableReason_ = state.unusableReason;
    setEnabled(ctl::导出Excel, state.exportEnabled);
    setEnabled(ctl::打印, state.printEnabled);
    velocitiesComputed_ = state.velocitiesComputed;
    rowsMovedSince_ = state.rowsMoved;
    --commandDepth_;
    shownStale_ = computed_.stale(*this);
    model_->setStale(shownStale_);
    styleResults();
    model_->marksChanged();
    showFindingCounts();
    refreshSectionPlot();
}

void MainWindow::computeAsStep() {
    grid_->commitPendingEdit();
    WindowState before = captureWindow();
    const std::vector<Sheet::Row> cells = sheetCells(sheet_);
    const bool vertical = isSelected(ctl::垂线模式);
    ComputeOutcome outcome;
    run([&](Window& window) {
        // Velocities this mode computed are no input: a vertical whose N and T were emptied
        // since drops its velocity as the computation drops every computed cell.
        if (vertical && velocitiesComputed_) {
            for (int r = 0; r < sheet_.rowCount(); ++r) {
                if (sheet_.cell(r, col::N).empty() || sheet_.cell(r, col::T).empty()) {
                    sheet_.setCell(r, col::测点流速, "");
                }
            }
        }
        outcome = computeCommand(window);
    });
    afterCompute(outcome);
    // A computation that did not run leaves the input as it was, and its history too.
    if (outcome.status == ComputeOutcome::Status::Cancelled) {
        return;
    }
    if (vertical && outcome.status == ComputeOutcome::Status::Computed) {
        velocitiesComputed_ = true;
    }
    SheetEdit step = changesEdit(cells, sheet_, edits::kCompute);
    WindowState after = captureWindow();
    // A computation that changed nothing (too few rows, again) is no step.
    if (step.ops.empty() && after.texts == before.texts &&
        outcome.status != ComputeOutcome::Status::Computed) {
        return;
    }
    step.restore = [this, before = std::move(before), after = std::move(after)](bool undone) {
        restoreWindow(undone ? before : after);
    };
    editing_->record(std::move(step));
}

void MainWindow::bindUndoSteps() {
    // The window as a click finds it: a radio box is already checked, and the results already
    // shown as outdated, when its click arrives.
    for (QAbstractButton* radio : modes_->buttons()) {
        connect(radio, &QAbstractButton::pressed, this,
                [this] { beforeModeSwitch_ = captureWindow(); });
    }
    connect(modes_, &QButtonGroup::idClicked, this, [this](int) {
        std::optional<WindowState> before = std::move(beforeModeSwitch_);
        beforeModeSwitch_.reset();
        run(modeSwitchCommand);
        velocitiesComputed_ = false;
        if (!before || before->mode.empty() || before->mode == checkedMode(*this)) {
            return;
        }
        SheetEdit step{std::string(edits::kModeSwitch), {}, {}, {}};
        step.restore = [this, before = std::move(*before), after = captureWindow()](bool undone) {
            restoreWindow(undone ? before : after);
        };
        editing_->record(std::move(step));
    });

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
