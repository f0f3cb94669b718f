// The main window's side of the check pass: cell marks, the list of findings, and results shown
// as outdated while the input differs from the input they were computed from.
#include "app/qt/main_window.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/qt/uncertainty_view.hpp"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include <algorithm>

namespace tarnelo {

namespace {

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Results greyed while they are outdated.
constexpr std::string_view kOutdatedResults[] = {ctl::断面流量, ctl::断面面积, ctl::平均流速,
                                                 ctl::最大流速, ctl::水面宽,   ctl::平均水深,
                                                 ctl::最大水深, ctl::致谢框};

} // namespace

void MainWindow::buildFindingsControls() {
    model_->setMarks(&marks_);
    findingsDialog_ = new FindingsDialog(this);
    connect(findingsDialog_, &FindingsDialog::chosen, this,
            [this](const Finding& finding) { goToFinding(finding); });
    connect(findingsDialog_, &FindingsDialog::uncertaintyWanted, this,
            [this] { openUncertaintyView(this, computed_.computation(), shownStale_); });
    findingsButton_ = new QPushButton(statusBar());
    findingsButton_->setObjectName(QStringLiteral("问题按钮"));
    findingsButton_->setFlat(true);
    findingsButton_->setFixedHeight(18);
    findingsButton_->setFocusPolicy(Qt::NoFocus);
    findingsButton_->setToolTip(QStringLiteral("列出检查发现的问题（F8）"));
    findingsButton_->hide();
    statusBar()->addPermanentWidget(findingsButton_);
    connect(findingsButton_, &QPushButton::clicked, this, [this] { showFindings(); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F8), this);
    shortcut->setObjectName(QStringLiteral("问题列表快捷键"));
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] { showFindings(); });
}

// Every change of the input, however it came (typing, a command, a paste), ends in one of these
// signals; the stale state is derived from the input each time.
void MainWindow::bindStaleTracking() {
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { refreshStale(); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { refreshStale(); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { refreshStale(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { refreshStale(); });
    // Rows inserted among others or removed move the verticals under the findings; rows
    // added at the end (Enter on the last row) move nothing.
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) {
                if (last + 1 < model_->rowCount()) {
                    rowsMoved();
                }
            });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { rowsMoved(); });
    for (const CoefficientField& field : kCoefficientFields) {
        if (auto* edit = qobject_cast<QLineEdit*>(control(field.control))) {
            connect(edit, &QLineEdit::textChanged, this, [this] { refreshStale(); });
        }
    }
    connect(modes_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            refreshStale();
        }
    });
}

void MainWindow::afterCompute(const ComputeOutcome& outcome) {
    if (outcome.status == ComputeOutcome::Status::Cancelled) {
        return;
    }
    // Figures computed from input with errors are never shown as a finished result.
    const int errors = countSeverity(outcome.findings, Finding::Severity::Error);
    const bool unusable = outcome.status == ComputeOutcome::Status::Computed && errors > 0;
    // The status line the computation left, as the run's own words.
    std::string status = computationStatusLine(outcome.run->computation);
    if (unusable) {
        setText(ctl::致谢框, unusableResultsText(errors));
        status = "结果不可用：输入中" + findingCounts(outcome.findings) +
                 "，请改正后重新计算（F8 列出问题）。";
        setStatus(status);
    }
    computed_.record(outcome, std::move(status));
    rowsMovedSince_ = false;
    marks_.set(computed_.findings());
    showResultsUnusable(unusable ? outcome.findings : std::vector<Finding>());
    showComputedState();
    runStatusShown_ = true;
}

void MainWindow::forgetComputation() {
    computed_.forget();
    marks_.clear();
    runStatusShown_ = false;
    showResultsUnusable({});
    if (showComputedState()) {
        setStatus("");
    }
}

bool MainWindow::showComputedState() {
    model_->marksChanged();
    showFindingCounts();
    refreshSectionPlot();
    if (!shownStale_) {
        return false;
    }
    shownStale_ = false;
    showResultsStale(false);
    return true;
}

void MainWindow::refreshStale() {
    if (commandDepth_ > 0) {
        return;
    }
    dropRunStatus();
    const bool stale = computed_.stale(*this);
    if (stale == shownStale_) {
        return;
    }
    shownStale_ = stale;
    showResultsStale(stale);
    if (computed_.computed()) {
        setEnabled(ctl::导出Excel, !stale);
        setEnabled(ctl::打印, !stale);
    }
    setStatus(stale ? kStaleStatus : std::string_view(computed_.status()));
}

void MainWindow::dropRunStatus() {
    const ComputedRun* run = document_.lastRun();
    if (!runStatusShown_ || run == nullptr || sameInput(document_.gauging(), run->input)) {
        return;
    }
    runStatusShown_ = false;
    if (text(ctl::状态条1) == computed_.status()) {
        setStatus("");
    }
    if (findingsButton_->isVisible()) {
        findingsButton_->setText(QStringLiteral("问题列表（F8）"));
    }
}

void MainWindow::rowsMoved() {
    if (commandDepth_ > 0) {
        return;
    }
    if (marks_.empty() && computed_.findings().empty()) {
        return;
    }
    rowsMovedSince_ = true;
    // The findings name rows that now hold other verticals: they go until the next 计算.
    marks_.clear();
    computed_.dropFindings();
    runStatusShown_ = false;
    model_->marksChanged();
    showFindingCounts();
    refreshSectionPlot();
    setStatus(kRowsMovedStatus);
}

void MainWindow::showResultsStale(bool stale) {
    model_->setStale(stale);
    styleResults();
    refreshSectionPlot();
}

void MainWindow::showResultsUnusable(const std::vector<Finding>& findings) {
    std::vector<Finding> errors;
    for (const Finding& finding : findings) {
        if (finding.severity == Finding::Severity::Error) {
            errors.push_back(finding);
        }
    }
    shownUnusable_ = !errors.empty();
    unusableReason_ =
        errors.empty() ? QString()
                       : qtext(kUnusableResults) + QLatin1Char('\n') + qtext(findingList(errors));
    styleResults();
}

void MainWindow::styleResults() {
    for (const std::string_view name : kOutdatedResults) {
        auto* box = qobject_cast<QLineEdit*>(control(name));
        if (box == nullptr) {
            continue;
        }
        QString style;
        if (shownUnusable_) {
            style += QStringLiteral("background: #F8C8C4;");
        }
        if (shownStale_) {
            style += QStringLiteral("color: #9A9A9A;");
        } else if (shownUnusable_ && name == ctl::致谢框) {
            style += QStringLiteral("color: #B00000;");
        }
        box->setStyleSheet(style.isEmpty() ? QString()
                                           : QStringLiteral("QLineEdit { %1 }").arg(style));
        box->setToolTip(shownStale_                  ? qtext(kStaleResults)
                        : !unusableReason_.isEmpty() ? unusableReason_
                                                     : QStringLiteral("由“计算”得出"));
        box->setProperty("stale", shownStale_);
        box->setProperty("unusable", shownUnusable_);
    }
    fitCompletionText();
}

void MainWindow::fitCompletionText() {
    auto* box = qobject_cast<QLineEdit*>(control(ctl::致谢框));
    if (box == nullptr) {
        return;
    }
    QFont font = box->parentWidget()->font();
    const int room = box->width() - 8;
    while (QFontMetrics(font).horizontalAdvance(box->text()) > room && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    box->setFont(font);
}

QString MainWindow::emptyFindingsReason() const {
    if (!computed_.computed()) {
        return QStringLiteral("尚未计算：按“计算”（F5）后，这里列出检查发现的问题。");
    }
    if (rowsMovedSince_) {
        return QStringLiteral("计算后插入或删除了行，原来的问题已不对应所在的行，"
                              "已清除。请重新计算（F5）。");
    }
    if (shownStale_) {
        return QStringLiteral("上次计算没有发现问题；此后输入已修改，请重新计算（F5）。");
    }
    return QStringLiteral("上次计算没有发现问题。");
}

void MainWindow::showFindingCounts() {
    const std::vector<Finding>& findings = computed_.findings();
    findingsDialog_->setFindings(findings, emptyFindingsReason());
    if (findings.empty()) {
        findingsButton_->hide();
        return;
    }
    findingsButton_->setText(QStringLiteral("问题列表（F8）：") + qtext(findingCounts(findings)));
    findingsButton_->show();
}

void MainWindow::showFindings() {
    settleEdit();
    findingsDialog_->setFindings(computed_.findings(), emptyFindingsReason());
    findingsDialog_->show();
    findingsDialog_->raise();
    findingsDialog_->activateWindow();
}

void MainWindow::goToFinding(const Finding& finding) {
    activateWindow();
    if (finding.isCell()) {
        const QModelIndex at = model_->index(finding.row, finding.column);
        grid_->setCurrentIndex(at);
        grid_->scrollTo(at);
        grid_->setFocus();
    } else if (QWidget* field =
                   finding.isCoefficient()
                       ? control(kCoefficientFields[finding.coefficientIndex()].control)
                       : nullptr) {
        field->setFocus();
    }
}

} // namespace tarnelo
