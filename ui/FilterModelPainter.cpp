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

void drawUpperInput(QPainter& painter) {
    drawWire(painter, {60, 90}, {160, 90}, kCircuitBlack);
    fill(painter, {90, 84, 129, 96}, kCircuitBlack);
    drawWire(painter, {160, 90}, {160, 110}, kCircuitBlack);
}

void drawLowerInputNodeAndGround(QPainter& painter) {
    drawWire(painter, {60, 110}, {184, 110}, kCircuitBlack);
    fill(painter, {90, 104, 129, 116}, kCircuitBlack);
    fill(painter, {158, 108, 162, 112}, kCircuitBlack);
    drawWire(painter, {160, 110}, {160, 135}, kCircuitBlack);
    drawWire(painter, {151, 135}, {169, 135}, kCircuitBlack);
    drawWire(painter, {151, 144}, {169, 144}, kCircuitBlack);
    drawWire(painter, {160, 144}, {160, 170}, kCircuitBlack);
    drawWire(painter, {150, 170}, {170, 170}, kCircuitBlack);
    drawWire(painter, {153, 174}, {167, 174}, kCircuitBlack);
    drawWire(painter, {157, 178}, {163, 178}, kCircuitBlack);
}

void drawTexts(QPainter& painter, const EncoderState& e, QRgb panel) {
    CellTextWriter text(painter, panel);
    text.draw({10, 10},
              QString::asprintf("Frequency = %ldHz    Ryx = %d",
                                static_cast<long>(static_cast<std::int32_t>(e.sampleRate)), int{e.fineness}),
              kCircuitBlack);
    text.draw({10, 26}, QString::asprintf("R Ohms = %d", e.resistorOhms), kCircuitBlack);
    text.draw({178, 130}, QStringLiteral("C"), kCircuitBlack);
    text.draw({178, 145}, QStringLiteral("0.22uF"), kCircuitBlack);
    text.draw({190, 102}, QStringLiteral("Audio Out"), kCircuitBlack);

    if (e.algorithmType != kAlgorithmOneAndHalfBit) {
        text.draw({10, 102}, QStringLiteral("Digital In"), kCircuitBlack);
        text.draw({105, 118}, QStringLiteral("R"), kCircuitBlack);
    } else {
        // R + R in 32-bit arithmetic, wrapping as the integer type would.
        const auto doubled = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.resistorOhms) * 2u);
        text.draw({10, 82}, QStringLiteral("Digital A"), kCircuitBlack);
        text.draw({10, 102}, QStringLiteral("Digital B"), kCircuitBlack);
        text.draw({101, 118}, QStringLiteral("2R"), kCircuitBlack);
        text.draw({101, 70}, QStringLiteral("2R"), kCircuitBlack);
        text.draw({10, 42}, QString::asprintf("(each resistor = 2R = %ld ohms)", static_cast<long>(doubled)),
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
