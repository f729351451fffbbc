#include "ui/ButtonGlyphs.h"

#include <QPainter>
#include <QPolygon>

namespace ryx::ui {
namespace {

const QColor kOutline(0, 0, 0);
const QColor kPlayGreen(0, 160, 0);
const QColor kStopRed(200, 0, 0);
const QColor kSpeakerGrey(90, 90, 90);
const QColor kBitBlue(40, 40, 200);

QPixmap blankGlyph() {
    QPixmap glyph(kGlyphWidth, kGlyphHeight);
    glyph.fill(Qt::transparent);
    return glyph;
}

void drawPlayTriangle(QPainter& painter) {
    painter.setPen(kOutline);
    painter.setBrush(kPlayGreen);
    painter.drawPolygon(QPolygon({QPoint(18, 2), QPoint(29, 8), QPoint(18, 14)}));
}

}  // namespace

QPixmap playOriginalGlyph() {
    QPixmap glyph = blankGlyph();
    QPainter painter(&glyph);
    // Loudspeaker: a box and a cone, then two sound arcs.
    painter.setPen(kOutline);
    painter.setBrush(kSpeakerGrey);
    painter.drawRect(2, 6, 3, 4);
    painter.drawPolygon(QPolygon({QPoint(5, 6), QPoint(9, 2), QPoint(9, 14), QPoint(5, 10)}));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(8, 4, 5, 8, -60 * 16, 120 * 16);
    painter.drawArc(9, 2, 6, 12, -60 * 16, 120 * 16);
    drawPlayTriangle(painter);
    return glyph;
}

QPixmap playRyxGlyph() {
    QPixmap glyph = blankGlyph();
    QPainter painter(&glyph);
    // A bitstream as high and low steps: 1 0 1 1 0.
    painter.setPen(kBitBlue);
    const int levels[] = {4, 11, 4, 4, 11};
    for (int i = 0; i < 5; ++i) {
        const int x = 1 + 3 * i;
        painter.drawLine(x, levels[i], x + 3, levels[i]);
        if (i > 0 && levels[i] != levels[i - 1]) painter.drawLine(x, 4, x, 11);
    }
    drawPlayTriangle(painter);
    return glyph;
}

QPixmap stopGlyph() {
    QPixmap glyph = blankGlyph();
    QPainter painter(&glyph);
    painter.setPen(kOutline);
    painter.setBrush(kStopRed);
    painter.drawRect(10, 2, 11, 11);
    return glyph;
}

}  // namespace ryx::ui
