// The pictures' painter: a drawing painted puts its ink where the SVG writer's file puts it
// (checked against Qt SVG's reading of the same file where the tests have Qt SVG), and every
// kind of item lands where its numbers say.
#include "compute/compute.hpp"
#include "files/gauging_file.hpp"
#include "pages/drawing_painter.hpp"
#include "pages/page_painter.hpp"
#include "pages/picture_png.hpp"
#include "report/rating_plot.hpp"
#include "report/section_plot.hpp"
#include "support/year_relation.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#ifdef TARNELO_TEST_QTSVG
#include <QSvgRenderer>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tarnelo::pages {
namespace {

QImage painted(const drawing::Drawing& picture) {
    QImage image(static_cast<int>(picture.width), static_cast<int>(picture.height),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintDrawing(painter, picture, QRectF(image.rect()));
    return image;
}

#ifdef TARNELO_TEST_QTSVG
// How far two images of one size are apart, block by block of 8 × 8 pixels: the share of
// blocks whose mean grey differs by more than 12 levels of 255. Text drawn in another font
// hinting, or an edge antialiased differently, moves a block's mean by a few levels; a missing
// line or shape moves it by far more.
double differingBlocks(const QImage& a, const QImage& b) {
    constexpr int kBlock = 8;
    int blocks = 0;
    int differing = 0;
    for (int by = 0; by + kBlock <= a.height(); by += kBlock) {
        for (int bx = 0; bx + kBlock <= a.width(); bx += kBlock) {
            double sum = 0.0;
            for (int y = by; y < by + kBlock; ++y) {
                for (int x = bx; x < bx + kBlock; ++x) {
                    sum += qGray(a.pixel(x, y)) - qGray(b.pixel(x, y));
                }
            }
            ++blocks;
            differing += std::abs(sum) / (kBlock * kBlock) > 12.0 ? 1 : 0;
        }
    }
    return static_cast<double>(differing) / blocks;
}

drawing::Drawing sectionOfExample() {
    const GaugingFile read = readGaugingFile(std::filesystem::path(TARNELO_SOURCE_DIR) /
                                             "examples" / "vertical-25-verticals.dat");
    EXPECT_EQ(read.status, GaugingFile::Status::Opened);
    const Computation computed = compute(read.gauging);
    return sectionPlotDrawing(read.gauging, computed, computed.findings, {});
}

drawing::Drawing relationOfAYear() {
    return ratingPlotDrawing(testing::twelveGaugingsOfAYear(), {true, true});
}
#endif

TEST(DrawingPainter, PaintsTheInkOfTheSvgFile) {
    if (const std::string font = chineseFontProblem("图片"); !font.empty()) {
        GTEST_SKIP() << font;
    }
#ifndef TARNELO_TEST_QTSVG
    GTEST_SKIP() << "no Qt SVG to compare with";
#else
    for (const drawing::Drawing& picture : {sectionOfExample(), relationOfAYear()}) {
        const QImage ours = painted(picture);
        const std::string svg = drawing::svgOf(picture);
        QImage theirs(ours.size(), QImage::Format_RGB32);
        theirs.fill(Qt::white);
        {
            QPainter painter(&theirs);
            painter.setRenderHint(QPainter::Antialiasing);
            QSvgRenderer(QByteArray::fromStdString(svg)).render(&painter);
        }
        const double apart = differingBlocks(ours, theirs);
        std::printf("%.0f × %.0f: %.2f %% of 8 × 8 blocks differ by more than 12 grey levels\n",
                    picture.width, picture.height, apart * 100);
        EXPECT_LT(apart, 0.03) << picture.width << " × " << picture.height;
    }
#endif
}

TEST(DrawingPainter, EveryItemLandsWhereItsNumbersSayAndThePngHasThePicturesSize) {
    if (const std::string font = chineseFontProblem("图片"); !font.empty()) {
        GTEST_SKIP() << font;
    }
    drawing::Drawing picture;
    picture.width = 200;
    picture.height = 100;
    picture.fontFamily = std::string(drawing::kPictureFonts);
    picture.items.emplace_back(drawing::Rect{10, 10, 30, 20, "#FF0000", {}, 1.0});
    picture.items.emplace_back(drawing::Line{{60, 5}, {60, 95}, "#0000FF", 4.0, {}});
    picture.items.emplace_back(drawing::Circle{{100, 50}, 8, "#00FF00", {}, 1.0});
    picture.items.emplace_back(
        drawing::Path{{{130, 10}, {190, 10}, {160, 40}}, true, "#000000", 1.0, {}, 0.0, {}});
    picture.items.emplace_back(
        drawing::Polygon{{{130, 60}, {190, 60}, {190, 90}, {130, 90}}, "none", "#FF00FF", 3.0});
    picture.items.emplace_back(
        drawing::Text{{30, 80}, "水深", 16, drawing::Anchor::Middle, "#000000", true, false});
    const QImage image = painted(picture);
    EXPECT_EQ(image.pixel(25, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(60, 50), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(100, 50), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(160, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(160, 75), qRgb(255, 255, 255)) << "a polygon filled with none";
    EXPECT_EQ(image.pixel(130, 75), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(5, 50), qRgb(255, 255, 255));
    // The text centred on x = 30: ink on both sides of it, none far from it (left of the line).
    int left = 0;
    int right = 0;
    for (int y = 62; y < 84; ++y) {
        for (int x = 0; x < 56; ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                (x < 30 ? left : right) += 1;
                EXPECT_LT(std::abs(x - 30), 24) << x << "," << y;
            }
        }
    }
    EXPECT_GT(left, 10);
    EXPECT_GT(right, 10);

    // Scaled into a target of another shape: the whole picture, centred.
    QImage wide(400, 100, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    {
        QPainter painter(&wide);
        paintDrawing(painter, picture, QRectF(wide.rect()));
    }
    EXPECT_EQ(wide.pixel(50, 50), QColor(Qt::gray).rgb()) << "beside the picture";
    EXPECT_EQ(wide.pixel(100 + 25, 20), qRgb(255, 0, 0));

    const PngDrawing png = drawPng(picture);
    ASSERT_TRUE(png.problem.empty()) << png.problem;
    const QImage read = QImage::fromData(QByteArray::fromStdString(png.bytes), "PNG");
    EXPECT_EQ(read.size(), QSize(200, 100));
    EXPECT_EQ(read.pixel(160, 20), qRgb(0, 0, 0));
}

} // namespace
} // namespace tarnelo::pages
