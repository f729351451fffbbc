#include "core/ProgramState.h"

#include <gtest/gtest.h>

#include <memory>

namespace ryx {
namespace {

TEST(ProgramStateTest, ResetReachesTheLastSampleButNotTheMargin) {
    auto state = std::make_unique<ProgramState>();
    state->encoder.fineness = 4;
    state->encoder.algorithmType = 1;
    state->encoder.showEncoded = 0;
    state->encoder.showSmoothed = 1;
    state->encoder.resistorOhms = 7;
    state->encoder.sampleRate = 8000;
    state->encoder.viewOffset = 99;
    state->overviewLevels[489] = 15;
    state->statusText.set("kept");
    resetSound(*state);

    for (const SampleBuffer* buffer : {&state->origSamples, &state->decodedSamples, &state->smoothedSamples}) {
        EXPECT_EQ((*buffer)[0], 128);
        EXPECT_EQ((*buffer)[kMaxSamples - 1], 128);
        EXPECT_EQ((*buffer)[kMaxSamples], 0);
        EXPECT_EQ((*buffer)[kBufferSize - 1], 0);
    }
    EXPECT_EQ(state->bitStream[kMaxSamples - 1], 0);
    EXPECT_EQ(state->overviewLevels[489], 0);
    EXPECT_EQ(state->encoder.sampleCount, 490u);
    EXPECT_EQ(state->encoder.overviewStep, 256u);
    EXPECT_EQ(state->encoder.viewOffset, 0u);
    EXPECT_EQ(state->encoder.showSmoothed, 0);
    // Settings, the last resistor value and the message are not the sound's.
    EXPECT_EQ(state->encoder.fineness, 4);
    EXPECT_EQ(state->encoder.algorithmType, 1);
    EXPECT_EQ(state->encoder.showEncoded, 0);
    EXPECT_EQ(state->encoder.resistorOhms, 7);
    EXPECT_EQ(state->encoder.sampleRate, 8000u);
    EXPECT_EQ(state->statusText.view(), "kept");
}

TEST(ProgramStateTest, StatusTextKeepsAtMost99Characters) {
    StatusText text;
    text.set(std::string(150, 'x'));
    EXPECT_EQ(text.view().size(), 99u);
    text.clear();
    EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace ryx
