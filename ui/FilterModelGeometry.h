#pragma once
// Where the filter model dialog's picture puts the circuit, in the dialog's
// client pixels. Wires are given by their centre lines (see drawWire).

#include "ui/PictureGeometry.h"

namespace ryx::ui {

inline constexpr PixelRect kFilterPanel{4, 6, 246, 210};

// The inputs come in from the left; the lower one runs on to the output.
inline constexpr int kInputLeftX = 60;
inline constexpr int kUpperInputY = 90;  // "Digital A", 1.5-bit scheme only
inline constexpr int kLowerInputY = 110;
inline constexpr int kOutputRightX = 184;

// A resistor: a filled block on its input's wire, 12 pixels high.
inline constexpr int kResistorLeft = 90;
inline constexpr int kResistorRight = 129;
inline constexpr int kResistorHalfHeight = 6;

// The node where the inputs meet, and everything hanging below it.
inline constexpr PixelPoint kNode{160, kLowerInputY};
inline constexpr int kNodeDotHalfSize = 2;
inline constexpr int kCapacitorTopY = 135;
inline constexpr int kCapacitorBottomY = 144;
inline constexpr int kCapacitorHalfWidth = 9;
inline constexpr int kGroundTopY = 170;  // the ground symbol's first bar

// The ground symbol: three bars, each shorter, 4 pixels apart.
struct GroundBar {
    int y;
    int halfWidth;
};
inline constexpr GroundBar kGroundBars[] = {{kGroundTopY, 10}, {kGroundTopY + 4, 7}, {kGroundTopY + 8, 3}};

// Where each text's cell starts.
inline constexpr PixelPoint kRateAndFinenessTextAt{10, 10};
inline constexpr PixelPoint kOhmsTextAt{10, 26};
inline constexpr PixelPoint kEachResistorTextAt{10, 42};
inline constexpr PixelPoint kUpperInputTextAt{10, 82};
inline constexpr PixelPoint kLowerInputTextAt{10, 102};
inline constexpr PixelPoint kUpperResistorTextAt{101, 70};
inline constexpr PixelPoint kLowerResistorTextAt{101, 118};   // "2R"
inline constexpr PixelPoint kSingleResistorTextAt{105, 118};  // "R", centred where "2R" would be
inline constexpr PixelPoint kCapacitorNameAt{178, 130};
inline constexpr PixelPoint kCapacitorValueAt{178, 145};
inline constexpr PixelPoint kOutputTextAt{190, 102};

}  // namespace ryx::ui
