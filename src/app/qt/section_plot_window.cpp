#include "app/qt/section_plot_window.hpp"

#include "app/qt/drawing_view.hpp"
#include "app/qt/qt_text.hpp"
#include "app/qt/screen_fit.hpp"
#include "files/file_io.hpp"
#include "pages/drawing_painter.hpp"
#include "report/section_plot.hpp"
#include "window/program_paths.hpp"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnelo {

SectionPlotWindow::SectionPlotWindow(Window& owner, QWidget* parent)
    : QWidget(parent, Qt::Window), owner_(owner) {
    setObjectName(QStringLiteral("断面图"));
    setWindowTitle(QStringLiteral("断面图"));
    view_ = new DrawingView(this);
    view_->setObjectName(QStringLiteral("断面图画面"));
    view_->setMinimumSize(480, 320);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("断面图不确定度"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* saveSvgButton = new QPushButton(QStringLiteral("保存 SVG..."), this);
    saveSvgButton->setObjectName(QStringLiteral("保存SVG"));
    saveSvgButton->setAutoDefault(false);
    auto* savePngButton = new QPushButton(QStringLiteral("保存 PNG..."), this);
    savePngButton->setObjectName(QStringLiteral("保存PNG"));
    savePngButton->setAutoDefault(false);
    connect(saveSvgButton, &QPushButton::clicked, this, [this] { saveSvg(); });
    connect(savePngButton, &QPushButton::clicked, this, [this] { savePng(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(summary_, 1);
    buttons->addWidget(saveSvgButton);
    buttons->addWidget(savePngButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    fitToScreen(*this, QSize(kSectionPlotWidth + 24, kSectionPlotHeight + 64), parent);
}

void SectionPlotWindow::showPicture(drawing::Drawing picture, std::string summary) {
    view_->setPicture(std::move(picture));
    summary_->setText(qtext(summary));
    ++pictures_;
}

const drawing::Drawing& SectionPlotWindow::picture() const {
    return view_->picture();
}

std::string SectionPlotWindow::svg() const {
    return pictures_ > 0 ? drawing::svgOf(view_->picture()) : std::string();
}

QString SectionPlotWindow::summary() const {
    return summary_->text();
}

QImage SectionPlotWindow::image(int width) const {
    const drawing::Drawing& shown = view_->picture();
    const int height = shown.width > 0.0
                           ? static_cast<int>(width * shown.height / shown.width + 0.5)
                           : width * 2 / 3;
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    pages::paintDrawing(painter, shown, QRectF(image.rect()));
    return image;
}

bool SectionPlotWindow::saveSvg() {
    return save(dlg::断面图SVG, false);
}

bool SectionPlotWindow::savePng() {
    return save(dlg::断面图PNG, true);
}

bool SectionPlotWindow::save(const FileDialogSpec& dialog, bool png) {
    if (pictures_ == 0) {
        return false;
    }
    const FileChoice choice =
        owner_.chooseFile(dialog, paths::excelFolder(owner_.documentFolder()));
    if (!choice.confirmed || choice.path.empty()) {
        return false;
    }
    std::string bytes;
    if (png) {
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        // Twice the picture's own size, sharp enough to print.
        if (!image(2 * kSectionPlotWidth).save(&buffer, "PNG")) {
            owner_.showMessage("无法生成 PNG 图片。", "提示：", MessageIcon::Warning);
            return false;
        }
        bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    } else {
        bytes = svg();
    }
    if (const WriteResult written = writeFileAtomic(choice.path, bytes); !written) {
        owner_.showMessage("断面图没有保存：" + written.problem, "提示：", MessageIcon::Warning);
        return false;
    }
    owner_.setStatus("断面图已保存：" + utf8(qpath(choice.path)));
    return true;
}

} // namespace tarnelo
