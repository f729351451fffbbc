#include "ui/PixelLine.h"

#include <QPainter>

namespace ryx::ui {

void drawPixelLine(QPainter& painter, PixelPoint a, PixelPoint b, QRgb colour) {
    const QColor color = QColor::fromRgb(colour);
    forEachLineRun(a, b, [&](int left, int top, int width, int height) {
        painter.fillRect(left, top, width, height, color);
    });
}

void drawPixelPolyline(QPainter& painter, std::span<const PixelPoint> points, QRgb colour) {
    for (std::size_t i = 1; i < points.size(); ++i) drawPixelLine(painter, points[i - 1], points[i], colour);
}

}  // namespace ryx::ui
