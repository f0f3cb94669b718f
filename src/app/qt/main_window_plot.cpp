// The main window's side of the section picture: the menu entry and shortcut of 断面图, the
// window that follows every computation, and the uncertainty in the status bar.
#include "app/qt/main_window.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/section_plot_window.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/qt/station_table_dialog.hpp"
#include "app/qt/uncertainty_view.hpp"
#include "app/store_commands.hpp"
#include "files/record_header.hpp"
#include "measure/section.hpp"
#include "report/section_plot.hpp"
#include "uncertainty/uncertainty.hpp"
#include "window/window_gauging.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace tarnelo {

namespace {

constexpr std::string_view kUncertaintyTip =
    "断面流量的相对扩展不确定度（95%），按 ISO 748 和相邻垂线插值方差估计法（IVE）；"
    "查看 → 不确定度 列出各分量";

// The status bar's short form of the uncertainty: a bracket of a figure keeps only the method's
// name ("（ISO 748）"), the rest goes to the tooltip, so that the figures fit beside the findings.
// A bracket saying why there is no figure stays whole.
std::string shortSummary(std::string_view summary) {
    return rewriteBrackets(summary, [](std::string_view inside) {
        if (inside.find("95%") == std::string_view::npos) {
            return "（" + std::string(inside) + "）";
        }
        return inside.starts_with("ISO")
                   ? "（" + std::string(inside.substr(0, inside.find("，"))) + "）"
                   : std::string();
    });
}

} // namespace

void MainWindow::buildSectionPlotControls() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    view->setObjectName(QStringLiteral("查看"));
    QAction* plot = view->addAction(QStringLiteral("断面图"));
    plot->setObjectName(QStringLiteral("断面图"));
    plot->setShortcut(QKeySequence(Qt::Key_F9));
    plot->setShortcutContext(Qt::WindowShortcut);
    connect(plot, &QAction::triggered, this, [this] { showSectionPlot(); });
    QAction* uncertainty = view->addAction(QStringLiteral("不确定度"));
    uncertainty->setObjectName(QStringLiteral("不确定度菜单"));
    connect(uncertainty, &QAction::triggered, this,
            [this] { openUncertaintyView(this, computed_.computation(), shownStale_); });
    QAction* table = view->addAction(QStringLiteral("实测流量成果表..."));
    table->setObjectName(QStringLiteral("实测流量成果表"));
    connect(table, &QAction::triggered, this, [this] { showStationTable(); });
    buildThreePointMenu(view);

    uncertaintyLabel_ = new QLabel(statusBar());
    uncertaintyLabel_->setObjectName(QStringLiteral("不确定度"));
    uncertaintyLabel_->setToolTip(qtext(kUncertaintyTip));
    // Clear of the window's right edge.
    uncertaintyLabel_->setContentsMargins(0, 0, 6, 0);
    uncertaintyLabel_->hide();
    statusBar()->addPermanentWidget(uncertaintyLabel_);
}

SectionPlotWindow& MainWindow::sectionPlotWindow() {
    if (plotWindow_ == nullptr) {
        plotWindow_ = new SectionPlotWindow(*this, this);
        refreshSectionPlot();
    }
    return *plotWindow_;
}

void MainWindow::showSectionPlot() {
    SectionPlotWindow& window = sectionPlotWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

MeasuredSection MainWindow::shownSection() const {
    // The section 计算 made, also while its figures are outdated: the uncertainty and the
    // picture are never of input no one has computed. Before any, the soundings typed so far.
    if (computed_.computed()) {
        return computed_.section();
    }
    // Every typed text counts, as the sheet shows it (nothing computed is in it yet).
    const Gauging gauging = gaugingOf(*this);
    Gauging typed = gauging;
    typed.mode = EntryMode::Unknown;
    return readSection(gauging, typedTable(typed), "");
}

FormSheet MainWindow::computedForm() const {
    const ComputedRun& run = *computed_.run();
    return formSheetOf(run.input, run.computation, document_.header().lines());
}

void MainWindow::refreshSectionPlot() {
    const MeasuredSection section = shownSection();
    // The computation's own estimate; before any, none is claimed for the soundings alone.
    const SectionUncertainty uncertainty =
        computed_.computed() ? computed_.computation()->uncertainty : estimateUncertainty(section);
    const std::string summary =
        section.computed() ? uncertaintySummary(uncertainty, section.dischargeText) : std::string();
    // Figures computed before the input changed say so, in grey, until the next 计算.
    const std::string shown = shortSummary(summary);
    uncertaintyLabel_->setText(
        qtext(shownStale_ && !summary.empty() ? shown + "（已过时）" : shown));
    uncertaintyLabel_->setToolTip(qtext(summary.empty()
                                            ? std::string(kUncertaintyTip)
                                            : summary + "\n" + std::string(kUncertaintyTip)));
    uncertaintyLabel_->setStyleSheet(shownStale_ ? QStringLiteral("color: #8A8A8A;") : QString());
    uncertaintyLabel_->setProperty("stale", shownStale_);
    // No uncertainty is claimed for figures that cannot be used.
    uncertaintyLabel_->setVisible(!summary.empty() && !shownUnusable_);
    refreshUncertaintyView(this, computed_.computation(), shownStale_);
    if (plotWindow_ != nullptr) {
        // Drawn in a few milliseconds between two events: nothing stops it.
        plotWindow_->showPicture(sectionPlotDrawing(section,
                                                    sectionPlotTitle(document_.header().lines()),
                                                    computed_.findings(), uncertainty, {}),
                                 summary);
    }
}

StationTableDialog& MainWindow::showStationTable() {
    if (stationTable_ == nullptr) {
        // A double-click opens the gauging as 打开 does, asking first about unsaved input.
        stationTable_ = new StationTableDialog(
            *this,
            [this](const std::filesystem::path& file) {
                if (!mayDropInput("打开“" + utf8(qpath(file.filename())) + "”前")) {
                    return;
                }
                if (const OpenResult opened = openFile(file);
                    opened.outcome == OpenOutcome::Opened ||
                    opened.outcome == OpenOutcome::Incomplete) {
                    raise();
                    activateWindow();
                }
            },
            this);
        stationTable_->openStored = [this](const std::string& location, const std::string& name) {
            if (mayDropInput("打开“" + storedFileName(name) + "”前") &&
                openStored(location, name)) {
                raise();
                activateWindow();
            }
        };
        stationTable_->show();
        // The year read last comes back, also after a new start.
        stationTable_->loadKeptFolder();
    }
    stationTable_->show();
    stationTable_->raise();
    stationTable_->activateWindow();
    return *stationTable_;
}

} // namespace tarnelo
