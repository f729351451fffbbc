#pragma once
// The picture's own line: it paints A and every pixel up to, but not
// including, B (equal ends paint nothing). The toolkit's lines paint both ends,
// so the pixels are chosen here, with Bresenham's integer stepping from A
// towards B, and handed out as runs of neighbouring pixels.

#include "ui/PictureGeometry.h"

#include <QRgb>

#include <cstdlib>
#include <span>

class QPainter;

namespace ryx::ui {

// Calls emit(left, top, width, height) for the runs of pixels that cover the
// line from a to b without b: horizontal runs for lines that are at least as
// wide as high, vertical runs for the others.
template <typename Emit>
void forEachLineRun(PixelPoint a, PixelPoint b, Emit&& emit) {
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    const bool tall = -dy > dx;

    int runX = a.x, runY = a.y, runLength = 0;  // the run grows by sx or sy
    auto flush = [&] {
        if (runLength == 0) return;
        if (tall)
            emit(runX, sy > 0 ? runY : runY - runLength + 1, 1, runLength);
        else
            emit(sx > 0 ? runX : runX - runLength + 1, runY, runLength, 1);
    };

    int x = a.x, y = a.y;
    int error = dx + dy;
    while (x != b.x || y != b.y) {
        const bool extends = runLength > 0 && (tall ? x == runX && y == runY + sy * runLength
                                                    : y == runY && x == runX + sx * runLength);
        if (extends) {
            ++runLength;
        } else {
            flush();
            runX = x;
            runY = y;
            runLength = 1;
        }
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            y += sy;
        }
    }
    flush();
}

// A 1-pixel line from a to b, b itself left unpainted.
void drawPixelLine(QPainter& painter, PixelPoint a, PixelPoint b, QRgb colour);

// Lines from each point to the next, starting with an empty line from the
// first point to itself: every pixel of the path except the last point.
void drawPixelPolyline(QPainter& painter, std::span<const PixelPoint> points, QRgb colour);

}  // namespace ryx::ui
