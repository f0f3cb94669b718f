#include "app/qt/main_window.hpp"

#include "platform/system/child_process.hpp"

#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/proposed_names.hpp"
#include "app/qt/file_dialog.hpp"
#include "app/qt/guide_window.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/record_header_dialog.hpp"
#include "app/qt/row_numbers.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/qt/skin.hpp"
#include "app/window_sheet.hpp"
#include "files/coefficient_file.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

#include <exception>
#include <system_error>
#include <utility>

namespace tarnelo {

namespace {

// Colour values are Windows colour references: red in the low byte, then green, then blue.
QColor colourOf(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

struct Heading {
    std::string_view name;
    int x;
    int y;
    int w;
    int h;
};

// The two-line heading band over the grid, each label over its column or columns.
constexpr Heading kHeadings[] = {
    {ctl::标签1, 8, 16, 31, 52},    {ctl::标签2, 38, 16, 40, 52},    {ctl::标签3, 77, 16, 32, 52},
    {ctl::标签12, 108, 16, 69, 26}, {ctl::标签4, 108, 41, 30, 27},   {ctl::标签5, 137, 41, 40, 27},
    {ctl::标签6, 176, 16, 79, 26},  {ctl::标签7, 176, 41, 40, 27},   {ctl::标签8, 215, 41, 40, 27},
    {ctl::标签9, 254, 16, 38, 52},  {ctl::标签19, 291, 16, 195, 26}, {ctl::标签13, 291, 41, 52, 27},
    {ctl::标签14, 342, 41, 30, 27}, {ctl::标签15, 371, 41, 52, 27},  {ctl::标签10, 422, 41, 64, 27},
    {ctl::标签22, 485, 16, 81, 26}, {ctl::标签20, 485, 41, 52, 27},  {ctl::标签21, 536, 41, 30, 27},
    {ctl::标签11, 565, 16, 83, 26}, {ctl::标签16, 565, 41, 52, 27},  {ctl::标签17, 616, 41, 32, 27},
    {ctl::标签18, 647, 16, 77, 52},
};

struct ResultPair {
    std::string_view label;
    std::string_view box;
    int x;
    int y;
    int labelWidth;
    int boxWidth;
    const char* unit;
};

// The last column's labels are narrower, so that 完成情况 has room for a whole sentence.
constexpr ResultPair kResults[] = {
    {ctl::标签28, ctl::断面流量, 8, 453, 90, 90, "m³/s"},
    {ctl::标签29, ctl::断面面积, 8, 476, 90, 90, "m²"},
    {ctl::标签30, ctl::平均流速, 186, 453, 90, 90, "m/s"},
    {ctl::标签31, ctl::最大流速, 186, 476, 90, 90, "m/s"},
    {ctl::标签32, ctl::水面宽, 364, 453, 90, 90, "m"},
    {ctl::标签33, ctl::平均水深, 364, 476, 90, 90, "m"},
    {ctl::标签34, ctl::最大水深, 542, 453, 64, 119, "m"},
    {ctl::标签35, ctl::致谢框, 542, 476, 64, 119, nullptr},
};

constexpr int kResultMaxLength = 10;

std::string initialText(std::string_view control) {
    for (const InitialText& initial : initialTexts()) {
        if (initial.control == control) {
            return std::string(initial.text);
        }
    }
    return {};
}

} // namespace

MainWindow::MainWindow(std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)),
      settings_(new QSettings(this)) {
    setWindowTitle(QStringLiteral("Tarnelo 13.05"));
    setWindowIcon(programIcon());
    buildControls();
    bindCommands();
    buildShortcuts();
    // The section picture's title is the record header's: it follows 更多.
    document_.observe([this](unsigned changes) {
        if ((changes & change::kHeader) != 0 && plotWindow_ != nullptr) {
            refreshSectionPlot();
        }
    });
    startOver({});
}

MainWindow::~MainWindow() {
    // The grid and its model go before the sheet they show: Qt would delete them only after
    // this window's members are gone. A coefficient field that loses the focus as the window
    // goes commits nothing.
    for (const CoefficientField& field : kCoefficientFields) {
        control(field.control)->disconnect(this);
    }
    delete grid_;
    delete model_;
}

void MainWindow::create() {
    attachSkin(*this);
    run(creationStep);
    startOver({});
    keepDefaultCoefficients();
}

QLabel* MainWindow::addLabel(QWidget* parent, std::string_view name, int x, int y, int w, int h) {
    auto* label = new QLabel(qtext(initialText(name)), parent);
    label->setObjectName(qtext(name));
    label->setGeometry(x, y, w, h);
    controls_.emplace(std::string(name), label);
    return label;
}

QLineEdit* MainWindow::addEdit(QWidget* parent, std::string_view name, int x, int y, int w, int h,
                               int maxLength) {
    auto* edit = new QLineEdit(qtext(initialText(name)), parent);
    edit->setObjectName(qtext(name));
    edit->setGeometry(x, y, w, h);
    if (maxLength > 0) {
        edit->setMaxLength(maxLength);
        maxLengths_.emplace(std::string(name), maxLength);
    }
    controls_.emplace(std::string(name), edit);
    return edit;
}

void MainWindow::restyleHeading(QLabel* label, int colour) {
    const QColor c = colourOf(colour);
    label->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #8C99A6; background: #DCE4EB; "
                                        "color: %1; }")
                             .arg(c.name()));
}

QPushButton* MainWindow::addButton(QWidget* parent, std::string_view name, int x, int y, int w,
                                   int h) {
    auto* button = new QPushButton(qtext(initialText(name)), parent);
    button->setObjectName(qtext(name));
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    controls_.emplace(std::string(name), button);
    return button;
}

void MainWindow::buildControls() {
    QWidget* client = makeClient();

    auto addGroup = [&](std::string_view name, int x, int y, int w, int h) {
        auto* group = new QGroupBox(qtext(initialText(name)), client);
        group->setObjectName(qtext(name));
        group->setGeometry(x, y, w, h);
        controls_.emplace(std::string(name), group);
        return group;
    };
    QGroupBox* sheetGroup = addGroup(ctl::分组框3, 9, 4, 731, 511);
    QGroupBox* coefficientGroup = addGroup(ctl::分组框1, 750, 4, 192, 224);
    QGroupBox* controlGroup = addGroup(ctl::分组框2, 750, 248, 192, 267);

    buildSheet(sheetGroup, client);
    buildResultsPanel(sheetGroup);
    buildCoefficientPanel(coefficientGroup);
    buildProgramControlPanel(controlGroup);
    buildStatusBarAndMenu();

    buildFindingsControls();
    buildSectionPlotControls();
    buildPrintControls();

    const int menuHeight = menuBar()->sizeHint().height();
    setMinimumSize(kClientWidth, menuHeight + kClientHeight - kCompactBy);
    resize(kClientWidth, menuHeight + kClientHeight);
    move(50, 50);
}

void MainWindow::buildSheet(QGroupBox* sheetGroup, QWidget* client) {
    grid_ = new SheetView(sheetGroup);
    grid_->setObjectName(qtext(ctl::高级表格1));
    grid_->setGeometry(8, 67, 716, 387);
    model_ = new SheetModel(sheet_, this);
    grid_->setModel(model_);
    rowNumbers_ = new RowNumbers(*grid_, client);
    controls_.emplace(std::string(ctl::高级表格1), grid_);
    for (const Heading& h : kHeadings) {
        QLabel* label = addLabel(sheetGroup, h.name, h.x, h.y, h.w, h.h);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        colours_.emplace(std::string(h.name), kBlack);
        restyleHeading(label, kBlack);
    }
}

void MainWindow::buildResultsPanel(QGroupBox* sheetGroup) {
    for (const ResultPair& r : kResults) {
        QLabel* label = addLabel(sheetGroup, r.label, r.x, r.y, r.labelWidth, 24);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setIndent(6);
        QLineEdit* box = addEdit(sheetGroup, r.box, r.x + r.labelWidth - 1, r.y, r.boxWidth, 24,
                                 kResultMaxLength);
        box->setAlignment(Qt::AlignCenter);
        // Both move with the left edge of their pair when the window grows.
        label->setProperty("pairLeft", r.x);
        box->setProperty("pairLeft", r.x);
        if (r.unit != nullptr) {
            // The unit sits inside the box, right of the figure, and is no part of its text.
            auto* unit = new QLabel(QString::fromUtf8(r.unit), box);
            unit->setObjectName(qtext(r.box) + QStringLiteral("单位"));
            unit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            unit->setStyleSheet(
                QStringLiteral("QLabel { color: #5A6470; background: transparent; }"));
            constexpr int kUnitWidth = 28;
            unit->setGeometry(r.boxWidth - kUnitWidth - 4, 0, kUnitWidth, 24);
            box->setTextMargins(kUnitWidth - 8, 0, kUnitWidth - 4, 0);
            unitLabels_.push_back(unit);
        }
    }
    connect(static_cast<QLineEdit*>(control(ctl::致谢框)), &QLineEdit::textChanged, this,
            [this] { fitCompletionText(); });
}

void MainWindow::buildCoefficientPanel(QGroupBox* coefficientGroup) {
    // In tab order.
    addLabel(coefficientGroup, ctl::标签23, 11, 16, 77, 24);
    addLabel(coefficientGroup, ctl::标签24, 11, 39, 77, 24);
    addLabel(coefficientGroup, ctl::标签25, 11, 62, 77, 24);
    addLabel(coefficientGroup, ctl::标签26, 11, 85, 45, 24);
    addLabel(coefficientGroup, ctl::标签27, 98, 85, 41, 24)->setAlignment(Qt::AlignCenter);
    // A decimal number. The separators and digits a typist may slip into (a comma, the Chinese
    // full stop, full-width characters) are kept rather than dropped, so that the check pass
    // can say what the sheet says of them: dropped, 0,6793 silently became 6793.
    const auto decimal = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[+\\-＋－]?[0-9０-９]*[.,，。．]?[0-9０-９]*")), this);
    struct Field {
        std::string_view name;
        int x;
        int y;
        int w;
        int maxLength;
    };
    constexpr Field kFields[] = {
        {ctl::水面系数编辑框, 87, 16, 95, 5},    {ctl::岸边系数编辑框01, 87, 39, 48, 5},
        {ctl::岸边系数编辑框02, 134, 39, 48, 5}, {ctl::信号转数编辑框, 87, 62, 95, 5},
        {ctl::计算公式编辑框01, 55, 85, 44, 7},  {ctl::计算公式编辑框02, 138, 85, 44, 7},
    };
    // The coefficient fields take tab positions 1 to 6, right after the grid.
    QWidget* previous = grid_;
    for (const Field& f : kFields) {
        QLineEdit* edit = addEdit(coefficientGroup, f.name, f.x, f.y, f.w, 24, f.maxLength);
        edit->setValidator(decimal);
        QWidget::setTabOrder(previous, edit);
        previous = edit;
    }
    addButton(coefficientGroup, ctl::更多, 11, 124, 80, 24);
    addButton(coefficientGroup, ctl::保存系数, 102, 124, 80, 24);
}

void MainWindow::buildProgramControlPanel(QGroupBox* controlGroup) {
    addLabel(controlGroup, ctl::标签36, 8, 25, 82, 15);
    addEdit(controlGroup, ctl::编辑框当前操作数据, 12, 43, 168, 20, 0)->setReadOnly(true);
    modes_ = new QButtonGroup(this);
    modes_->setExclusive(true);
    auto addRadio = [&](std::string_view name, int x, int y, int w, int h, int id) {
        auto* radio = new QRadioButton(qtext(initialText(name)), controlGroup);
        radio->setObjectName(qtext(name));
        radio->setGeometry(x, y, w, h);
        modes_->addButton(radio, id);
        controls_.emplace(std::string(name), radio);
        return radio;
    };
    addRadio(ctl::垂线模式, 13, 89, 72, 16, 0)->setChecked(true);
    addRadio(ctl::测速模式, 112, 89, 72, 16, 1);
    addButton(controlGroup, ctl::计算, 11, 132, 81, 24);
    addButton(controlGroup, ctl::清空, 100, 132, 81, 24);
    addButton(controlGroup, ctl::打开, 11, 166, 81, 24);
    addButton(controlGroup, ctl::保存, 100, 166, 81, 24);
    addButton(controlGroup, ctl::导出Excel, 11, 201, 81, 24)->setEnabled(false);
    addButton(controlGroup, ctl::打印, 100, 201, 81, 24)->setEnabled(false);
    progressBar_ = new QProgressBar(controlGroup);
    progressBar_->setObjectName(qtext(ctl::进度条1));
    progressBar_->setGeometry(11, 236, 170, 20);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    controls_.emplace(std::string(ctl::进度条1), progressBar_);
}

void MainWindow::buildStatusBarAndMenu() {
    auto* status = new QStatusBar(this);
    status->setObjectName(qtext(ctl::状态条1));
    status->setSizeGripEnabled(false);
    status->setFixedHeight(20);
    setStatusBar(status);
    controls_.emplace(std::string(ctl::状态条1), status);

    QMenu* about = menuBar()->addMenu(QStringLiteral("简介(&H)"));
    about->setObjectName(QStringLiteral("简介"));
    // 帮助 opens the user guide and is named so; there is no blog.
    for (const auto& [name, text] :
         {std::pair{"帮助", "用户指南"}, std::pair{"捐助", "捐助"}, std::pair{"声明", "声明"}}) {
        QAction* action = about->addAction(QString::fromUtf8(text));
        action->setObjectName(QString::fromUtf8(name));
    }
}

void MainWindow::bindFileCommands() {
    auto button = [this](std::string_view name) {
        return static_cast<QPushButton*>(control(name));
    };
    connect(button(ctl::计算), &QPushButton::clicked, this, [this] { computeAsStep(); });
    connect(button(ctl::清空), &QPushButton::clicked, this, [this] { clearMeasurement(); });
    connect(button(ctl::打开), &QPushButton::clicked, this, [this] {
        if (!mayDropInput("打开另一个文件前")) {
            return;
        }
        OpenResult opened;
        run([&opened](Window& window) { opened = openCommand(window); });
        // A file that was not opened leaves the window exactly as it was, unsaved input
        // included.
        if (opened.outcome == OpenOutcome::Opened || opened.outcome == OpenOutcome::Incomplete) {
            afterOpened(choices_[std::string(ctl::通用对话框打开)].path, opened);
        }
    });
    connect(button(ctl::保存), &QPushButton::clicked, this, [this] { saveMeasurement(); });
}

void MainWindow::bindFormCommands() {
    auto button = [this](std::string_view name) {
        return static_cast<QPushButton*>(control(name));
    };
    connect(button(ctl::导出Excel), &QPushButton::clicked, this, [this] {
        if (!settledFor(ctl::导出Excel)) {
            return;
        }
        FormOutcome outcome;
        if (exportAction) {
            run([&](Window& window) { outcome = exportAction(window); });
        }
        if (outcome.status == FormOutcome::Status::Done) {
            setStatus(exportDoneStatus(outcome.file));
        } else if (outcome.status != FormOutcome::Status::Cancelled || waitShown_ >= 0) {
            // A failure, or a wait on the status bar that has ended.
            setStatus(unfinishedStatus("导出", outcome));
        }
    });
    connect(button(ctl::打印), &QPushButton::clicked, this, [this] {
        if (!settledFor(ctl::打印)) {
            return;
        }
        FormOutcome outcome;
        if (printAction) {
            // While a renderer runs the window stays painted and says so; closing it gives up
            // the wait and ends the renderer with everything it started.
            run([&](Window& window) {
                outcome = printAction(
                    window, [this](const std::string& subject) { return keepWaiting(subject); });
            });
        }
        if (outcome.status == FormOutcome::Status::Done) {
            // The printer the road used, not looked up again: that would ask the print
            // service once more, without the wait the road was given.
            setStatus(outcome.message.empty() ? printDoneStatus(outcome.printer, outcome.twoPages)
                                              : outcome.message);
        } else if (outcome.status != FormOutcome::Status::Cancelled || waitShown_ >= 0) {
            // A failure, or a wait on the status bar that has ended.
            setStatus(unfinishedStatus("打印", outcome));
        }
    });
}

void MainWindow::bindCommands() {
    // After the menus of the template's window: a user who never opens a store finds them as
    // they were.
    buildStoreMenu();
    bindFileCommands();
    bindFormCommands();
    auto button = [this](std::string_view name) {
        return static_cast<QPushButton*>(control(name));
    };
    connect(button(ctl::更多), &QPushButton::clicked, this, [this] { run(recordHeaderCommand); });
    connect(button(ctl::保存系数), &QPushButton::clicked, this, [this] {
        CoefficientOutcome saved;
        run([&saved](Window& window) { saved = saveCoefficientFile(window); });
        if (saved.status == CoefficientOutcome::Status::Done) {
            keepDefaultCoefficients();
        }
    });

    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    sheet_.setCurrentRow(current.row());
                }
            });
    // The grid moves the cursor down afterwards (to the new row on the last row).
    connect(grid_, &SheetView::enterPressed, this, [this](int row) {
        sheet_.setCurrentRow(row);
        run([](Window& window) { onSheetKey(window, 13); });
    });
    connect(model_, &SheetModel::sheetLayoutChanged, this, &MainWindow::relayout);
    bindSheetEditing();
    relayout();

    bindStaleTracking();
    bindUndoSteps();

    QMenu* about = menuBar()->findChild<QMenu*>(QStringLiteral("简介"));
    auto action = [about](const char* name) {
        return about->findChild<QAction*>(QString::fromUtf8(name));
    };
    connect(action("帮助"), &QAction::triggered, this, [this] { showGuide(*this, this); });
    connect(action("捐助"), &QAction::triggered, this, [this] { run(donationCommand); });
    connect(action("声明"), &QAction::triggered, this, [this] { run(statementCommand); });
}

QWidget* MainWindow::control(std::string_view name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

std::string MainWindow::text(std::string_view control) const {
    QWidget* widget = this->control(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        // The caption without its Alt key: "计算(&J)" is 计算, "导出&Excel" 导出Excel.
        QString caption = button->text();
        static const QRegularExpression kMnemonic(QStringLiteral("\\(&.\\)"));
        caption.remove(kMnemonic);
        caption.remove(QLatin1Char('&'));
        return caption.toStdString();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title().toStdString();
    }
    if (auto* status = qobject_cast<QStatusBar*>(widget)) {
        return status->currentMessage().toStdString();
    }
    return {};
}

void MainWindow::setText(std::string_view control, std::string_view text) {
    QWidget* widget = this->control(control);
    const QString value = qtext(text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // The length limit binds what the user types; a longer text set by a command (from a
        // file, say) is shown whole rather than cut.
        const auto limit = maxLengths_.find(control);
        if (limit != maxLengths_.end()) {
            edit->setMaxLength(std::max(limit->second, static_cast<int>(value.size())));
        }
        edit->setText(value);
        edit->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(value);
    } else if (auto* status = qobject_cast<QStatusBar*>(widget)) {
        status->showMessage(value);
    }
}

bool MainWindow::isSelected(std::string_view radio) const {
    auto* button = qobject_cast<QRadioButton*>(control(radio));
    return button != nullptr && button->isChecked();
}

void MainWindow::setSelected(std::string_view radio, bool selected) {
    auto* button = qobject_cast<QRadioButton*>(control(radio));
    if (button == nullptr || button->isChecked() == selected) {
        return;
    }
    // setChecked runs no click command. An exclusive group only lets go of its checked box
    // while it is not exclusive.
    if (!selected) {
        modes_->setExclusive(false);
        button->setChecked(false);
        modes_->setExclusive(true);
    } else {
        button->setChecked(true);
    }
}

bool MainWindow::isEnabled(std::string_view control) const {
    QWidget* widget = this->control(control);
    return widget != nullptr && widget->isEnabled();
}

void MainWindow::setEnabled(std::string_view control, bool enabled) {
    if (QWidget* widget = this->control(control)) {
        widget->setEnabled(enabled);
    }
}

int MainWindow::textColour(std::string_view label) const {
    const auto it = colours_.find(label);
    return it == colours_.end() ? kBlack : it->second;
}

void MainWindow::setTextColour(std::string_view label, int colour) {
    auto* widget = qobject_cast<QLabel*>(control(label));
    if (widget == nullptr) {
        return;
    }
    colours_.insert_or_assign(std::string(label), colour);
    restyleHeading(widget, colour);
}

int MainWindow::progress() const {
    return progressBar_->value();
}

void MainWindow::setProgress(int value) {
    progressBar_->setValue(std::clamp(value, 0, 100));
    // The fill that advances the bar keeps the event loop busy: paint now, and let the window
    // repaint what it owes (a closed dialog's place) without taking input.
    progressBar_->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::setStatus(std::string_view text) {
    statusBar()->showMessage(qtext(text));
}

} // namespace tarnelo
