#pragma once
// The picture's own line: it paints A and every pixel up to, but not
// including, B (equal ends paint nothing). The toolkit's lines paint both ends,
// so the pixels are chosen here: on each step along the longer axis the pixel
// nearest the ideal line, a tie going to the upper (or, for steep lines, the
// left) pixel, as in the diamond convention of cosmetic lines. A segment thus
// covers the same pixels whichever way it runs, apart from the end it leaves.

#include "ui/PictureGeometry.h"

#include <QRgb>

#include <cstdlib>
#include <span>

class QPainter;

namespace ryx::ui {

// The integer nearest num / den (den > 0), a tie going to the smaller one.
constexpr int nearestTiesDown(long long num, long long den) {
    const long long p = 2 * num - den;  // ceil(num / den - 1/2) = ceil(p / q)
    const long long q = 2 * den;
    return static_cast<int>(p >= 0 ? (p + q - 1) / q : -((-p) / q));
}

// Calls run(left, top, width, height) for the runs of pixels that cover the
// line from a to b without b: horizontal runs for lines that are at least as
// wide as high, vertical runs for the others.
template <typename Emit>
void forEachLineRun(PixelPoint a, PixelPoint b, Emit&& run) {
    const int dx = b.x - a.x;
    const int dy = b.y - a.y;
    const bool tall = std::abs(dy) > std::abs(dx);
    const int steps = tall ? std::abs(dy) : std::abs(dx);
    const int step = (tall ? dy : dx) > 0 ? 1 : -1;

    int runX = a.x, runY = a.y, runLength = 0;  // the run grows by step
    auto flush = [&] {
        if (runLength == 0) return;
        if (tall)
            run(runX, step > 0 ? runY : runY - runLength + 1, 1, runLength);
        else
            run(step > 0 ? runX : runX - runLength + 1, runY, runLength, 1);
    };

    for (int k = 0; k < steps; ++k) {
        const int x = tall ? a.x + nearestTiesDown(static_cast<long long>(k) * dx, steps) : a.x + step * k;
        const int y = tall ? a.y + step * k : a.y + nearestTiesDown(static_cast<long long>(k) * dy, steps);
        const bool extends = runLength > 0 && (tall ? x == runX : y == runY);
        if (extends) {
            ++runLength;
        } else {
            flush();
            runX = x;
            runY = y;
            runLength = 1;
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
