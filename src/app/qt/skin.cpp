#include "app/qt/skin.hpp"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QWidget>

namespace tarnelo {

namespace {

QFont skinFont() {
    QFont font;
    // Windows first, then the common Linux CJK families.
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("SimSun")});
    font.setPointSize(9);
    return font;
}

QPalette skinPalette() {
    QPalette palette;
    const QColor window(0xE9, 0xEE, 0xF2);
    const QColor base(0xFF, 0xFF, 0xFF);
    const QColor text(0x1F, 0x29, 0x33);
    const QColor button(0xDD, 0xE4, 0xEA);
    const QColor highlight(0x3D, 0x6F, 0x99);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(0xF4, 0xF7, 0xF9));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFB, 0xE6));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8A, 0x96, 0xA3));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x9A, 0xA5, 0xB1));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x9A, 0xA5, 0xB1));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x9A, 0xA5, 0xB1));
    return palette;
}

} // namespace

void prepareSkin(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QApplication::setPalette(skinPalette());
    QApplication::setFont(skinFont());
    application.setWindowIcon(programIcon());
}

void attachSkin(QWidget& window) {
    window.setPalette(skinPalette());
    window.setFont(skinFont());
    window.setWindowIcon(programIcon());
}

QIcon programIcon() {
    // The installed icon when there is one, else the same motif drawn here: a current-meter
    // rod over a river section.
    if (QIcon::hasThemeIcon(QStringLiteral("org.tarnelo.Tarnelo"))) {
        return QIcon::fromTheme(QStringLiteral("org.tarnelo.Tarnelo"));
    }
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3D, 0x6F, 0x99));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QPainterPath section;
    section.moveTo(4, 14);
    section.cubicTo(10, 30, 22, 30, 28, 14);
    section.closeSubpath();
    painter.setBrush(QColor(0x9C, 0xC9, 0xE8));
    painter.drawPath(section);
    painter.setPen(QPen(Qt::white, 2.5));
    painter.drawLine(QPointF(6, 10), QPointF(26, 10));
    painter.drawLine(QPointF(16, 10), QPointF(16, 22));
    painter.end();
    return QIcon(pixmap);
}

} // namespace tarnelo
