// tarnelo-draw-icon SVG SIZE PNG: draws an icon as a square PNG, SIZE pixels wide, with
// Qt SVG, for the packages (the desktop's icon sizes, tarnelo.ico). A build-time tool: the
// program itself draws no SVG.
#include "pages/page_painter.hpp"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: tarnelo-draw-icon SVG SIZE PNG\n", stderr);
        return 2;
    }
    int size = 0;
    try {
        size = std::stoi(argv[2]);
    } catch (const std::exception&) {
        size = 0;
    }
    if (size < 1 || size > 1024) {
        std::fprintf(stderr, "tarnelo-draw-icon: not a size from 1 to 1024: %s\n", argv[2]);
        return 2;
    }
    tarnelo::pages::ensureGuiApplication();
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tarnelo-draw-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray svg = input.readAll();
    QSvgRenderer renderer(svg);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    if (renderer.defaultSize().isEmpty()) {
        std::fprintf(stderr, "tarnelo-draw-icon: not a picture: %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "tarnelo-draw-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
