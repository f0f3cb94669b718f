// The window's side of the document's history: the sheet, the mode and the coefficients follow
// the document; 计算 and a switch of the entry mode are steps of it, and undo puts back the
// results, the findings and the mode as they were, and redo brings the computation back without
// running it again. Ctrl+Z and Ctrl+Y reach the history from anywhere in the window but a text
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
    commitCoefficients();
    WindowState before = captureWindow();
    const bool vertical = isSelected(ctl::垂线模式);
    ComputeOutcome outcome;
    run([&](Window&) { outcome = computeDocument(); });
    afterCompute(outcome);
    // A computation that did not run leaves the input as it was, and its history too.
    if (outcome.status == ComputeOutcome::Status::Cancelled) {
        return;
    }
    if (vertical && outcome.status == ComputeOutcome::Status::Computed) {
        velocitiesComputed_ = true;
    }
    windowSteps_[document_.undoId()] = {std::move(before), captureWindow()};
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
    showResults(*this, document_.compute(options, prepare));
    return outcomeOf(*this, document_.keptRun());
}

bool MainWindow::stepBack(bool undo) {
    const std::uint64_t id = undo ? document_.undoId() : document_.redoId();
    if (!(undo ? document_.undo() : document_.redo())) {
        return false;
    }
    if (const auto step = windowSteps_.find(id); step != windowSteps_.end()) {
        restoreWindow(undo ? step->second.first : step->second.second);
    }
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
        if (!before || before->mode.empty() || before->mode == checkedMode(*this) ||
            !document_.setMode(selectedMode(*this))) {
            return;
        }
        windowSteps_[document_.undoId()] = {std::move(*before), captureWindow()};
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
