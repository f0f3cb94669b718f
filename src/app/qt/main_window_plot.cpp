// The main window's side of the section picture: the menu entry and shortcut of 断面图, the
// window that follows every computation, and the uncertainty in the status bar.
#include "app/qt/main_window.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/section_plot_window.hpp"
#include "compute/section.hpp"
#include "compute/uncertainty.hpp"
#include "report/section_plot.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace tarnelo {

void MainWindow::buildSectionPlotControls() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("查看"));
    view->setObjectName(QStringLiteral("查看"));
    QAction* plot = view->addAction(QStringLiteral("断面图"));
    plot->setObjectName(QStringLiteral("断面图"));
    plot->setShortcut(QKeySequence(Qt::Key_F9));
    plot->setShortcutContext(Qt::WindowShortcut);
    connect(plot, &QAction::triggered, this, [this] { showSectionPlot(); });

    uncertaintyLabel_ = new QLabel(statusBar());
    uncertaintyLabel_->setObjectName(QStringLiteral("不确定度"));
    uncertaintyLabel_->setToolTip(
        QStringLiteral("断面流量的相对扩展不确定度（95%），按相邻垂线插值方差估计法（IVE）"));
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

void MainWindow::refreshSectionPlot() {
    const MeasuredSection section = readSection(*this);
    const std::string summary =
        section.computed() ? uncertaintySummary(estimateUncertainty(section)) : std::string();
    uncertaintyLabel_->setText(qtext(summary));
    // No uncertainty is claimed for figures that cannot be used.
    uncertaintyLabel_->setVisible(!summary.empty() && !shownUnusable_);
    if (plotWindow_ != nullptr) {
        plotWindow_->showPicture(sectionPlotSvg(*this, computed_.findings()), summary);
    }
}

} // namespace tarnelo
