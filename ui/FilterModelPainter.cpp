#include "ui/FilterModelPainter.h"

#include "ui/CellTextWriter.h"
#include "ui/PixelLine.h"

#include <QPainter>
#include <QString>

#include <cstdint>

namespace ryx::ui {
namespace {

void fill(QPainter& painter, const PixelRect& r, QRgb colour) {
    painter.fillRect(r.left, r.top, r.right - r.left, r.bottom - r.top, QColor::fromRgb(colour));
}

void drawResistor(QPainter& painter, int wireY) {
    fill(painter, {kResistorLeft, wireY - kResistorHalfHeight, kResistorRight, wireY + kResistorHalfHeight},
         kCircuitBlack);
}

// A horizontal bar centred on the node's column.
void drawBar(QPainter& painter, int y, int halfWidth) {
    drawWire(painter, {kNode.x - halfWidth, y}, {kNode.x + halfWidth, y}, kCircuitBlack);
}

void drawUpperInput(QPainter& painter) {
    drawWire(painter, {kInputLeftX, kUpperInputY}, {kNode.x, kUpperInputY}, kCircuitBlack);
    drawResistor(painter, kUpperInputY);
    drawWire(painter, {kNode.x, kUpperInputY}, kNode, kCircuitBlack);
}

void drawLowerInputNodeAndGround(QPainter& painter) {
    drawWire(painter, {kInputLeftX, kLowerInputY}, {kOutputRightX, kLowerInputY}, kCircuitBlack);
    drawResistor(painter, kLowerInputY);
    fill(painter,
         {kNode.x - kNodeDotHalfSize, kNode.y - kNodeDotHalfSize, kNode.x + kNodeDotHalfSize,
          kNode.y + kNodeDotHalfSize},
         kCircuitBlack);
    drawWire(painter, kNode, {kNode.x, kCapacitorTopY}, kCircuitBlack);
    drawBar(painter, kCapacitorTopY, kCapacitorHalfWidth);
    drawBar(painter, kCapacitorBottomY, kCapacitorHalfWidth);
    drawWire(painter, {kNode.x, kCapacitorBottomY}, {kNode.x, kGroundTopY}, kCircuitBlack);
    for (const GroundBar& bar : kGroundBars) drawBar(painter, bar.y, bar.halfWidth);
}

void drawTexts(QPainter& painter, const EncoderState& e, QRgb panel) {
    CellTextWriter text(painter, panel);
    text.draw(kRateAndFinenessTextAt,
              QString::asprintf("Frequency = %ldHz    Ryx = %d",
                                static_cast<long>(static_cast<std::int32_t>(e.sampleRate)), int{e.fineness}),
              kCircuitBlack);
    text.draw(kOhmsTextAt, QString::asprintf("R Ohms = %d", e.resistorOhms), kCircuitBlack);
    text.draw(kCapacitorNameAt, QStringLiteral("C"), kCircuitBlack);
    text.draw(kCapacitorValueAt, QStringLiteral("0.22uF"), kCircuitBlack);
    text.draw(kOutputTextAt, QStringLiteral("Audio Out"), kCircuitBlack);

    if (e.algorithmType != kAlgorithmOneAndHalfBit) {
        text.draw(kLowerInputTextAt, QStringLiteral("Digital In"), kCircuitBlack);
        text.draw(kSingleResistorTextAt, QStringLiteral("R"), kCircuitBlack);
    } else {
        // R + R in 32-bit arithmetic, wrapping as the integer type would.
        const auto doubled = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.resistorOhms) * 2u);
        text.draw(kUpperInputTextAt, QStringLiteral("Digital A"), kCircuitBlack);
        text.draw(kLowerInputTextAt, QStringLiteral("Digital B"), kCircuitBlack);
        text.draw(kLowerResistorTextAt, QStringLiteral("2R"), kCircuitBlack);
        text.draw(kUpperResistorTextAt, QStringLiteral("2R"), kCircuitBlack);
        text.draw(kEachResistorTextAt, QString::asprintf("(each resistor = 2R = %ld ohms)", static_cast<long>(doubled)),
                  kCircuitBlack);
    }
}

}  // namespace

void drawWire(QPainter& painter, PixelPoint a, PixelPoint b, QRgb colour) {
    const QColor color = QColor::fromRgb(colour);
    auto block = [&](int left, int top, int width, int height) {
        painter.fillRect(left - 1, top - 1, width + 1, height + 1, color);
    };
    forEachLineRun(a, b, block);
    block(b.x, b.y, 1, 1);
}

void drawFilterModel(QPainter& painter, const ProgramState& state) {
    const EncoderState& e = state.encoder;
    const QRgb panel = filterPanelColour(e.algorithmType);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    fill(painter, kFilterPanel, panel);
    if (e.algorithmType == kAlgorithmOneAndHalfBit) drawUpperInput(painter);
    drawLowerInputNodeAndGround(painter);
    drawTexts(painter, e, panel);
    painter.restore();
}

}  // namespace ryx::ui
