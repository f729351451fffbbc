#include "SameState.h"

#include <gtest/gtest.h>

namespace ryx::test {

std::unique_ptr<ProgramState> freshState() {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    return state;
}

void expectSameState(const ProgramState& expected, const ProgramState& actual) {
    const EncoderState& a = expected.encoder;
    const EncoderState& b = actual.encoder;
    EXPECT_EQ(a.fineness, b.fineness);
    EXPECT_EQ(a.algorithmType, b.algorithmType);
    EXPECT_EQ(a.showEncoded, b.showEncoded);
    EXPECT_EQ(a.showSmoothed, b.showSmoothed);
    EXPECT_EQ(a.resistorOhms, b.resistorOhms);
    EXPECT_EQ(a.sampleRate, b.sampleRate);
    EXPECT_EQ(a.sampleCount, b.sampleCount);
    EXPECT_EQ(a.viewOffset, b.viewOffset);
    EXPECT_EQ(a.overviewStep, b.overviewStep);
    EXPECT_TRUE(expected.origSamples == actual.origSamples);
    EXPECT_TRUE(expected.decodedSamples == actual.decodedSamples);
    EXPECT_TRUE(expected.smoothedSamples == actual.smoothedSamples);
    EXPECT_TRUE(expected.bitStream == actual.bitStream);
    EXPECT_TRUE(expected.overviewLevels == actual.overviewLevels);
    EXPECT_EQ(expected.statusText.view(), actual.statusText.view());
    EXPECT_EQ(expected.encoderChoice, actual.encoderChoice);
}

}  // namespace ryx::test
