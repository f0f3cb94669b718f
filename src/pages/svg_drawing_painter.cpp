// The pictures (the section, the stage-discharge relation) drawn with QPainter, for builds
// without Qt SVG. It knows what they are made of and nothing more: rect, line, polyline,
// polygon, circle, path (M and L) and text, with
// fill, stroke, stroke-width, stroke-dasharray, font-size, font-weight, text-anchor and the
// quarter turn of a side text.
#include "pages/svg_drawing.hpp"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace tarnelo {

namespace {

QPolygonF pointsOf(const QString& text) {
    QPolygonF polygon;
    const QStringList pairs = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& pair : pairs) {
        const QStringList xy = pair.split(QLatin1Char(','));
        if (xy.size() == 2) {
            polygon << QPointF(xy[0].toDouble(), xy[1].toDouble());
        }
    }
    return polygon;
}

// A path as the pictures write it: absolute M and L commands only.
QPainterPath pathOf(const QString& d) {
    static const QRegularExpression token(QStringLiteral("[MLZ]|-?[0-9.]+(?:[eE][-+]?[0-9]+)?"));
    QPainterPath path;
    QChar command = QLatin1Char('M');
    QList<double> numbers;
    for (auto it = token.globalMatch(d); it.hasNext();) {
        const QString t = it.next().captured();
        if (t == QStringLiteral("Z")) {
            path.closeSubpath();
        } else if (t.front().isLetter()) {
            command = t.front();
        } else {
            numbers << t.toDouble();
            if (numbers.size() == 2) {
                const QPointF p(numbers[0], numbers[1]);
                command == QLatin1Char('M') ? path.moveTo(p) : path.lineTo(p);
                command = QLatin1Char('L'); // further pairs after M are lines
                numbers.clear();
            }
        }
    }
    return path;
}

QBrush fillOf(const QXmlStreamAttributes& a, const QString& fallback) {
    const QString fill = a.hasAttribute(QStringLiteral("fill"))
                             ? a.value(QStringLiteral("fill")).toString()
                             : fallback;
    return fill == QStringLiteral("none") ? QBrush(Qt::NoBrush) : QBrush(QColor(fill));
}

QPen strokeOf(const QXmlStreamAttributes& a) {
    const QString stroke = a.value(QStringLiteral("stroke")).toString();
    if (stroke.isEmpty() || stroke == QStringLiteral("none")) {
        return QPen(Qt::NoPen);
    }
    const double width = a.hasAttribute(QStringLiteral("stroke-width"))
                             ? a.value(QStringLiteral("stroke-width")).toDouble()
                             : 1.0;
    QPen pen(QColor(stroke), width);
    pen.setCapStyle(Qt::FlatCap);
    const QString dash = a.value(QStringLiteral("stroke-dasharray")).toString();
    if (!dash.isEmpty() && width > 0) {
        QList<qreal> pattern;
        const QStringList parts =
            dash.split(QRegularExpression(QStringLiteral("[ ,]+")), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            pattern << part.toDouble() / width;
        }
        if (pattern.size() % 2 == 1) {
            pattern << pattern;
        }
        pen.setDashPattern(pattern);
    }
    return pen;
}

void drawText(QPainter& painter, const QXmlStreamAttributes& a, const QString& content,
              const QString& family) {
    QFont font;
    font.setFamilies(family.split(QLatin1Char(','), Qt::SkipEmptyParts));
    // "12.0" as well as "12": the pictures write their sizes with a decimal.
    font.setPixelSize(qMax(1, qRound(a.value(QStringLiteral("font-size")).toDouble())));
    font.setBold(a.value(QStringLiteral("font-weight")) == QStringLiteral("bold"));
    const QPointF at(a.value(QStringLiteral("x")).toDouble(),
                     a.value(QStringLiteral("y")).toDouble());
    const double width = QFontMetricsF(font).horizontalAdvance(content);
    const QString anchor = a.value(QStringLiteral("text-anchor")).toString();
    const double shift = anchor == QStringLiteral("middle") ? -width / 2
                         : anchor == QStringLiteral("end")  ? -width
                                                            : 0.0;
    painter.save();
    painter.setFont(font);
    painter.setPen(QColor(a.hasAttribute(QStringLiteral("fill"))
                              ? a.value(QStringLiteral("fill")).toString()
                              : QStringLiteral("#000000")));
    static const QRegularExpression rotate(
        QStringLiteral("rotate\\(\\s*(-?[0-9.]+)\\s+(-?[0-9.]+)\\s+(-?[0-9.]+)\\s*\\)"));
    const QRegularExpressionMatch turn = rotate.match(a.value(QStringLiteral("transform")));
    if (turn.hasMatch()) {
        const QPointF centre(turn.captured(2).toDouble(), turn.captured(3).toDouble());
        painter.translate(centre);
        painter.rotate(turn.captured(1).toDouble());
        painter.translate(-centre);
    }
    painter.drawText(at + QPointF(shift, 0), content);
    painter.restore();
}

// The picture's own size from width and height (or the view box).
QSizeF sizeOf(const QXmlStreamAttributes& a) {
    const QStringList box = a.value(QStringLiteral("viewBox")).toString().split(QLatin1Char(' '));
    const double width = a.hasAttribute(QStringLiteral("width"))
                             ? a.value(QStringLiteral("width")).toDouble()
                             : (box.size() == 4 ? box[2].toDouble() : 0.0);
    const double height = a.hasAttribute(QStringLiteral("height"))
                              ? a.value(QStringLiteral("height")).toDouble()
                              : (box.size() == 4 ? box[3].toDouble() : 0.0);
    return QSizeF(width, height);
}

// Draws svg into target, scaled to fit and centred; returns the picture's own size.
QSizeF draw(QPainter* painter, const QByteArray& svg, const QRectF& target) {
    QXmlStreamReader xml(svg);
    QSizeF size;
    QString family;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        const auto name = xml.name();
        if (name == QStringLiteral("svg")) {
            size = sizeOf(a);
            family = a.value(QStringLiteral("font-family")).toString();
            if (painter == nullptr || size.isEmpty()) {
                return size;
            }
            const double scale =
                qMin(target.width() / size.width(), target.height() / size.height());
            painter->translate(target.center() -
                               QPointF(size.width() * scale / 2, size.height() * scale / 2));
            painter->scale(scale, scale);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setRenderHint(QPainter::TextAntialiasing);
            continue;
        }
        if (painter == nullptr || size.isEmpty()) {
            return size;
        }
        const auto number = [&a](const char* attribute) {
            return a.value(QLatin1String(attribute)).toDouble();
        };
        if (name == QStringLiteral("rect")) {
            painter->setPen(strokeOf(a));
            painter->setBrush(fillOf(a, QStringLiteral("#000000")));
            painter->drawRect(QRectF(number("x"), number("y"), number("width"), number("height")));
        } else if (name == QStringLiteral("line")) {
            painter->setPen(strokeOf(a));
            painter->drawLine(QPointF(number("x1"), number("y1")),
                              QPointF(number("x2"), number("y2")));
        } else if (name == QStringLiteral("circle")) {
            painter->setPen(strokeOf(a));
            painter->setBrush(fillOf(a, QStringLiteral("#000000")));
            painter->drawEllipse(QPointF(number("cx"), number("cy")), number("r"), number("r"));
        } else if (name == QStringLiteral("polygon") || name == QStringLiteral("polyline")) {
            const QPolygonF points = pointsOf(a.value(QStringLiteral("points")).toString());
            painter->setPen(strokeOf(a));
            painter->setBrush(fillOf(a, name == QStringLiteral("polygon")
                                            ? QStringLiteral("#000000")
                                            : QStringLiteral("none")));
            if (name == QStringLiteral("polygon")) {
                painter->drawPolygon(points);
            } else {
                QPainterPath path;
                path.addPolygon(points);
                painter->drawPath(path);
            }
        } else if (name == QStringLiteral("path")) {
            painter->setPen(strokeOf(a));
            painter->setBrush(fillOf(a, QStringLiteral("#000000")));
            painter->drawPath(pathOf(a.value(QStringLiteral("d")).toString()));
        } else if (name == QStringLiteral("text")) {
            const QXmlStreamAttributes attributes = a;
            drawText(*painter, attributes, xml.readElementText(), family);
        }
    }
    return size;
}

} // namespace

QSize svgSize(const QByteArray& svg) {
    return draw(nullptr, svg, {}).toSize();
}

void renderSvg(QPainter& painter, const QByteArray& svg) {
    const QRect window = painter.viewport();
    draw(&painter, svg, QRectF(window));
}

} // namespace tarnelo
