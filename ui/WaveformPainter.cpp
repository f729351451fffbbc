#include "ui/WaveformPainter.h"

#include "ui/CellTextWriter.h"
#include "ui/PictureColours.h"
#include "ui/PictureGeometry.h"
#include "ui/PixelLine.h"

#include <QPainter>
#include <QString>

#include <array>
#include <cstdint>

namespace ryx::ui {
namespace {

using TracePoints = std::array<PixelPoint, kViewColumns>;

void fill(QPainter& painter, const PixelRect& r, QRgb colour) {
    painter.fillRect(r.left, r.top, r.right - r.left, r.bottom - r.top, QColor::fromRgb(colour));
}

// The view reads up to 59 positions past the last sample, into the buffers'
// margin; a position beyond the buffer (never reached by a sound that keeps
// the view in range) reads as 0 instead of past the array.
std::uint8_t at(const SampleBuffer& buffer, std::uint32_t viewOffset, int column) {
    const std::uint64_t index = std::uint64_t{viewOffset} + static_cast<std::uint64_t>(column);
    return index < buffer.size() ? buffer[index] : std::uint8_t{0};
}

void drawOverview(QPainter& painter, const ProgramState& state) {
    fill(painter, kOverviewStrip, kBlack);
    drawPixelLine(painter, kOverviewAxisFrom, kOverviewAxisTo, kAxisGrey);
    for (int c = 0; c < kDrawnOverviewBars; ++c) {
        const int level = state.overviewLevels[static_cast<std::size_t>(c)];
        const int x = kOverviewLeft + c;
        drawPixelLine(painter, {x, kOverviewAxisY - level}, {x, kOverviewAxisY + level}, kGreen);
    }
}

void drawMarker(QPainter& painter, const EncoderState& e) {
    const int m = markerLeft(e.viewOffset, e.overviewStep);
    const int height = kMarkerBottom - kMarkerTop;
    fill(painter, {m, kMarkerTop, m + 1, kMarkerBottom}, kWhite);
    fill(painter, {m + kMarkerWidth - 1, kMarkerTop, m + kMarkerWidth, kMarkerBottom}, kWhite);
    fill(painter, {m, kMarkerTop, m + kMarkerWidth, kMarkerTop + 1}, kWhite);
    fill(painter, {m, kMarkerTop + height - 1, m + kMarkerWidth, kMarkerBottom}, kWhite);
}

void drawColumns(QPainter& painter, CellTextWriter& text, const ProgramState& state) {
    const bool oneAndHalfBit = state.encoder.algorithmType == kAlgorithmOneAndHalfBit;
    const QRgb zeroColour = oneAndHalfBit ? kLightBlue : kRed;
    const QString one = QStringLiteral("1");
    const QString zero = QStringLiteral("0");
    for (int i = 0; i < kViewColumns; ++i) {
        const int x = columnX(i);
        const bool bit = at(state.bitStream, state.encoder.viewOffset, i) == 1;
        drawPixelLine(painter, {x, kGridFromY}, {x, kGridToY}, kGridGrey);
        text.draw({x + kDigitDx, kDigitY}, bit ? one : zero, bit ? kWhite : zeroColour);
        if (oneAndHalfBit) text.draw({x + kSecondDigitDx, kSecondDigitY}, bit ? one : zero, kMidGrey);
    }
}

void drawReferenceLines(QPainter& painter) {
    for (const int y : kReferenceLineYs)
        drawPixelLine(painter, {kReferenceFromX, y}, {kReferenceToX, y}, kAxisGrey);
}

void drawStatusLine(CellTextWriter& text, const ProgramState& state) {
    if (!state.statusText.empty()) {
        text.draw(kStatusLinePosition, QString::fromLatin1(state.statusText.c_str()), kMessageRed);
        return;
    }
    const EncoderState& e = state.encoder;
    const QString line = QString::asprintf("Offset: %ld   (Total: %ld)    Freq: %ldHz",
                                           static_cast<long>(static_cast<std::int32_t>(e.viewOffset)),
                                           static_cast<long>(static_cast<std::int32_t>(e.sampleCount)),
                                           static_cast<long>(static_cast<std::int32_t>(e.sampleRate)));
    text.draw(kStatusLinePosition, line, kGreen);
}

template <typename ToY>
void drawTrace(QPainter& painter, const SampleBuffer& buffer, std::uint32_t viewOffset, ToY toY, QRgb colour) {
    TracePoints points;
    for (int i = 0; i < kViewColumns; ++i)
        points[static_cast<std::size_t>(i)] = {columnX(i), toY(at(buffer, viewOffset, i))};
    drawPixelPolyline(painter, points, colour);
}

void drawTraces(QPainter& painter, const ProgramState& state) {
    const EncoderState& e = state.encoder;
    const bool oneAndHalfBit = e.algorithmType == kAlgorithmOneAndHalfBit;
    const bool smoothed = e.showSmoothed == 1;
    if (e.showEncoded == 1) {
        const QRgb colour = smoothed ? (oneAndHalfBit ? kDarkBlue : kDarkRed) : (oneAndHalfBit ? kLightBlue : kRed);
        drawTrace(painter, state.decodedSamples, e.viewOffset, decodedY, colour);
    }
    drawTrace(painter, state.origSamples, e.viewOffset, sampleY, kGreen);
    if (smoothed) drawTrace(painter, state.smoothedSamples, e.viewOffset, sampleY, kWhite);
}

}  // namespace

void FormDraw(QPainter& painter, const ProgramState& state) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setBrushOrigin(0, 0);

    fill(painter, kZoomedView, kBlack);
    drawOverview(painter, state);
    drawMarker(painter, state.encoder);

    CellTextWriter text(painter, kBlack);
    drawColumns(painter, text, state);
    drawReferenceLines(painter);
    drawStatusLine(text, state);
    drawTraces(painter, state);

    painter.restore();
}

}  // namespace ryx::ui
