#include "pages/drawing_painter.hpp"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <map>
#include <utility>

namespace tarnelo::pages {

namespace {

using namespace drawing;

QString qtext(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "#RRGGBB"; "none" and an empty text paint nothing (an invalid colour).
QColor colourOf(const std::string& name, double opacity = 1.0) {
    if (name.empty() || name == "none") {
        return {};
    }
    QColor colour = QColor::fromString(QLatin1StringView(name.data(), name.size()));
    if (opacity < 1.0 && colour.isValid()) {
        colour.setAlphaF(static_cast<float>(opacity));
    }
    return colour;
}

// A pen as SVG strokes: butt ends, mitred corners, dashes in the picture's units.
QPen penOf(const std::string& colour, double width, const std::string& dash = {}) {
    const QColor c = colourOf(colour);
    if (!c.isValid() || !(width > 0.0)) {
        return Qt::NoPen;
    }
    QPen pen(c, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(4.0);
    if (!dash.empty()) {
        QList<qreal> pattern;
        QString lengths = qtext(dash);
        lengths.replace(QLatin1Char(','), QLatin1Char(' '));
        for (const QString& part : lengths.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            pattern << part.toDouble() / width;
        }
        if (pattern.size() % 2 == 1) {
            pattern << pattern;
        }
        if (!pattern.isEmpty()) {
            pen.setDashPattern(pattern);
        }
    }
    return pen;
}

QBrush brushOf(const std::string& fill, double opacity = 1.0) {
    const QColor c = colourOf(fill, opacity);
    return c.isValid() ? QBrush(c) : QBrush(Qt::NoBrush);
}

QPolygonF polygonOf(const std::vector<Point>& points) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points) {
        polygon << QPointF(p.x, p.y);
    }
    return polygon;
}

// The families the picture's texts are drawn in, chosen as the pages choose them: letters and
// digits in the system's sans serif, Chinese in the first of the picture's families the system
// has (else the first installed family that writes Chinese).
QStringList familiesOf(const std::string& list) {
    static std::map<std::string, QStringList> chosen;
    if (const auto it = chosen.find(list); it != chosen.end()) {
        return it->second;
    }
    QStringList families;
    for (const char* latin : {"DejaVu Sans", "Liberation Sans", "Arial"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(latin))) {
            families << QString::fromLatin1(latin);
            break;
        }
    }
    const qsizetype latin = families.size();
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& part : qtext(list).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (const QString family = part.trimmed(); installed.contains(family)) {
            families << family;
        }
    }
    if (families.size() == latin && !installed.isEmpty()) {
        families << installed.front();
    }
    chosen.emplace(list, families);
    return families;
}

class Painter {
  public:
    Painter(QPainter& painter, const Drawing& picture)
        : painter_(painter), families_(familiesOf(picture.fontFamily)) {}

    void operator()(const Line& l) {
        painter_.setPen(penOf(l.colour, l.width, l.dash));
        painter_.drawLine(QPointF(l.from.x, l.from.y), QPointF(l.to.x, l.to.y));
    }
    void operator()(const Polyline& p) {
        painter_.setPen(penOf(p.colour, p.width));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPolyline(polygonOf(p.points));
    }
    void operator()(const Polygon& p) {
        painter_.setPen(penOf(p.stroke, p.strokeWidth));
        painter_.setBrush(brushOf(p.fill));
        painter_.drawPolygon(polygonOf(p.points), Qt::WindingFill);
    }
    void operator()(const Rect& r) {
        painter_.setPen(penOf(r.stroke, r.strokeWidth));
        painter_.setBrush(brushOf(r.fill));
        painter_.drawRect(QRectF(r.x, r.y, r.width, r.height));
    }
    void operator()(const Circle& c) {
        painter_.setPen(penOf(c.stroke, c.strokeWidth));
        painter_.setBrush(brushOf(c.fill));
        painter_.drawEllipse(QPointF(c.centre.x, c.centre.y), c.radius, c.radius);
    }
    void operator()(const Path& p) {
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.addPolygon(polygonOf(p.points));
        if (p.closed) {
            path.closeSubpath();
        }
        painter_.setPen(penOf(p.stroke, p.strokeWidth, p.dash));
        painter_.setBrush(brushOf(p.fill, p.fillOpacity));
        painter_.drawPath(path);
    }
    void operator()(const Text& t) {
        const QString content = qtext(t.content);
        const QFont& font = fontOf(t.size, t.bold);
        painter_.setFont(font);
        painter_.setPen(colourOf(t.colour));
        double x = 0.0;
        if (t.anchor != Anchor::Start) {
            const double wide = QFontMetricsF(font).horizontalAdvance(content);
            x = t.anchor == Anchor::Middle ? -wide / 2 : -wide;
        }
        if (!t.upward) {
            painter_.drawText(QPointF(t.at.x + x, t.at.y), content);
            return;
        }
        painter_.save();
        painter_.translate(t.at.x, t.at.y);
        painter_.rotate(-90.0);
        painter_.drawText(QPointF(x, 0.0), content);
        painter_.restore();
    }

  private:
    const QFont& fontOf(double size, bool bold) {
        const auto key = std::make_pair(static_cast<int>(size * 10 + 0.5), bold);
        if (const auto it = fonts_.find(key); it != fonts_.end()) {
            return it->second;
        }
        QFont font;
        font.setFamilies(families_);
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(std::max(1, static_cast<int>(size + 0.5)));
        font.setBold(bold);
        return fonts_.emplace(key, font).first->second;
    }

    QPainter& painter_;
    QStringList families_;
    std::map<std::pair<int, bool>, QFont> fonts_;
};

} // namespace

void paintDrawing(QPainter& painter, const Drawing& picture, const QRectF& target) {
    if (!(picture.width > 0.0) || !(picture.height > 0.0) || target.isEmpty()) {
        return;
    }
    const double scale = std::min(target.width() / picture.width, target.height() / picture.height);
    painter.save();
    painter.translate(target.x() + (target.width() - picture.width * scale) / 2,
                      target.y() + (target.height() - picture.height * scale) / 2);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRectF(0, 0, picture.width, picture.height), brushOf(picture.background));
    Painter draw(painter, picture);
    for (const Item& item : picture.items) {
        std::visit(draw, item);
    }
    painter.restore();
}

} // namespace tarnelo::pages
