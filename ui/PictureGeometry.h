#pragma once
// Where the main window's picture puts things, in client pixels (500 x 499,
// origin top left, y downwards). Rectangles cover left <= x < right and
// top <= y < bottom.

#include <cstdint>
#include <optional>

namespace ryx::ui {

struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct PixelPoint {
    int x;
    int y;
    friend constexpr bool operator==(PixelPoint, PixelPoint) = default;
};

inline constexpr PixelRect kZoomedView{5, 6, 494, 365};
inline constexpr PixelRect kOverviewStrip{5, 371, 494, 407};

// Overview strip: the axis line, and the bars of the first 480 columns only.
inline constexpr int kOverviewAxisY = 389;
inline constexpr PixelPoint kOverviewAxisFrom{8, kOverviewAxisY};
inline constexpr PixelPoint kOverviewAxisTo{492, kOverviewAxisY};
inline constexpr int kOverviewLeft = 5;
inline constexpr int kDrawnOverviewBars = 480;

// The marker outline: 8 pixels wide, rows 370 to 407.
inline constexpr int kMarkerTop = 370;
inline constexpr int kMarkerBottom = 408;
inline constexpr int kMarkerWidth = 8;

// Zoomed view: 60 columns, 8 pixels apart.
inline constexpr int kViewColumns = 60;
inline constexpr int kFirstColumnX = 13;
inline constexpr int kColumnSpacing = 8;
inline constexpr int kGridFromY = 313;  // a grid line runs upwards, 313 to 34
inline constexpr int kGridToY = 33;
inline constexpr int kDigitDx = -3;
inline constexpr int kDigitY = 349;
inline constexpr int kSecondDigitDx = 5;  // the bit before, one column on
inline constexpr int kSecondDigitY = 337;

// Reference lines: above the highest value, at silence, below the lowest.
inline constexpr int kReferenceFromX = 9;
inline constexpr int kReferenceToX = 491;
inline constexpr int kReferenceLineYs[] = {45, 173, 302};

inline constexpr PixelPoint kStatusLinePosition{13, 10};

// Presses that move the view: rows 371 to 408 (one below the strip) and
// x 5 to 489, which reaches column 484, past the last drawn bar.
inline constexpr PixelRect kOverviewPressArea{5, 371, 490, 409};
// Presses within this many pixels of the strip's left edge all go to column 0.
inline constexpr int kOverviewFirstColumnWidth = 5;

// x of zoomed-view column i (0 ... 59).
constexpr int columnX(int column) { return kFirstColumnX + kColumnSpacing * column; }

// y of a value on the sound's scale (original and smoothed traces).
constexpr int sampleY(std::uint8_t value) { return 301 - value; }

// y of a decoded value, brought to the sound's scale as 2d - 128 first.
constexpr int decodedY(std::uint8_t value) { return 429 - 2 * value; }

// The overview column under a press at (x, y), or none outside the press area.
constexpr std::optional<std::uint32_t> overviewColumnAt(int x, int y) {
    const PixelRect& area = kOverviewPressArea;
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return std::nullopt;
    const int column = x - kOverviewLeft;
    return static_cast<std::uint32_t>(column < kOverviewFirstColumnWidth ? 0 : column);
}

// Left column of the marker outline, in unsigned 32-bit arithmetic. A state
// painted before its first reset has no step yet; it counts as one sample
// per column instead of dividing by zero.
constexpr int markerLeft(std::uint32_t viewOffset, std::uint32_t overviewStep) {
    return static_cast<int>(5u + (viewOffset * 256u) / (overviewStep == 0 ? 256u : overviewStep));
}

}  // namespace ryx::ui
