#include "ui/CellTextWriter.h"

#include "ui/WindowFont.h"

#include <QFontMetrics>
#include <QPainter>

namespace ryx::ui {

CellTextWriter::CellTextWriter(QPainter& painter, QRgb background) : painter_(painter) {
    painter_.setFont(pictureFont());
    painter_.setBackgroundMode(Qt::OpaqueMode);
    painter_.setBackground(QColor::fromRgb(background));
    ascent_ = QFontMetrics(painter_.font()).ascent();
}

void CellTextWriter::draw(PixelPoint topLeft, const QString& text, QRgb colour) {
    painter_.setPen(QColor::fromRgb(colour));
    // The toolkit places text by its baseline; the cell's top is one ascent above.
    painter_.drawText(topLeft.x, topLeft.y + ascent_, text);
}

}  // namespace ryx::ui
