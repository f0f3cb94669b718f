#include "app/qt/station_table_dialog.hpp"

#include "app/qt/svg_picture.hpp"

#include "app/qt/qt_text.hpp"
#include "compute/numtext.hpp"
#include "files/file_io.hpp"
#include "report/rating_plot.hpp"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarnelo {

namespace {

// Columns whose texts are numbers sort as numbers.
bool numericColumn(std::size_t column) {
    return column == 0 || column == 1 || column == 2 || (column >= 7 && column <= 16) ||
           column >= 18;
}

constexpr int kFileRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;

// A cell that shows its text as the form prints it and sorts by its number when it has one.
class TableItem : public QTableWidgetItem {
  public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(kNumberRole);
        const QVariant theirs = other.data(kNumberRole);
        if (mine.isValid() && theirs.isValid()) {
            return mine.toDouble() < theirs.toDouble();
        }
        if (mine.isValid() != theirs.isValid()) {
            return mine.isValid();
        }
        return QTableWidgetItem::operator<(other);
    }
};

} // namespace

StationTableDialog::StationTableDialog(Window& owner,
                                       std::function<void(const std::filesystem::path&)> open,
                                       QWidget* parent)
    : QDialog(parent), owner_(owner), open_(std::move(open)) {
    setObjectName(QStringLiteral("实测流量成果表"));
    setWindowTitle(QStringLiteral("实测流量成果表"));
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("成果表标题"));
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title_->setFont(big);
    title_->setAlignment(Qt::AlignCenter);

    const auto columns = station::tableColumns();
    grid_ = new QTableWidget(0, static_cast<int>(columns.size()), this);
    grid_->setObjectName(QStringLiteral("成果表"));
    QStringList headings;
    for (const auto& column : columns) {
        QString heading = qtext(column.group.empty()
                                    ? column.name
                                    : std::string(column.group) + "\n" + std::string(column.name));
        if (!column.unit.empty()) {
            heading += QStringLiteral("\n(") + qtext(column.unit) + QStringLiteral(")");
        }
        headings << heading;
    }
    grid_->setHorizontalHeaderLabels(headings);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->hide();
    grid_->setSortingEnabled(true);
    grid_->setWordWrap(false);
    grid_->setToolTip(QStringLiteral("单击列头排序；双击一行打开该次测验"));
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const QTableWidgetItem* item = grid_->item(row, 0);
        if (item != nullptr && open_) {
            open_(toPath(item->data(kFileRole).toString()));
        }
    });

    problems_ = new QPlainTextEdit(this);
    problems_->setObjectName(QStringLiteral("问题"));
    problems_->setReadOnly(true);
    problems_->setMaximumHeight(110);

    auto* choose = new QPushButton(QStringLiteral("选择文件夹..."), this);
    choose->setObjectName(QStringLiteral("选择文件夹"));
    export_ = new QPushButton(QStringLiteral("导出成果表..."), this);
    export_->setObjectName(QStringLiteral("导出成果表"));
    print_ = new QPushButton(QStringLiteral("打印成果表..."), this);
    print_->setObjectName(QStringLiteral("打印成果表"));
    relation_ = new QPushButton(QStringLiteral("水位流量关系..."), this);
    relation_->setObjectName(QStringLiteral("水位流量关系"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton* b : {choose, export_, print_, relation_, close}) {
        b->setAutoDefault(false);
    }
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, QStringLiteral("选择存放测验文件的文件夹"),
                                              qpath(owner_.documentFolder() / "Text data"));
        if (!folder.isEmpty()) {
            loadFolder(toPath(folder));
        }
    });
    connect(export_, &QPushButton::clicked, this, [this] { exportTable(); });
    connect(print_, &QPushButton::clicked, this, [this] { printTable(); });
    connect(relation_, &QPushButton::clicked, this, [this] { showRelation(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addStretch(1);
    buttons->addWidget(export_);
    buttons->addWidget(relation_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(grid_, 1);
    layout->addWidget(new QLabel(QStringLiteral("未列入或需注意的文件："), this));
    layout->addWidget(problems_);
    layout->addLayout(buttons);
    resize(1180, 640);
    fill();
}

bool StationTableDialog::loadFolder(const std::filesystem::path& folder) {
    std::vector<station::TableProblem> listing;
    const auto files = station::gaugingFiles({folder}, listing);
    QProgressDialog progress(QStringLiteral("正在读入测验文件..."), QStringLiteral("取消"), 0,
                             static_cast<int>(files.size()), this);
    progress.setObjectName(QStringLiteral("读入进度"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    std::vector<station::StationGauging> gaugings;
    gaugings.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i % 8 == 0) {
            progress.setValue(static_cast<int>(i));
            progress.setLabelText(
                QStringLiteral("正在读入测验文件 %1 / %2 ...").arg(i + 1).arg(files.size()));
            QApplication::processEvents();
            if (progress.wasCanceled()) {
                return false;
            }
        }
        gaugings.push_back(station::readGauging(files[i]));
    }
    progress.setValue(static_cast<int>(files.size()));
    table_ = station::buildStationTable(gaugings);
    table_.problems.insert(table_.problems.begin(), listing.begin(), listing.end());
    fill();
    owner_.setStatus("实测流量成果表：读入 " + std::to_string(files.size()) + " 个文件，列入 " +
                     std::to_string(table_.rows.size()) + " 次测验");
    return true;
}

void StationTableDialog::fill() {
    const bool any = !table_.rows.empty();
    title_->setText(any || !table_.problems.empty() ? qtext(tableTitle(table_))
                                                    : QStringLiteral("请选择存放测验文件的文件夹"));
    grid_->setSortingEnabled(false);
    grid_->setRowCount(static_cast<int>(table_.rows.size()));
    for (std::size_t r = 0; r < table_.rows.size(); ++r) {
        const auto texts = station::rowTexts(table_.rows[r]);
        for (std::size_t c = 0; c < texts.size(); ++c) {
            auto* item = new TableItem(qtext(texts[c]));
            if (numericColumn(c) && num::isWholeNumber(texts[c])) {
                item->setData(kNumberRole, num::numberOf(texts[c]));
            }
            item->setTextAlignment(Qt::AlignCenter);
            if (c == 0) {
                item->setData(kFileRole, qpath(table_.rows[r].file));
                item->setToolTip(qpath(table_.rows[r].file));
            }
            grid_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    // The table's own order (施测时间, then 施测号数) until a heading is clicked.
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid_->setSortingEnabled(true);
    grid_->resizeColumnsToContents();
    grid_->resizeRowsToContents();
    QStringList lines;
    for (const auto& p : table_.problems) {
        lines << qtext(p.file.filename().string() + "：" + p.reason);
    }
    problems_->setPlainText(lines.isEmpty() ? QStringLiteral("（无）") : lines.join('\n'));
    export_->setEnabled(any);
    print_->setEnabled(any);
    relation_->setEnabled(any);
}

bool StationTableDialog::exportTable() {
    const FileChoice choice = owner_.chooseFile(dlg::成果表, owner_.documentFolder() / "excel");
    if (!choice.confirmed) {
        return false;
    }
    if (const auto failed = writeStationTableWorkbook(table_, choice.path)) {
        owner_.showMessage("实测流量成果表未能保存：" + *failed, "提示：", MessageIcon::Warning);
        return false;
    }
    owner_.setStatus("实测流量成果表已保存到 " + choice.path.string());
    return true;
}

RatingReport StationTableDialog::relation() const {
    return ratingReport(table_, {}, station::RatingForm::Power, 0.10,
                        station::StationClass::Second);
}

void StationTableDialog::showRelation() {
    const RatingReport report = relation();
    const std::string svg = ratingPlotSvg(report);
    delete relationWindow_;
    auto* window = new QWidget(this, Qt::Window);
    relationWindow_ = window;
    window->setObjectName(QStringLiteral("水位流量关系图"));
    window->setWindowTitle(QStringLiteral("水位流量关系"));
    QWidget* picture = makeSvgView(window);
    showSvg(picture, QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    picture->setMinimumSize(640, 450);
    auto* details = new QPlainTextEdit(window);
    details->setReadOnly(true);
    details->setMaximumHeight(130);
    QStringList lines;
    if (!report.fit().problem.empty()) {
        lines << qtext("未能定线：" + report.fit().problem);
    } else {
        const station::RatingVerdict verdict = report.verdict();
        lines << qtext("定线结论：" + verdict.headline());
        for (const std::string& reason : verdict.reasons) {
            lines << qtext("  " + reason);
        }
        for (const std::string& note : verdict.notes) {
            lines << qtext("  " + note);
        }
        lines << qtext("关系线：" + report.fit().curve.equation());
        for (const auto* t :
             {&report.fit().tests.sign, &report.fit().tests.run, &report.fit().tests.deviation}) {
            lines << qtext(std::string(t->name) + "：" + verdictText(t->passed) + "。" + t->detail);
        }
        lines << qtext("系统误差 " + num::fixedText(report.fit().tests.meanDeviation * 100, 2) +
                       "%，随机不确定度 " +
                       num::fixedText(report.fit().tests.randomUncertainty * 100, 2) + "%");
        lines << qtext("绳套（涨落）：" + report.review.loop.detail);
        lines << qtext("时序变化：" + report.review.drift.detail);
        for (const station::Outlier& o : report.review.outliers) {
            lines << qtext("突出点：施测号数 " + report.points[o.point].label + "，偏离 " +
                           station::deviationText(o.deviation) + "，未剔除" +
                           (o.likely.empty() ? "" : "；可能原因：" + o.likely));
        }
    }
    details->setPlainText(lines.join('\n'));
    auto* savePicture = new QPushButton(QStringLiteral("保存关系图..."), window);
    auto* saveTable = new QPushButton(QStringLiteral("保存推流表..."), window);
    saveTable->setEnabled(report.fit().problem.empty());
    connect(savePicture, &QPushButton::clicked, window, [this, svg] {
        const FileChoice choice = owner_.chooseFile(dlg::关系图, owner_.documentFolder() / "excel");
        if (choice.confirmed && !writeFileAtomic(choice.path, svg)) {
            owner_.showMessage("关系图未能保存：" + lastWriteProblem(), "提示：",
                               MessageIcon::Warning);
        }
    });
    connect(saveTable, &QPushButton::clicked, window, [this, report] {
        const FileChoice choice = owner_.chooseFile(dlg::推流表, owner_.documentFolder() / "excel");
        if (!choice.confirmed) {
            return;
        }
        if (const auto failed = writeRatingWorkbook(report, choice.path)) {
            owner_.showMessage("推流表未能保存：" + *failed, "提示：", MessageIcon::Warning);
        }
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(savePicture);
    buttons->addWidget(saveTable);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(picture, 1);
    layout->addWidget(details);
    layout->addLayout(buttons);
    window->resize(kRatingPlotWidth + 24, kRatingPlotHeight + 200);
    window->show();
    window->raise();
}

} // namespace tarnelo
