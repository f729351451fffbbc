#pragma once
// The output filter model dialog's picture: the decoder circuit of the
// current scheme with the sample rate, fineness and resistor values, read
// from the state at paint time; nothing is computed but 2R = R + R.

#include "core/ProgramState.h"
#include "ui/FilterModelGeometry.h"
#include "ui/PictureGeometry.h"

#include <QRgb>

class QPainter;

namespace ryx::ui {

inline constexpr QRgb kPanelOneAndHalfBit = qRgb(170, 180, 220);  // light blue
inline constexpr QRgb kPanelOneBit = qRgb(220, 160, 160);         // light red
inline constexpr QRgb kCircuitBlack = qRgb(0, 0, 0);

// The panel colour P of the given scheme.
constexpr QRgb filterPanelColour(std::int8_t algorithmType) {
    return algorithmType == kAlgorithmOneAndHalfBit ? kPanelOneAndHalfBit : kPanelOneBit;
}

// A 2-pixel wire from a to b, both ends included: a 2 x 2 block whose
// bottom-right pixel is each pixel of the 1-pixel line from a to b, so a
// horizontal wire at y covers rows y - 1 and y and reaches one column past
// each end (the blocks centre on the given coordinates, like the node dot).
void drawWire(QPainter& painter, PixelPoint a, PixelPoint b, QRgb colour);

// Paints the whole picture over the dialog's face colour.
void drawFilterModel(QPainter& painter, const ProgramState& state);

}  // namespace ryx::ui
