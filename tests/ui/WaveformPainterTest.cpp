#include "PictureTestSupport.h"

#include "core/WavReader.h"
#include "ui/PictureColours.h"
#include "ui/PictureGeometry.h"
#include "ui/WindowFont.h"

#include <QFontMetrics>
#include <QRegion>

#include <gtest/gtest.h>

#include <algorithm>

namespace ryx::test {
namespace {

using namespace ryx::ui;

// Pixel (x, y) with a readable failure message.
#define EXPECT_PIXEL(image, x, y, colour) \
    EXPECT_EQ(colourName((image).pixel((x), (y))), colourName(colour)) << "at (" << (x) << ", " << (y) << ")"

// The cells of the two digit rows of column i.
QRect digitCell(int column) { return textCell({columnX(column) + kDigitDx, kDigitY}, QStringLiteral("0")); }
QRect secondDigitCell(int column) {
    return textCell({columnX(column) + kSecondDigitDx, kSecondDigitY}, QStringLiteral("0"));
}

QRegion digitCells() {
    QRegion cells;
    for (int i = 0; i < kViewColumns; ++i) cells += QRegion(digitCell(i)) + QRegion(secondDigitCell(i));
    return cells;
}

TEST(MainPicture, StartUpRegionsAndMargins) {
    const QImage image = paintMainPicture(*startedState());
    const QRect lastGreyCell = secondDigitCell(kViewColumns - 1);
    for (int y = 0; y < 418; ++y) {
        for (int x = 0; x < 500; ++x) {
            const bool zoomed = x >= 5 && x < 494 && y >= 6 && y < 365;
            const bool strip = x >= 5 && x < 494 && y >= 370 && y < 408;  // with the marker's rows
            if (zoomed || strip || lastGreyCell.contains(x, y)) continue;
            ASSERT_EQ(image.pixel(x, y), kTestFace) << "margin pixel (" << x << ", " << y << ")";
        }
    }
    // Corners of both black fills; the strip's top and bottom rows outside
    // the marker keep the face colour.
    EXPECT_PIXEL(image, 5, 6, kBlack);
    EXPECT_PIXEL(image, 493, 6, kBlack);
    EXPECT_PIXEL(image, 5, 364, kBlack);
    EXPECT_PIXEL(image, 493, 364, kBlack);
    EXPECT_PIXEL(image, 13, 371, kBlack);
    EXPECT_PIXEL(image, 493, 406, kBlack);
    EXPECT_PIXEL(image, 13, 370, kTestFace);
    EXPECT_PIXEL(image, 493, 407, kTestFace);
    // The grey digit of the last column stands at x = 490, its black cell
    // reaching past the zoomed view into the right margin.
    EXPECT_EQ(lastGreyCell.left(), 490);
    EXPECT_GT(lastGreyCell.right(), 494);
    EXPECT_EQ(countColour(image, lastGreyCell.adjusted(4, 0, 0, 0), kTestFace), 0);
}

TEST(MainPicture, StartUpOverviewAxisAndMarker) {
    const QImage image = paintMainPicture(*startedState());
    // No bars: only the axis, from 8 up to but not including 492.
    EXPECT_EQ(countColour(image, QRect(0, 360, 500, 60), kGreen), 0);
    EXPECT_PIXEL(image, 7, 389, kBlack);
    for (int x = 8; x < 492; ++x)
        if (x != 12) {
            EXPECT_PIXEL(image, x, 389, kAxisGrey);
        }
    EXPECT_PIXEL(image, 492, 389, kBlack);
    // The marker outline spans x = 5 ... 12 and rows 370 ... 407.
    for (int y = 370; y <= 407; ++y) {
        EXPECT_PIXEL(image, 5, y, kWhite);
        EXPECT_PIXEL(image, 12, y, kWhite);
        EXPECT_PIXEL(image, 4, y, kTestFace);
        EXPECT_PIXEL(image, 13, y, y == 370 || y == 407 ? kTestFace : y == 389 ? kAxisGrey : kBlack);
    }
    for (int x = 5; x <= 12; ++x) {
        EXPECT_PIXEL(image, x, 370, kWhite);
        EXPECT_PIXEL(image, x, 407, kWhite);
        EXPECT_PIXEL(image, x, 369, kTestFace);
        EXPECT_PIXEL(image, x, 408, kTestFace);
    }
    EXPECT_PIXEL(image, 6, 371, kBlack);
    EXPECT_PIXEL(image, 11, 406, kBlack);
    EXPECT_EQ(countColour(image, QRect(6, 371, 6, 36), kWhite), 0);
}

TEST(MainPicture, StartUpGridReferenceLinesAndTraces) {
    const QImage image = paintMainPicture(*startedState());
    for (int i = 0; i < kViewColumns; ++i) {
        const int x = columnX(i);
        EXPECT_PIXEL(image, x, 33, kBlack);
        EXPECT_PIXEL(image, x, 34, kGridGrey);
        EXPECT_PIXEL(image, x, 100, kGridGrey);
        EXPECT_PIXEL(image, x, 313, kGridGrey);
        EXPECT_PIXEL(image, x, 314, kBlack);
        EXPECT_PIXEL(image, x + 1, 100, kBlack);
        // Reference lines over the grid, the green trace over the reference line.
        EXPECT_PIXEL(image, x, 45, kAxisGrey);
        EXPECT_PIXEL(image, x, 302, kAxisGrey);
        EXPECT_PIXEL(image, x, 173, i == kViewColumns - 1 ? kAxisGrey : kGreen);
    }
    for (const int y : {45, 173, 302}) {
        EXPECT_PIXEL(image, 8, y, kBlack);
        EXPECT_PIXEL(image, 9, y, kAxisGrey);
        EXPECT_PIXEL(image, 490, y, kAxisGrey);
        EXPECT_PIXEL(image, 491, y, kBlack);
    }
    // Both traces lie on y = 173 from x = 13; the green one covers the
    // decoded one, and the polyline leaves its last point (485, 173) alone.
    for (int x = 13; x < 485; ++x) EXPECT_PIXEL(image, x, 173, kGreen);
    EXPECT_PIXEL(image, 12, 173, kAxisGrey);
    EXPECT_EQ(countColour(image, QRect(0, 30, 500, 143), kGreen), 0);
    EXPECT_EQ(countColour(image, QRect(0, 174, 500, 325), kGreen), 0);
    const QRegion cells = digitCells();
    for (int y = 0; y < 499; ++y)
        for (int x = 0; x < 500; ++x)
            if (!cells.contains(QPoint(x, y))) {
                ASSERT_NE(image.pixel(x, y), kLightBlue) << x << "," << y;
            }
}

TEST(MainPicture, StartUpDigitsAndInformationLine) {
    const QImage image = paintMainPicture(*startedState());
    for (int i = 0; i < kViewColumns; ++i) {
        const int x = columnX(i);
        EXPECT_TRUE(showsText(image, {x - 3, 349}, QStringLiteral("0"), kLightBlue, kBlack)) << "column " << i;
        EXPECT_TRUE(showsText(image, {x + 5, 337}, QStringLiteral("0"), kMidGrey, kBlack)) << "column " << i;
    }
    EXPECT_TRUE(showsText(image, {13, 10}, QStringLiteral("Offset: 0   (Total: 490)    Freq: 15625Hz"), kGreen,
                          kBlack));
}

TEST(MainPicture, InformationLineFollowsTheState) {
    auto state = startedState();
    state->encoder.viewOffset = 262488;
    state->encoder.sampleCount = kMaxSamples;
    state->encoder.overviewStep = 137142;
    state->encoder.sampleRate = 16777215;
    const QImage image = paintMainPicture(*state);
    EXPECT_TRUE(showsText(image, {13, 10}, QStringLiteral("Offset: 262488   (Total: 262500)    Freq: 16777215Hz"),
                          kGreen, kBlack));
}

TEST(MainPicture, RefusedOpenShowsTheRedMessageOverTheSamePicture) {
    auto state = startedState();
    const QImage startUp = paintMainPicture(*state);
    state->statusText.set(kNotWaveMessage);
    const QImage refused = paintMainPicture(*state);
    const QString message = QString::fromLatin1(kNotWaveMessage.data(), kNotWaveMessage.size());
    EXPECT_TRUE(showsText(refused, {13, 10}, message, kMessageRed, kBlack));
    EXPECT_EQ(countColour(refused, QRect(0, 0, 500, 30), kGreen), 0);
    // Everything below the status line is the silent picture as before.
    const int below = textCell({13, 10}, message).bottom() + 1;
    EXPECT_EQ(refused.copy(0, below, 500, 499 - below), startUp.copy(0, below, 500, 499 - below));
}

// Samples at distinct heights: original 100 (y = 201), decoded 100
// (y = 229), smoothed 150 (y = 151), and alternating bits.
std::unique_ptr<ProgramState> threeTraceState(std::int8_t algorithmType, std::uint8_t encoded,
                                              std::uint8_t smoothed) {
    auto state = startedState();
    state->encoder.algorithmType = algorithmType;
    state->encoder.showEncoded = encoded;
    state->encoder.showSmoothed = smoothed;
    std::fill_n(state->origSamples.begin(), 490, 100);
    std::fill_n(state->decodedSamples.begin(), 490, 100);
    std::fill_n(state->smoothedSamples.begin(), 490, 150);
    for (std::size_t p = 0; p < 489; ++p) state->bitStream[p] = p % 2;
    return state;
}

TEST(MainPicture, TraceColoursForBothSchemesAndAllFourFlagCombinations) {
    struct Case {
        std::int8_t algorithmType;
        std::uint8_t encoded;
        std::uint8_t smoothed;
        QRgb decoded;  // kBlack: not drawn
        bool white;
    };
    const Case cases[] = {
        {15, 1, 0, kLightBlue, false}, {15, 1, 1, kDarkBlue, true}, {15, 0, 0, kBlack, false},
        {15, 0, 1, kBlack, true},      {1, 1, 0, kRed, false},      {1, 1, 1, kDarkRed, true},
        {1, 0, 0, kBlack, false},      {1, 0, 1, kBlack, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << int{c.algorithmType} << ", showEncoded "
                                          << int{c.encoded} << ", showSmoothed " << int{c.smoothed});
        const QImage image = paintMainPicture(*threeTraceState(c.algorithmType, c.encoded, c.smoothed));
        for (int x = 13; x < 485; x += 3) {
            EXPECT_PIXEL(image, x, 229, c.decoded == kBlack && x % 8 == 5 ? kGridGrey : c.decoded);
            EXPECT_PIXEL(image, x, 201, kGreen);
            EXPECT_PIXEL(image, x, 151, c.white ? kWhite : x % 8 == 5 ? kGridGrey : kBlack);
        }
        EXPECT_PIXEL(image, 485, 229, kGridGrey);
        EXPECT_PIXEL(image, 485, 151, kGridGrey);
    }
}

TEST(MainPicture, TracesAreDrawnDecodedThenOriginalThenSmoothed) {
    auto state = threeTraceState(15, 1, 0);
    std::fill_n(state->decodedSamples.begin(), 490, 114);  // 429 - 228 = 201, on the original
    EXPECT_PIXEL(paintMainPicture(*state), 100, 201, kGreen);
    std::fill_n(state->smoothedSamples.begin(), 490, 100);
    state->encoder.showSmoothed = 1;
    EXPECT_PIXEL(paintMainPicture(*state), 100, 201, kWhite);
}

TEST(MainPicture, OneBitDigitsAreRedAndWhiteWithoutTheGreyRow) {
    const QImage image = paintMainPicture(*threeTraceState(1, 1, 0));
    for (int i = 0; i < kViewColumns; ++i) {
        const bool one = i % 2 == 1;
        EXPECT_TRUE(showsText(image, {columnX(i) - 3, 349}, one ? QStringLiteral("1") : QStringLiteral("0"),
                              one ? kWhite : kRed, kBlack))
            << "column " << i;
    }
    EXPECT_EQ(countColour(image, image.rect(), kMidGrey), 0);
    EXPECT_EQ(countColour(image, QRect(5, 330, 489, 19), kBlack), 489 * 19);
    EXPECT_PIXEL(image, 494, 340, kTestFace);  // no grey cell past the view
}

TEST(MainPicture, OneAndHalfBitSecondRowRepeatsEachBitOneColumnOn) {
    const QImage image = paintMainPicture(*threeTraceState(15, 1, 0));
    for (int i = 0; i < kViewColumns; ++i) {
        const bool one = i % 2 == 1;
        const QString digit = one ? QStringLiteral("1") : QStringLiteral("0");
        EXPECT_TRUE(showsText(image, {columnX(i) - 3, 349}, digit, one ? kWhite : kLightBlue, kBlack)) << i;
        EXPECT_TRUE(showsText(image, {columnX(i) + 5, 337}, digit, kMidGrey, kBlack)) << i;
    }
}

TEST(MainPicture, DecodedValuesOutsideTheViewAreNotClipped) {
    struct Case {
        std::uint8_t decoded;
        int y;
    };
    // 192 on the top reference line, 48 below the grid, 0 below the strip.
    for (const Case c : {Case{192, 45}, Case{48, 333}, Case{0, 429}, Case{191, 47}, Case{64, 301}}) {
        auto state = startedState();
        std::fill_n(state->decodedSamples.begin(), 490, c.decoded);
        const QImage image = paintMainPicture(*state);
        for (int x = 13; x < 485; ++x) ASSERT_EQ(image.pixel(x, c.y), kLightBlue) << int{c.decoded} << " at x " << x;
        EXPECT_NE(image.pixel(485, c.y), kLightBlue) << int{c.decoded};
        EXPECT_EQ(countColour(image, QRect(13, c.y - 1, 472, 1), kLightBlue), 0) << int{c.decoded};
    }
}

TEST(MainPicture, OverviewBarsOfTheFirst480ColumnsOnly) {
    auto state = startedState();
    for (std::size_t c = 0; c < kOverviewColumns; ++c) state->overviewLevels[c] = static_cast<std::uint8_t>(c % 16);
    state->encoder.viewOffset = 480;  // marker at 485, clear of the bars
    const QImage image = paintMainPicture(*state);
    for (int c = 0; c < 489; ++c) {  // x = 5 ... 493, the strip's width
        const int x = 5 + c;
        const int level = c < 480 ? c % 16 : 0;
        for (int y = 371; y < 407; ++y) {
            QRgb expected = kBlack;
            if (x == 485 || x == 492)
                expected = kWhite;
            else if (y >= 389 - level && y < 389 + level)
                expected = kGreen;
            else if (y == 389 && x >= 8 && x < 492)
                expected = kAxisGrey;
            ASSERT_EQ(colourName(image.pixel(x, y)), colourName(expected)) << "column " << c << ", y " << y;
        }
    }
}

TEST(MainPicture, MarkerFollowsTheViewAndIsCutByTheWindowEdge) {
    struct Case {
        std::uint32_t samples;
        std::uint32_t overviewStep;
        std::uint32_t viewOffset;
        int left;
    };
    const Case cases[] = {
        {490, 256, 480, 485},
        {1000, 521, 999, 495},              // (999 * 256) / 521 = 490
        {kMaxSamples, 137142, 262488, 494}, // the last step forward
        {kMaxSamples, 137142, 131072, 249},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(markerLeft(c.viewOffset, c.overviewStep), c.left);
        auto state = startedState();
        state->encoder.sampleCount = c.samples;
        state->encoder.overviewStep = c.overviewStep;
        state->encoder.viewOffset = c.viewOffset;
        const QImage image = paintMainPicture(*state);
        const int m = c.left;
        for (int y = 370; y <= 407; ++y) {
            EXPECT_PIXEL(image, m, y, kWhite);
            if (m + 7 < 500) {
                EXPECT_PIXEL(image, m + 7, y, kWhite);
            }
        }
        for (int x = m; x < std::min(m + 8, 500); ++x) {
            EXPECT_PIXEL(image, x, 370, kWhite);
            EXPECT_PIXEL(image, x, 407, kWhite);
        }
        EXPECT_PIXEL(image, m - 1, 380, m - 1 < 494 ? kBlack : kTestFace);
        // Two columns and two rows between them, or, cut by the edge, the left
        // column and the rows up to x = 499.
        EXPECT_EQ(countColour(image, QRect(0, 360, 500, 60), kWhite), m + 7 < 500 ? 2 * 38 + 2 * 6 : 38 + 2 * (499 - m));
    }
}

TEST(MainPicture, ColumnsPastTheEndOfTheLongestSoundShowZeroBytes) {
    auto state = startedState();
    state->encoder.sampleCount = kMaxSamples;
    state->encoder.overviewStep = 137142;
    state->encoder.viewOffset = 262488;  // columns 12 ... 59 lie in the margin
    state->encoder.showSmoothed = 1;
    state->bitStream[262498] = 1;  // column 10
    const QImage image = paintMainPicture(*state);
    const int firstPast = columnX(12);
    for (int x = columnX(0); x < columnX(11); ++x) {
        EXPECT_PIXEL(image, x, 173, kWhite);
        EXPECT_PIXEL(image, x, 301, x % 8 == 5 ? kGridGrey : kBlack);
    }
    for (int x = firstPast; x < 485; ++x) {
        EXPECT_PIXEL(image, x, 301, kWhite);       // smoothed over the original
        EXPECT_PIXEL(image, x, 429, kDarkBlue);    // decoded 0, below the strip
    }
    EXPECT_PIXEL(image, 485, 301, kGridGrey);
    EXPECT_PIXEL(image, 485, 429, kTestFace);
    EXPECT_PIXEL(image, columnX(11), 429, kTestFace);
    // The decoded trace's plunge from column 11 to 12 crosses those two cells.
    for (int i = 0; i < kViewColumns; ++i) {
        if (i == 11 || i == 12) continue;
        EXPECT_TRUE(showsText(image, {columnX(i) - 3, 349}, i == 10 ? QStringLiteral("1") : QStringLiteral("0"),
                              i == 10 ? kWhite : kLightBlue, kBlack))
            << "column " << i;
    }
    EXPECT_TRUE(showsText(image, {13, 10}, QStringLiteral("Offset: 262488   (Total: 262500)    Freq: 15625Hz"),
                          kGreen, kBlack));
}

}  // namespace
}  // namespace ryx::test
