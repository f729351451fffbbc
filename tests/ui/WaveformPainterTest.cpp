#include "PictureTestSupport.h"

#include "formats/WaveLoad.h"
#include "ui/PictureColours.h"
#include "ui/PictureGeometry.h"

#include <QRegion>

#include <gtest/gtest.h>

#include <algorithm>

namespace ryx::test {
namespace {

using namespace ryx::ui;

#define EXPECT_PIXEL(image, x, y, colour) \
    EXPECT_EQ(colourName((image).pixel((x), (y))), colourName(colour)) << "at (" << (x) << ", " << (y) << ")"

QRect digitCell(int column) { return textCell({columnX(column) - 3, 349}, QStringLiteral("0")); }
QRect greyDigitCell(int column) { return textCell({columnX(column) + 5, 337}, QStringLiteral("0")); }
bool isGridColumn(int x) { return x >= 13 && x <= 485 && x % 8 == 5; }

TEST(MainPicture, StartUp) {
    const QImage image = paintMainPicture(*startedState());

    // Face colour everywhere but the two black fills, the marker's rows and
    // the last grey digit's cell, which reaches past the view to x = 494+.
    const QRect lastGreyCell = greyDigitCell(kViewColumns - 1);
    EXPECT_EQ(lastGreyCell.left(), 490);
    EXPECT_GT(lastGreyCell.right(), 494);
    const QRegion painted = QRegion(5, 6, 489, 359) + QRegion(5, 370, 489, 38) + QRegion(lastGreyCell);
    for (int y = 0; y < 418; ++y)
        for (int x = 0; x < 500; ++x)
            if (!painted.contains(QPoint(x, y))) {
                ASSERT_EQ(colourName(image.pixel(x, y)), colourName(kTestFace)) << "(" << x << ", " << y << ")";
            }
    EXPECT_EQ(countColour(image, lastGreyCell.adjusted(4, 0, 0, 0), kTestFace), 0);
    for (const QPoint p : {QPoint(5, 6), QPoint(493, 6), QPoint(5, 364), QPoint(493, 364), QPoint(13, 371),
                           QPoint(493, 406)})
        EXPECT_PIXEL(image, p.x(), p.y(), kBlack);
    EXPECT_PIXEL(image, 13, 370, kTestFace);
    EXPECT_PIXEL(image, 493, 407, kTestFace);

    // No bars: the axis alone, 8 up to 491, under the marker at x = 5 ... 12.
    EXPECT_EQ(countColour(image, QRect(0, 365, 500, 53), kGreen), 0);
    for (int x = 6; x < 494; ++x) EXPECT_PIXEL(image, x, 389, x == 12 ? kWhite : x >= 8 && x < 492 ? kAxisGrey : kBlack);

    // Grid lines 34 ... 313; reference lines 9 ... 490 over them; both traces
    // on y = 173, green over light blue, the last point (485, 173) unpainted.
    for (int i = 0; i < kViewColumns; ++i) {
        const int x = columnX(i);
        EXPECT_PIXEL(image, x, 33, kBlack);
        EXPECT_PIXEL(image, x, 34, kGridGrey);
        EXPECT_PIXEL(image, x, 313, kGridGrey);
        EXPECT_PIXEL(image, x, 314, kBlack);
        EXPECT_PIXEL(image, x + 1, 100, kBlack);
    }
    for (const int y : {45, 173, 302}) {
        EXPECT_PIXEL(image, 8, y, kBlack);
        EXPECT_PIXEL(image, 9, y, kAxisGrey);
        EXPECT_PIXEL(image, 13, y, y == 173 ? kGreen : kAxisGrey);
        EXPECT_PIXEL(image, 490, y, kAxisGrey);
        EXPECT_PIXEL(image, 491, y, kBlack);
    }
    for (int x = 13; x < 485; ++x) EXPECT_PIXEL(image, x, 173, kGreen);
    EXPECT_PIXEL(image, 12, 173, kAxisGrey);
    EXPECT_PIXEL(image, 485, 173, kAxisGrey);
    EXPECT_EQ(countColour(image, QRect(0, 30, 500, 143), kGreen) + countColour(image, QRect(0, 174, 500, 325), kGreen),
              0);

    // 60 light blue "0" over 60 grey ones; light blue nowhere else.
    for (int i = 0; i < kViewColumns; ++i) {
        EXPECT_TRUE(showsText(image, digitCell(i).topLeft(), QStringLiteral("0"), kLightBlue, kBlack)) << i;
        EXPECT_TRUE(showsText(image, greyDigitCell(i).topLeft(), QStringLiteral("0"), kMidGrey, kBlack)) << i;
    }
    EXPECT_EQ(countColour(image, image.rect(), kLightBlue),
              countColour(image, QRect(5, 349, 489, 13), kLightBlue));
    EXPECT_TRUE(showsText(image, {13, 10}, QStringLiteral("Offset: 0   (Total: 490)    Freq: 15625Hz"), kGreen,
                          kBlack));
}

TEST(MainPicture, RefusedOpenShowsTheRedMessageOverTheSamePicture) {
    auto state = startedState();
    const QImage startUp = paintMainPicture(*state);
    state->statusText.set(kNotWaveMessage);
    const QImage refused = paintMainPicture(*state);
    const QString message = QString::fromLatin1(kNotWaveMessage.data(), kNotWaveMessage.size());
    EXPECT_TRUE(showsText(refused, {13, 10}, message, kMessageRed, kBlack));
    EXPECT_EQ(countColour(refused, QRect(0, 0, 500, 30), kGreen), 0);
    const int below = textCell({13, 10}, message).bottom() + 1;
    EXPECT_EQ(refused.copy(0, below, 500, 499 - below), startUp.copy(0, below, 500, 499 - below));
}

// Original 100 (y = 201), decoded 100 (y = 229), smoothed 150 (y = 151),
// bits 0, 1, 0, 1, ...
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
    };
    const Case cases[] = {
        {15, 1, 0, kLightBlue}, {15, 1, 1, kDarkBlue}, {15, 0, 0, kBlack}, {15, 0, 1, kBlack},
        {1, 1, 0, kRed},        {1, 1, 1, kDarkRed},   {1, 0, 0, kBlack},  {1, 0, 1, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << int{c.algorithmType} << ", showEncoded " << int{c.encoded}
                                          << ", showSmoothed " << int{c.smoothed});
        const QImage image = paintMainPicture(*threeTraceState(c.algorithmType, c.encoded, c.smoothed));
        for (int x = 13; x <= 485; ++x) {
            const QRgb under = isGridColumn(x) ? kGridGrey : kBlack;
            EXPECT_PIXEL(image, x, 229, c.decoded != kBlack && x < 485 ? c.decoded : under);
            EXPECT_PIXEL(image, x, 201, x < 485 ? kGreen : under);
            EXPECT_PIXEL(image, x, 151, c.smoothed == 1 && x < 485 ? kWhite : under);
        }
    }
    // Drawn decoded, original, smoothed: each covers the one before.
    auto state = threeTraceState(15, 1, 0);
    std::fill_n(state->decodedSamples.begin(), 490, 114);  // 429 - 228 = 201, on the original
    EXPECT_PIXEL(paintMainPicture(*state), 100, 201, kGreen);
    std::fill_n(state->smoothedSamples.begin(), 490, 100);
    state->encoder.showSmoothed = 1;
    EXPECT_PIXEL(paintMainPicture(*state), 100, 201, kWhite);
}

TEST(MainPicture, DigitsOfBothSchemes) {
    for (const std::int8_t type : {std::int8_t{15}, std::int8_t{1}}) {
        SCOPED_TRACE(::testing::Message() << "type " << int{type});
        const QImage image = paintMainPicture(*threeTraceState(type, 1, 0));
        for (int i = 0; i < kViewColumns; ++i) {
            const bool one = i % 2 == 1;
            const QString digit = one ? QStringLiteral("1") : QStringLiteral("0");
            const QRgb zero = type == 15 ? kLightBlue : kRed;
            EXPECT_TRUE(showsText(image, digitCell(i).topLeft(), digit, one ? kWhite : zero, kBlack)) << i;
            // The grey row: the same bit one column on, 12 pixels higher.
            if (type == 15) {
                EXPECT_TRUE(showsText(image, greyDigitCell(i).topLeft(), digit, kMidGrey, kBlack)) << i;
            }
        }
        if (type == 1) {
            EXPECT_EQ(countColour(image, image.rect(), kMidGrey), 0);
            EXPECT_EQ(countColour(image, QRect(5, 330, 489, 19), kBlack), 489 * 19);
            EXPECT_PIXEL(image, 494, 340, kTestFace);
        }
    }
}

TEST(MainPicture, DecodedValuesOutsideTheViewAreNotClipped) {
    // 192 on the top reference line, 48 below the grid, 0 below the strip.
    const std::pair<std::uint8_t, int> cases[] = {{192, 45}, {191, 47}, {64, 301}, {48, 333}, {0, 429}};
    for (const auto& [decoded, y] : cases) {
        auto state = startedState();
        std::fill_n(state->decodedSamples.begin(), 490, decoded);
        const QImage image = paintMainPicture(*state);
        EXPECT_EQ(countColour(image, QRect(13, y, 472, 1), kLightBlue), 472) << int{decoded};
        EXPECT_NE(image.pixel(485, y), kLightBlue) << int{decoded};
        EXPECT_EQ(countColour(image, QRect(0, y - 1, 500, 1), kLightBlue), 0) << int{decoded};
    }
}

TEST(MainPicture, OverviewBarsOfTheFirst480ColumnsOnly) {
    auto state = startedState();
    for (std::size_t c = 0; c < kOverviewColumns; ++c) state->overviewLevels[c] = static_cast<std::uint8_t>(c % 16);
    state->encoder.viewOffset = 480;  // marker at 485, clear of the bars
    const QImage image = paintMainPicture(*state);
    for (int x = 5; x < 494; ++x) {
        const int level = x - 5 < 480 ? (x - 5) % 16 : 0;
        for (int y = 371; y < 407; ++y) {
            QRgb expected = kBlack;
            if (x == 485 || x == 492)
                expected = kWhite;
            else if (y >= 389 - level && y < 389 + level)
                expected = kGreen;
            else if (y == 389 && x >= 8 && x < 492)
                expected = kAxisGrey;
            ASSERT_EQ(colourName(image.pixel(x, y)), colourName(expected)) << "(" << x << ", " << y << ")";
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
        {490, 256, 0, 5},
        {490, 256, 480, 485},
        {1000, 521, 999, 495},               // (999 * 256) / 521 = 490
        {kMaxSamples, 137142, 131072, 249},
        {kMaxSamples, 137142, 262488, 494},  // the last step forward
        {490, 0, 12, 17},                    // never reset: no division by zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(markerLeft(c.viewOffset, c.overviewStep), c.left);
        auto state = startedState();
        state->encoder.sampleCount = c.samples;
        state->encoder.overviewStep = c.overviewStep;
        state->encoder.viewOffset = c.viewOffset;
        const QImage image = paintMainPicture(*state);
        const int m = c.left;
        const int right = std::min(m + 7, 499);
        // Columns m and m + 7, rows 370 and 407, and no other white.
        EXPECT_EQ(countColour(image, QRect(m, 370, 1, 38), kWhite), 38) << m;
        if (m + 7 < 500) {
            EXPECT_EQ(countColour(image, QRect(m + 7, 370, 1, 38), kWhite), 38) << m;
        }
        EXPECT_EQ(countColour(image, QRect(m, 370, right - m + 1, 1), kWhite), right - m + 1) << m;
        EXPECT_EQ(countColour(image, QRect(m, 407, right - m + 1, 1), kWhite), right - m + 1) << m;
        EXPECT_EQ(countColour(image, QRect(0, 365, 500, 53), kWhite),
                  m + 7 < 500 ? 2 * 38 + 2 * 6 : 38 + 2 * (499 - m)) << m;
    }
}

TEST(MainPicture, ColumnsPastTheEndOfTheLongestSoundShowZeroBytes) {
    auto state = startedState();
    state->encoder.sampleCount = kMaxSamples;
    state->encoder.overviewStep = 137142;
    state->encoder.sampleRate = 16777215;
    state->encoder.viewOffset = 262488;  // columns 12 ... 59 lie in the margin
    state->encoder.showSmoothed = 1;
    state->bitStream[262498] = 1;  // column 10
    const QImage image = paintMainPicture(*state);
    for (int x = columnX(0); x < columnX(11); ++x) {
        EXPECT_PIXEL(image, x, 173, kWhite);
        EXPECT_PIXEL(image, x, 301, isGridColumn(x) ? kGridGrey : kBlack);
    }
    for (int x = columnX(12); x < 485; ++x) {
        EXPECT_PIXEL(image, x, 301, kWhite);     // smoothed over the original
        EXPECT_PIXEL(image, x, 429, kDarkBlue);  // decoded 0, below the strip
    }
    EXPECT_PIXEL(image, 485, 301, kGridGrey);
    EXPECT_PIXEL(image, 485, 429, kTestFace);
    EXPECT_PIXEL(image, columnX(11), 429, kTestFace);
    // The decoded trace's plunge from column 11 to 12 crosses those two cells.
    for (int i = 0; i < kViewColumns; ++i) {
        if (i == 11 || i == 12) continue;
        EXPECT_TRUE(showsText(image, digitCell(i).topLeft(), i == 10 ? QStringLiteral("1") : QStringLiteral("0"),
                              i == 10 ? kWhite : kLightBlue, kBlack))
            << "column " << i;
    }
    EXPECT_TRUE(showsText(image, {13, 10}, QStringLiteral("Offset: 262488   (Total: 262500)    Freq: 16777215Hz"),
                          kGreen, kBlack));
}

}  // namespace
}  // namespace ryx::test
