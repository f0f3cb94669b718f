#include "pages/page_painter.hpp"
#include "pages/system_fonts.hpp"

#include "files/file_io.hpp"
#include "pages/drawing_painter.hpp"
#include "platform/system/scratch.hpp"

#include <QBuffer>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLineF>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string_view>

namespace tarnelo::pages {

// A GUI application for the painter's fonts when the program made none (the command line runs
// on the offscreen platform, needing no display).
void ensureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (platform == nullptr || std::string_view(platform) == "offscreen") {
        useSystemFontsOffscreen();
    }
    // Qt wants a runtime folder of the session; without one it would make its own in the
    // temporary folder and leave it there. A private one goes with the run.
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        static const sys::ScratchFolder runtime("tarnelo-runtime");
        if (runtime.valid()) {
            qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
        }
    }
    // Qt's notes about the session (no runtime folder, no display) are not the user's business
    // on a command line; what is critical still shows.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        }
    });
    static int argc = 1;
    static char name[] = "tarnelo";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

namespace {

QRectF scaled(const Rect& r, double unit) {
    return {r.x * unit, r.y * unit, r.width * unit, r.height * unit};
}

// The families a cell's font is drawn in: itself when installed. A font the system lacks (宋体
// on Linux) is replaced as LibreOffice replaces it: letters and digits in the system's sans
// serif, Chinese in the first installed family that writes it.
QStringList familiesOf(const std::string& wanted) {
    static std::map<std::string, QStringList> chosen;
    if (const auto it = chosen.find(wanted); it != chosen.end()) {
        return it->second;
    }
    const QString family = QString::fromStdString(wanted);
    QStringList families{family};
    if (!QFontDatabase::hasFamily(family)) {
        families.clear();
        for (const char* latin : {"DejaVu Sans", "Liberation Sans", "Arial"}) {
            if (QFontDatabase::hasFamily(QString::fromLatin1(latin))) {
                families << QString::fromLatin1(latin);
                break;
            }
        }
        const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        for (const char* known : {"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC",
                                  "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Microsoft YaHei"}) {
            if (installed.contains(QString::fromLatin1(known))) {
                families << QString::fromLatin1(known);
                break;
            }
        }
        if (families.size() < 2 && !installed.isEmpty()) {
            families << installed.front();
        }
        families << family;
    }
    chosen.emplace(wanted, families);
    return families;
}

QFont fontOf(const TextBox& box, double pixels) {
    QFont font;
    font.setFamilies(familiesOf(box.family));
    font.setBold(box.bold);
    // Qt takes whole pixels; a size beyond a page (or no number at all) is not drawn larger.
    constexpr double kMostPixels = 1e6;
    const double size = pixels >= 1 ? std::min(pixels, kMostPixels) : 1.0;
    font.setPixelSize(static_cast<int>(size + 0.5));
    // The font's own advances, not those hinted to a device's pixels: a line wraps at the same
    // word on every system and every printer (hinting differs between font engines).
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Chinese characters, full-width forms and the degree sign.
bool isAsian(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF);
}

// A space belongs to no script: it goes with the character before it (the first one after it
// when it leads), as LibreOffice sets it, in the Chinese font after a Chinese character.
bool isWeak(char32_t c) {
    return c == ' ';
}

// The runs of a mixed text drawn in the Chinese family: every Chinese character, and the spaces
// that go with one. Empty when no space goes with a Chinese character (then the font's own
// fallback draws the text the same).
QList<QTextLayout::FormatRange> asianRuns(const QString& text, const QFont& asian) {
    QList<QTextLayout::FormatRange> runs;
    std::optional<bool> previous;
    bool weakAsian = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text.at(i).unicode();
        bool inAsian = false;
        if (!isWeak(c)) {
            inAsian = isAsian(c);
        } else if (previous) {
            inAsian = *previous;
            weakAsian = weakAsian || inAsian;
        } else {
            for (qsizetype k = i + 1; k < text.size(); ++k) {
                if (!isWeak(text.at(k).unicode())) {
                    inAsian = isAsian(text.at(k).unicode());
                    break;
                }
            }
            weakAsian = weakAsian || inAsian;
        }
        if (!isWeak(c)) {
            previous = inAsian;
        }
        if (inAsian) {
            if (!runs.isEmpty() && runs.back().start + runs.back().length == i) {
                ++runs.back().length;
            } else {
                QTextLayout::FormatRange run{static_cast<int>(i), 1, {}};
                run.format.setFont(asian);
                runs.push_back(run);
            }
        }
    }
    return weakAsian ? runs : QList<QTextLayout::FormatRange>{};
}

// Draws a text with spaces that go with Chinese characters, laid out run by run; false when it
// has none.
bool drawMixed(QPainter& painter, const TextBox& box, const QFont& font, const QRectF& inner,
               int flags) {
    const QString text = QString::fromStdString(box.text);
    QFont asian = font;
    QStringList families = font.families();
    if (families.size() >= 2) {
        std::swap(families[0], families[1]);
    }
    asian.setFamilies(families);
    const QList<QTextLayout::FormatRange> runs = asianRuns(text, asian);
    if (runs.isEmpty()) {
        return false;
    }
    QTextLayout layout(text, font);
    layout.setFormats(runs);
    QTextOption option(Qt::Alignment(flags & Qt::AlignHorizontal_Mask));
    option.setWrapMode(box.wrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(inner.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    double y = inner.bottom() - height;
    if (box.vertical == Vertical::Top) {
        y = inner.top();
    } else if (box.vertical == Vertical::Center) {
        y = inner.top() + (inner.height() - height) / 2;
    }
    layout.draw(&painter, QPointF(inner.left(), y));
    return true;
}

void drawText(QPainter& painter, const TextBox& box, double unit) {
    QFont font = fontOf(box, box.points * unit);
    QRectF inner = scaled(box.cell, unit);
    inner.adjust(box.padding * unit, 0, -box.padding * unit, 0);
    const QString text = QString::fromStdString(box.text);
    // Shrink to fit: the text is made smaller until it fits the cell's width. It is drawn in its
    // font's own size and scaled down about the point it is aligned to, so that every shrunk
    // text of a size shares that size's font (a font of its own each would be looked up and
    // set up anew).
    double shrunk = 1;
    if (box.shrink) {
        const double wide = QFontMetricsF(font).horizontalAdvance(text);
        if (wide > inner.width() && inner.width() > 0) {
            shrunk = inner.width() / wide;
        }
    }
    painter.setFont(font);
    int flags = box.horizontal == Horizontal::Left     ? Qt::AlignLeft
                : box.horizontal == Horizontal::Center ? Qt::AlignHCenter
                                                       : Qt::AlignRight;
    flags |= box.vertical == Vertical::Top      ? Qt::AlignTop
             : box.vertical == Vertical::Center ? Qt::AlignVCenter
                                                : Qt::AlignBottom;
    if (box.wrap) {
        flags |= Qt::TextWordWrap;
    }
    painter.setClipRect(scaled(box.clip, unit));
    if (shrunk < 1) {
        const QPointF at(inner.left(), box.vertical == Vertical::Top      ? inner.top()
                                       : box.vertical == Vertical::Center ? inner.center().y()
                                                                          : inner.bottom());
        painter.save();
        painter.translate(at);
        painter.scale(shrunk, shrunk);
        painter.translate(-at);
        inner = QRectF(at + (inner.topLeft() - at) / shrunk, inner.size() / shrunk);
    }
    if (box.wrap || !drawMixed(painter, box, font, inner, flags)) {
        painter.drawText(inner, flags | Qt::TextDontClip, text);
    }
    if (shrunk < 1) {
        painter.restore();
    }
    painter.setClipping(false);
}

} // namespace

QPageLayout pageLayoutOf(const Page& page) {
    const bool landscape = page.width > page.height;
    const QSizeF portrait(std::min(page.width, page.height), std::max(page.width, page.height));
    const QPageSize size(portrait, QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

void paintPage(QPainter& painter, const Page& page, double unit) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // The borders by width, each width's lines in one call: a pen is set once a width, not once
    // a line (the lines are all black; the order of lines of one colour changes nothing drawn).
    std::map<double, QList<QLineF>> byWidth;
    for (const Line& line : page.lines) {
        byWidth[line.width].append(
            QLineF(line.x1 * unit, line.y1 * unit, line.x2 * unit, line.y2 * unit));
    }
    for (const auto& [width, lines] : byWidth) {
        QPen pen(Qt::black);
        pen.setWidthF(width * unit);
        pen.setCapStyle(Qt::SquareCap);
        painter.setPen(pen);
        painter.drawLines(lines);
    }
    painter.setPen(Qt::black);
    for (const TextBox& box : page.texts) {
        drawText(painter, box, unit);
    }
    painter.restore();
}

std::string chineseFontProblem(std::string_view drawing) {
    ensureGuiApplication();
    const QFont font(QStringLiteral("宋体"));
    const QFontMetricsF metrics(font);
    for (const QChar ch : QStringLiteral("流速仪记载表")) {
        if (!metrics.inFont(ch)) {
            return "系统中没有可以显示中文的字体，无法绘制" + std::string(drawing) +
                   "。请安装中文字体（Debian：fonts-wqy-microhei 或 fonts-noto-cjk；Windows：宋体或"
                   "微软雅黑）。";
        }
    }
    return {};
}

namespace {

// Each picture on an A4 page of its own, across the page with a margin of 12 mm, scaled to fit;
// false when asked to stop first.
bool paintPicturePages(QPdfWriter& writer, QPainter& painter,
                       std::span<const drawing::Drawing> pictures, const StopAsked& stopped) {
    for (const drawing::Drawing& picture : pictures) {
        if (stopped && stopped()) {
            return false;
        }
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        writer.newPage();
        const QRect paper = writer.pageLayout().paintRectPixels(writer.resolution());
        paintDrawing(painter, picture, QRectF(0, 0, paper.width(), paper.height()));
    }
    return true;
}

} // namespace

PdfDrawing drawWorkbookPdf(const std::filesystem::path& workbook, const xlsx::PackageLimits& limits,
                           const PageCap& cap, const StopAsked& stopped,
                           std::span<const drawing::Drawing> pictures) {
    return drawLayoutPdf(layoutWorkbook(workbook, limits, cap, stopped), stopped, pictures);
}

PdfDrawing drawLayoutPdf(const Layout& layout, const StopAsked& stopped,
                         std::span<const drawing::Drawing> pictures) {
    PdfDrawing drawn;
    if (!layout.problem.empty()) {
        drawn.problem = layout.problem;
        drawn.stopped = layout.stopped;
        return drawn;
    }
    if (std::string font = chineseFontProblem(); !font.empty()) {
        drawn.problem = std::move(font);
        return drawn;
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Tarnelo"));
        constexpr int kDotsPerPoint = 100;
        writer.setResolution(72 * kDotsPerPoint);
        writer.setPageLayout(pageLayoutOf(layout.pages.front()));
        QPainter painter;
        if (!painter.begin(&writer)) {
            drawn.problem = "无法开始绘制 PDF。";
            return drawn;
        }
        for (std::size_t i = 0; i < layout.pages.size(); ++i) {
            if (stopped && stopped()) {
                // The painter still ends its document; the bytes are dropped.
                painter.end();
                drawn.problem = "已中断，未写出 PDF。";
                drawn.stopped = true;
                return drawn;
            }
            if (i > 0) {
                writer.setPageLayout(pageLayoutOf(layout.pages[i]));
                writer.newPage();
            }
            paintPage(painter, layout.pages[i], kDotsPerPoint);
        }
        if (!paintPicturePages(writer, painter, pictures, stopped)) {
            painter.end();
            drawn.problem = "已中断，未写出 PDF。";
            drawn.stopped = true;
            return drawn;
        }
        painter.end();
    }
    drawn.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return drawn;
}

std::string writeWorkbookPdf(const std::filesystem::path& workbook,
                             const std::filesystem::path& target, const xlsx::PackageLimits& limits,
                             const PageCap& cap, const StopAsked& stopped) {
    const PdfDrawing drawn = drawWorkbookPdf(workbook, limits, cap, stopped);
    if (!drawn.problem.empty()) {
        return drawn.problem;
    }
    if (stopped && stopped()) {
        return "已中断，未写出 PDF。";
    }
    if (const WriteResult written = writeFileAtomic(target, drawn.bytes); !written) {
        return "无法写入 PDF：" + written.problem;
    }
    return {};
}

} // namespace tarnelo::pages
