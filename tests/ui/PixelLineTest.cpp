#include "ui/PixelLine.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

namespace ryx::ui {
namespace {

constexpr QRgb kPaper = qRgb(0, 0, 0);
constexpr QRgb kInk = qRgb(255, 255, 255);
constexpr int kOrigin = 20;  // lines start here, inside a 41 x 41 image

using Pixels = std::set<std::pair<int, int>>;

Pixels painted(const QImage& image) {
    Pixels pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kInk) pixels.insert({x, y});
    return pixels;
}

Pixels paintLine(PixelPoint a, PixelPoint b) {
    QImage image(41, 41, QImage::Format_RGB32);
    image.fill(kPaper);
    QPainter painter(&image);
    drawPixelLine(painter, a, b, kInk);
    painter.end();
    return painted(image);
}

// Every direction and slope up to 12 pixels: A and each pixel up to B, never
// B; one pixel per step along the longer axis, the one nearest the ideal line,
// a tie going to the upper (steep lines: the left) pixel. Run backwards, a
// line covers the same pixels but for the end it leaves out.
TEST(PixelLine, PaintsFromAUpToButNotIncludingB) {
    for (int dx = -12; dx <= 12; ++dx) {
        for (int dy = -12; dy <= 12; ++dy) {
            const PixelPoint a{kOrigin, kOrigin};
            const PixelPoint b{kOrigin + dx, kOrigin + dy};
            const Pixels pixels = paintLine(a, b);
            SCOPED_TRACE(::testing::Message() << "line by (" << dx << ", " << dy << ")");
            const int steps = std::max(std::abs(dx), std::abs(dy));
            ASSERT_EQ(static_cast<int>(pixels.size()), steps);
            if (steps == 0) continue;
            EXPECT_TRUE(pixels.count({a.x, a.y}));
            EXPECT_FALSE(pixels.count({b.x, b.y}));
            const bool wide = std::abs(dx) >= std::abs(dy);
            for (int k = 0; k < steps; ++k) {
                const int major = k * (wide ? (dx > 0 ? 1 : -1) : (dy > 0 ? 1 : -1));
                const double ideal = static_cast<double>(major) * (wide ? dy : dx) / (wide ? dx : dy);
                const int minor = static_cast<int>(std::ceil(ideal - 0.5));
                const std::pair<int, int> want = wide ? std::pair{a.x + major, a.y + minor}
                                                      : std::pair{a.x + minor, a.y + major};
                EXPECT_TRUE(pixels.count(want)) << "step " << k << ": no pixel at (" << want.first << ", "
                                                << want.second << ")";
            }
            Pixels forth = pixels, back = paintLine(b, a);
            forth.insert({b.x, b.y});
            back.insert({a.x, a.y});
            EXPECT_EQ(forth, back);
        }
    }
}

// A trace segment one column wide rising or falling by half its width: the
// half-way rows go to the upper pixel in both directions.
TEST(PixelLine, TraceSegmentWithTiesKeepsToTheUpperPixel) {
    const Pixels down = paintLine({8, 20}, {16, 24});
    EXPECT_EQ(down, (Pixels{{8, 20}, {9, 20}, {10, 21}, {11, 21}, {12, 22}, {13, 22}, {14, 23}, {15, 23}}));
    const Pixels up = paintLine({8, 24}, {16, 20});
    EXPECT_EQ(up, (Pixels{{8, 24}, {9, 23}, {10, 23}, {11, 22}, {12, 22}, {13, 21}, {14, 21}, {15, 20}}));
    // Steep: one column over 16 rows, the half-way rows take the left column.
    const Pixels steep = paintLine({10, 2}, {11, 18});
    for (int y = 2; y < 18; ++y) EXPECT_TRUE(steep.count({y - 2 <= 8 ? 10 : 11, y})) << y;
}

TEST(PixelLine, PolylineLeavesOnlyItsLastPointUnpainted) {
    QImage image(41, 41, QImage::Format_RGB32);
    image.fill(kPaper);
    QPainter painter(&image);
    const PixelPoint path[] = {{2, 10}, {10, 10}, {10, 2}, {30, 6}, {30, 30}};
    drawPixelPolyline(painter, path, kInk);
    painter.end();
    const Pixels pixels = painted(image);
    for (const PixelPoint& p : {path[0], path[1], path[2], path[3]}) EXPECT_TRUE(pixels.count({p.x, p.y}));
    EXPECT_FALSE(pixels.count({30, 30}));
    EXPECT_TRUE(pixels.count({30, 29}));
    EXPECT_EQ(pixels.size(), std::size_t{8 + 8 + 20 + 24});
}

}  // namespace
}  // namespace ryx::ui
