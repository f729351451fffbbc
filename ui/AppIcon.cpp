#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace ryx::ui {
namespace {

// Drawn on a 48-unit square, as the SVG icon is.
QPixmap iconAt(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(16, 24, 64));
    painter.drawRoundedRect(QRectF(2, 2, 44, 44), 6, 6);

    QPainterPath wave;
    wave.moveTo(7, 18);
    wave.cubicTo(12, 4, 16, 4, 20, 18);
    wave.cubicTo(24, 32, 28, 32, 32, 18);
    wave.cubicTo(35, 9, 38, 9, 41, 18);
    painter.setPen(QPen(QColor(0, 255, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);

    QPainterPath bits;
    bits.moveTo(7, 38);
    bits.lineTo(13, 38);
    bits.lineTo(13, 30);
    bits.lineTo(22, 30);
    bits.lineTo(22, 38);
    bits.lineTo(27, 38);
    bits.lineTo(27, 30);
    bits.lineTo(32, 30);
    bits.lineTo(32, 38);
    bits.lineTo(41, 38);
    painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(bits);
    return pixmap;
}

}  // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(iconAt(size));
    return icon;
}

}  // namespace ryx::ui
