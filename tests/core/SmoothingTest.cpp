#include "core/Encoder.h"

#include <gtest/gtest.h>

#include <memory>

namespace ryx {
namespace {

TEST(SmoothingTest, NeighbourPairs) {
    struct Case { std::uint8_t first, second, smoothed; };
    const Case cases[] = {{128, 128, 128}, {128, 192, 184}, {192, 192, 255}, {192, 64, 144},
                          {64, 64, 0},     {100, 110, 80},  {110, 0, 0}};
    auto state = std::make_unique<ProgramState>();
    for (const Case& c : cases) {
        state->decodedSamples[1000] = c.first;
        state->decodedSamples[1001] = c.second;
        smoothDecoded(*state);
        EXPECT_EQ(state->smoothedSamples[1000], c.smoothed) << int(c.first) << "," << int(c.second);
    }
}

TEST(SmoothingTest, CoversAllPositionsButTheLastWhateverTheLength) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = 8;
    state->decodedSamples[kMaxSamples - 2] = 200;  // far beyond the sound
    state->smoothedSamples[kMaxSamples - 1] = 77;
    smoothDecoded(*state);
    EXPECT_EQ(state->smoothedSamples[kMaxSamples - 2], 209);  // (1800 + 896) / 8 - 128
    EXPECT_EQ(state->smoothedSamples[kMaxSamples - 3], 191);  // (1152 + 1400) / 8 - 128
    EXPECT_EQ(state->smoothedSamples[kMaxSamples - 1], 77);   // never written
    EXPECT_EQ(state->smoothedSamples[kMaxSamples], 0);        // the margin
}

}  // namespace
}  // namespace ryx
