#include "app/qt/rating_window.hpp"

#include "app/qt/drawing_view.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/station_outputs.hpp"
#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "report/rating_plot.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace tarnelo {

namespace {

// Room the window needs beside the picture: margins, the text under it and the buttons.
constexpr int kBesideWidth = 24;
constexpr int kBelowHeight = 200;
// The picture is never drawn smaller than this.
constexpr QSize kLeastPicture(480, 300);

} // namespace

RatingWindow::RatingWindow(const RatingReport& report, Window& owner, QWidget* parent)
    : QWidget(parent, Qt::Window), owner_(owner), report_(report),
      picture_(ratingPlotDrawing(report)) {
    setObjectName(QStringLiteral("水位流量关系图"));
    setWindowTitle(QStringLiteral("水位流量关系"));
    // Escape closes it, as it closes the other windows of the program.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* picture = new DrawingView(this);
    picture->setObjectName(QStringLiteral("关系图画面"));
    picture->setPicture(picture_);
    picture->setMinimumSize(kLeastPicture);
    auto* details = new QPlainTextEdit(this);
    details->setObjectName(QStringLiteral("定线结论"));
    details->setReadOnly(true);
    details->setMaximumHeight(130);
    details->setPlainText(detailsText());
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("关系图状态"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* savePictureButton = new QPushButton(QStringLiteral("保存关系图..."), this);
    savePictureButton->setObjectName(QStringLiteral("保存关系图"));
    auto* saveTableButton = new QPushButton(QStringLiteral("保存推流表..."), this);
    saveTableButton->setObjectName(QStringLiteral("保存推流表"));
    saveTableButton->setEnabled(report_.fit().problem.empty());
    auto* keepButton = new QPushButton(QStringLiteral("复核保留..."), this);
    keepButton->setObjectName(QStringLiteral("复核保留"));
    keepButton->setToolTip(QStringLiteral("突出点经复核无误时保留，参加定线并写明原因"));
    keepButton->setEnabled(std::any_of(
        report_.review.outliers.begin(), report_.review.outliers.end(),
        [&](const station::Outlier& o) { return report_.review.isUnhandledOutlier(o.point); }));
    connect(keepButton, &QPushButton::clicked, this, [this] { keepOutliers(); });
    connect(savePictureButton, &QPushButton::clicked, this, [this] { savePicture(); });
    connect(saveTableButton, &QPushButton::clicked, this, [this] { saveTable(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(keepButton);
    buttons->addWidget(savePictureButton);
    buttons->addWidget(saveTableButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture, 1);
    layout->addWidget(details);
    layout->addLayout(buttons);
}

QSize RatingWindow::fittingSize(const QRect& area) {
    const double scale =
        std::min({1.0, static_cast<double>(area.width() - kBesideWidth) / kRatingPlotWidth,
                  static_cast<double>(area.height() - kBelowHeight) / kRatingPlotHeight});
    const int width = std::max(static_cast<int>(kRatingPlotWidth * scale), kLeastPicture.width());
    const int height =
        std::max(static_cast<int>(kRatingPlotHeight * scale), kLeastPicture.height());
    return {width + kBesideWidth, height + kBelowHeight};
}

QString RatingWindow::detailsText() const {
    const RatingReport& report = report_;
    QStringList lines;
    if (!report.fit().problem.empty()) {
        lines << qtext("未能定线：" + report.fit().problem);
        return lines.join('\n');
    }
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
    const station::PrecisionIndex index = station::precisionIndex(report.stationClass);
    lines << qtext(
        "系统误差 " + num::fixedText(report.fit().tests.meanDeviation * 100, 2) +
        "%，随机不确定度 " + num::fixedText(report.fit().tests.randomUncertainty * 100, 2) + "%（" +
        station::className(report.stationClass) + "指标 ±" + num::plainText(index.systematic) +
        "%、" + num::plainText(index.random) + "%，" + std::string(index.source) + "）");
    lines << qtext("绳套（涨落）：" + report.review.loop.detail);
    lines << qtext("时序变化：" + report.review.drift.detail);
    for (const station::Outlier& o : report.review.outliers) {
        const std::string& why = report.review.kept[o.point];
        lines << qtext("突出点：施测号数 " + report.points[o.point].label + "，偏离 " +
                       station::deviationText(o.deviation) + "，" +
                       (why.empty() ? "未剔除" : "经复核保留：" + why) +
                       (o.likely.empty() ? "" : "；可能原因：" + o.likely));
    }
    return lines.join('\n');
}

bool RatingWindow::savePicture() {
    const FileChoice choice =
        chooseStationOutput(owner_, dlg::关系图, report_.station, report_.year, "水位流量关系图");
    if (!choice.confirmed) {
        return false;
    }
    if (const WriteResult written = writeFileAtomic(choice.path, drawing::svgOf(picture_));
        !written) {
        owner_.showMessage("关系图未能保存：" + written.problem, "提示：", MessageIcon::Warning);
        return false;
    }
    saved("关系图", choice.path);
    return true;
}

bool RatingWindow::saveTable() {
    const FileChoice choice =
        chooseStationOutput(owner_, dlg::推流表, report_.station, report_.year, "推流表");
    if (!choice.confirmed) {
        return false;
    }
    if (const auto failed = writeRatingWorkbook(report_, choice.path)) {
        owner_.showMessage("推流表未能保存：" + *failed, "提示：", MessageIcon::Warning);
        return false;
    }
    saved("推流表", choice.path);
    return true;
}

bool RatingWindow::keepOutliers() {
    std::vector<station::Exclusion> given;
    for (const station::Outlier& o : report_.review.outliers) {
        if (!report_.review.isUnhandledOutlier(o.point)) {
            continue;
        }
        const std::string& label = report_.points[o.point].label;
        const auto answer = owner_.askText("施测号数 " + label + " 为突出点（偏离 " +
                                               station::deviationText(o.deviation) +
                                               "），经复核保留的原因（不填则不保留）：",
                                           "复核保留");
        // One line, as the table keeps it.
        const QString reason = answer ? qtext(*answer).simplified() : QString();
        if (!reason.isEmpty()) {
            given.push_back({label, utf8(reason), true});
        }
    }
    if (given.empty() || !kept) {
        return false;
    }
    kept(std::move(given));
    return true;
}

void RatingWindow::saved(const std::string& what, const std::filesystem::path& file) {
    const std::string text = what + "已保存到 " + utf8(qpath(file));
    status_->setText(qtext(text));
    status_->setToolTip(qpath(file));
    owner_.setStatus(text);
}

} // namespace tarnelo
