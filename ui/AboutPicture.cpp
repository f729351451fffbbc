#include "ui/AboutPicture.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace ryx::ui {
namespace {

const QColor kBackground(16, 24, 64);
const QColor kWave(0, 255, 0);
const QColor kBits(255, 255, 255);
const QColor kChipBody(40, 40, 40);
const QColor kChipPins(200, 200, 200);
const QColor kChipText(230, 230, 120);

}  // namespace

QPixmap aboutPicture() {
    QPixmap picture(kAboutPictureWidth, kAboutPictureHeight);
    picture.fill(kBackground);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // A decaying tone across the top.
    QPainterPath wave;
    for (int x = 6; x <= 128; ++x) {
        const double t = (x - 6) / 122.0;
        const double y = 24.0 - 16.0 * std::exp(-2.0 * t) * std::sin(t * 6.0 * 2.0 * std::numbers::pi);
        if (x == 6) wave.moveTo(x, y); else wave.lineTo(x, y);
    }
    painter.setPen(QPen(kWave, 1.5));
    painter.drawPath(wave);

    // The same tone as a bitstream: one step per 6 pixels.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(kBits);
    const int bits[] = {1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0};
    int previousY = -1;
    for (int i = 0; i < 20; ++i) {
        const int x = 7 + 6 * i;
        const int y = bits[i] != 0 ? 48 : 56;
        if (previousY >= 0 && previousY != y) painter.drawLine(x, 48, x, 56);
        painter.drawLine(x, y, x + 6, y);
        previousY = y;
    }

    // A small chip with eight pins a side.
    const QRect body(27, 70, 80, 30);
    painter.setPen(kChipPins);
    for (int i = 0; i < 8; ++i) {
        const int x = body.left() + 6 + 10 * i;
        painter.drawLine(x, body.top() - 4, x, body.top() - 1);
        painter.drawLine(x, body.bottom() + 1, x, body.bottom() + 4);
    }
    painter.fillRect(body, kChipBody);
    painter.setPen(kChipText);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(body, Qt::AlignCenter, QStringLiteral("PIC"));
    painter.setBrush(kChipPins);
    painter.drawEllipse(QPoint(body.left() + 5, body.center().y()), 2, 2);
    return picture;
}

}  // namespace ryx::ui
