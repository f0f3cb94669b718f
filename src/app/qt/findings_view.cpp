#include "app/qt/findings_view.hpp"

#include "app/qt/wrapped_items.hpp"

#include <QBrush>
#include <QColor>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnelo {

namespace {

const QColor kErrorBackground(0xF8, 0xC8, 0xC4);
const QColor kNoticeBackground(0xFC, 0xEB, 0xB0);
// The further cells of a finding that covers several rows.
const QColor kLightNoticeBackground(0xFE, 0xF6, 0xDA);
// Computed cells of a row with an error: paler than the error itself.
const QColor kUnusableBackground(0xF6, 0xE4, 0xE2);

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void CellMarks::set(const std::vector<Finding>& findings) {
    clear();
    for (const Finding& finding : findings) {
        if (!finding.isCell()) {
            continue;
        }
        if (finding.severity == Finding::Severity::Error) {
            QString& why = errorRows_[finding.row];
            why += (why.isEmpty() ? QStringLiteral("本行输入有错误，计算值不可用：\n")
                                  : QStringLiteral("\n")) +
                   qtext(findingLine(finding));
        }
        const QString line =
            qtext(severityName(finding.severity)) + QStringLiteral("：") + qtext(finding.reason);
        for (const int row : finding.alsoRows) {
            marks_.try_emplace({row, finding.column}, Mark{finding.severity, line, true});
        }
        auto [it, added] =
            marks_.try_emplace({finding.row, finding.column}, Mark{finding.severity, line, false});
        if (!added && it->second.light) {
            it->second = Mark{finding.severity, line, false};
        } else if (!added) {
            // An error outranks a notice on the same cell; both reasons are shown.
            if (finding.severity == Finding::Severity::Error) {
                it->second.severity = Finding::Severity::Error;
            }
            it->second.reasons += QLatin1Char('\n') + line;
        }
    }
}

QVariant CellMarks::data(int row, int column, int role) const {
    const auto it = marks_.find({row, column});
    if (it == marks_.end()) {
        return {};
    }
    const bool error = it->second.severity == Finding::Severity::Error;
    switch (role) {
    case Qt::BackgroundRole:
        return QBrush(error              ? kErrorBackground
                      : it->second.light ? kLightNoticeBackground
                                         : kNoticeBackground);
    case Qt::ToolTipRole:
        return it->second.reasons;
    case kFindingRole:
        return qtext(severityName(it->second.severity));
    default:
        return {};
    }
}

QVariant CellMarks::computedData(int row, int role) const {
    const auto it = errorRows_.find(row);
    if (it == errorRows_.end()) {
        return {};
    }
    switch (role) {
    case Qt::BackgroundRole:
        return QBrush(kUnusableBackground);
    case Qt::ToolTipRole:
        return it->second;
    default:
        return {};
    }
}

FindingsDialog::FindingsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("问题列表"));
    setWindowTitle(QStringLiteral("检查发现的问题"));
    resize(560, 320);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("双击或按回车转到该处。"), this);
    layout->addWidget(hint);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("问题"));
    // A long reason wraps onto further lines of its row.
    wrapLongTexts(*list_);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    QPushButton* uncertainty =
        buttons->addButton(QStringLiteral("不确定度..."), QDialogButtonBox::ActionRole);
    uncertainty->setObjectName(QStringLiteral("不确定度按钮"));
    uncertainty->setAutoDefault(false);
    connect(uncertainty, &QPushButton::clicked, this, [this] { emit uncertaintyWanted(); });
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int i = list_->row(item);
        if (i >= 0 && static_cast<std::size_t>(i) < findings_.size()) {
            const Finding finding = findings_[static_cast<std::size_t>(i)];
            accept();
            emit chosen(finding);
        }
    });
}

void FindingsDialog::setFindings(const std::vector<Finding>& findings, const QString& whenEmpty) {
    findings_ = findings;
    list_->clear();
    for (const Finding& finding : findings_) {
        auto* item = new QListWidgetItem(qtext(severityName(finding.severity)) +
                                             QStringLiteral("  ") + qtext(findingLine(finding)),
                                         list_);
        item->setBackground(finding.severity == Finding::Severity::Error ? kErrorBackground
                                                                         : kNoticeBackground);
    }
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    } else if (!whenEmpty.isEmpty()) {
        auto* item = new QListWidgetItem(whenEmpty, list_);
        item->setFlags(Qt::ItemIsEnabled);
        item->setForeground(QColor(0x60, 0x60, 0x60));
    }
}

} // namespace tarnelo
