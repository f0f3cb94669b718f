#include "app/qt/uncertainty_view.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/wrapped_items.hpp"
#include "measure/numtext.hpp"
#include "measure/section.hpp"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tarnelo {

namespace {

QString percentText(double percent, int decimals) {
    return qtext(num::fixedText(percent, decimals)) + QStringLiteral(" %");
}

} // namespace

UncertaintyView::UncertaintyView(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("不确定度视图"));
    setWindowTitle(QStringLiteral("不确定度"));
    resize(720, 440);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("不确定度摘要"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("不确定度分量"));
    tree_->setHeaderLabels({QStringLiteral("分量"), QStringLiteral("标准不确定度（1σ）"),
                            QStringLiteral("类别"), QStringLiteral("说明")});
    tree_->setRootIsDecorated(true);
    tree_->header()->setStretchLastSection(true);
    // Notes and sources wrap within 说明 rather than being cut.
    wrapLongTexts(*tree_, 3);
    layout->addWidget(tree_, 1);
    auto* hint = new QLabel(QStringLiteral("各分量为断面流量的相对标准不确定度；扩展不确定度（95%）"
                                           "= 覆盖因子 × 合成标准不确定度。"),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void UncertaintyView::showComputation(const Computation* computation, bool stale) {
    setProperty("stale", false);
    tree_->setStyleSheet(QString());
    if (computation == nullptr || !computation->section.computed()) {
        summary_->setText(QStringLiteral("尚未计算出断面流量：按“计算”后再看不确定度。"));
        tree_->clear();
        return;
    }
    showUncertainty(computation->uncertainty, computation->section.dischargeText);
    if (stale) {
        setProperty("stale", true);
        summary_->setText(QStringLiteral("已过时：计算后输入已修改，以下是上次计算的数字，"
                                         "请重新计算（F5）。\n") +
                          summary_->text());
        tree_->setStyleSheet(QStringLiteral("QTreeWidget { color: #8A8A8A; }"));
    }
}

void UncertaintyView::showUncertainty(const SectionUncertainty& uncertainty,
                                      const std::string& dischargeText) {
    summary_->setText(qtext(uncertaintySummary(uncertainty, dischargeText)));
    tree_->clear();
    addMethod(uncertainty.iso748, QStringLiteral("ISO 748"));
    addMethod(uncertainty.ive, QStringLiteral("IVE"));
    tree_->expandAll();
    for (int c = 0; c < 3; ++c) {
        tree_->resizeColumnToContents(c);
    }
}

void UncertaintyView::addMethod(const UncertaintyMethod& method, const QString& name) {
    auto* top = new QTreeWidgetItem(tree_);
    top->setText(0, name);
    if (!method.percent) {
        top->setText(1, QStringLiteral("无法估算"));
        top->setText(3, qtext(method.reason));
    } else {
        top->setText(1, percentText(*method.standardPercent, 2));
        top->setText(2, QStringLiteral("合成"));
        top->setText(3, QStringLiteral("95%：± ") + percentText(*method.percent, 1) +
                            QStringLiteral("，") + qtext(method.coverage));
        for (const bool systematic : {false, true}) {
            for (const UncertaintyComponent& c : method.components) {
                if (c.systematic != systematic) {
                    continue;
                }
                auto* item = new QTreeWidgetItem(top);
                item->setText(0, qtext(c.name));
                item->setText(1, c.percent ? percentText(*c.percent, 2) : QStringLiteral("未知"));
                item->setText(2, systematic ? QStringLiteral("系统") : QStringLiteral("随机"));
                item->setText(3, qtext(c.note));
            }
        }
        for (const std::string& note : method.notes) {
            auto* item = new QTreeWidgetItem(top);
            item->setText(0, QStringLiteral("注"));
            item->setText(3, qtext(note));
        }
    }
    auto* source = new QTreeWidgetItem(top);
    source->setText(0, QStringLiteral("来源"));
    source->setText(3, qtext(method.source));
    source->setToolTip(3, qtext(method.source));
}

void openUncertaintyView(QWidget* parent, const Computation* computation, bool stale) {
    auto* view = parent->findChild<UncertaintyView*>(QString(), Qt::FindDirectChildrenOnly);
    if (view == nullptr) {
        view = new UncertaintyView(parent);
    }
    view->showComputation(computation, stale);
    view->show();
    view->raise();
    view->activateWindow();
}

void refreshUncertaintyView(QWidget* parent, const Computation* computation, bool stale) {
    if (auto* view = parent->findChild<UncertaintyView*>(QString(), Qt::FindDirectChildrenOnly)) {
        view->showComputation(computation, stale);
    }
}

} // namespace tarnelo
