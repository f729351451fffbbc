#include "core/Navigation.h"

#include "core/ProgramState.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace ryx {
namespace {

// An empty sound of n samples, as a reset followed by an open leaves it
// (the overview step of a sound shorter than 491 samples is 256).
std::unique_ptr<ProgramState> soundOf(std::uint32_t n, std::uint32_t overviewStep = 256) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = n;
    state->encoder.overviewStep = overviewStep;
    return state;
}

TEST(StepForward, PlaceholderSoundStepsByTwelveUpTo480AndStays) {
    auto state = soundOf(490);
    std::vector<std::uint32_t> seen{state->encoder.viewOffset};
    for (int press = 0; press < 45; ++press) {
        stepForward(*state);
        seen.push_back(state->encoder.viewOffset);
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const std::uint32_t expected = i <= 40 ? static_cast<std::uint32_t>(12 * i) : 480u;
        EXPECT_EQ(seen[i], expected) << "after press " << i;
    }
}

TEST(StepForward, ShortSounds) {
    struct Case {
        std::uint32_t samples;
        std::uint32_t start;
        std::uint32_t afterOnePress;
        std::uint32_t afterTwoPresses;
    };
    const Case cases[] = {
        {13, 0, 0, 0},     // 0 is not below n - 13 = 0: never moves
        {14, 0, 12, 12},   // one step, then 12 is not below 1
        {12, 0, 11, 11},   // n - 13 wraps: the step is taken, then clamped to n - 1
        {8, 0, 7, 7},      // the shortest sound a file can give
        {8, 6, 7, 7},      // a click may have left it at n - 2
        {25, 12, 12, 12},  // 12 is not below n - 13 = 12: no step
        {25, 11, 23, 23},  // 11 is: one step, which may pass n - 13
    };
    for (const Case& c : cases) {
        auto state = soundOf(c.samples);
        state->encoder.viewOffset = c.start;
        stepForward(*state);
        EXPECT_EQ(state->encoder.viewOffset, c.afterOnePress) << c.samples << " samples from " << c.start;
        stepForward(*state);
        EXPECT_EQ(state->encoder.viewOffset, c.afterTwoPresses) << c.samples << " samples from " << c.start;
    }
}

TEST(StepForward, LongestSoundStopsAtFirstStepPastItsEnd) {
    auto state = soundOf(kMaxSamples, (kMaxSamples - 1) * 256 / 490);
    state->encoder.viewOffset = 262476;
    stepForward(*state);  // 262476 < 262487
    EXPECT_EQ(state->encoder.viewOffset, 262488u);
    stepForward(*state);
    EXPECT_EQ(state->encoder.viewOffset, 262488u);
}

TEST(StepBackward, ByTwelveNeverBelowZero) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 0}, {5, 0}, {11, 0}, {12, 0}, {13, 1}, {480, 468}, {262488, 262476},
    };
    for (const auto& [from, to] : cases) {
        auto state = soundOf(kMaxSamples);
        state->encoder.viewOffset = from;
        stepBackward(*state);
        EXPECT_EQ(state->encoder.viewOffset, to) << "from " << from;
    }
}

TEST(OverviewJump, ColumnGoesToTheSampleItShowsAtMostTheOneBeforeTheLast) {
    struct Case {
        std::uint32_t samples;
        std::uint32_t overviewStep;
        std::uint32_t column;
        std::uint32_t offset;
    };
    const Case cases[] = {
        {1000, 521, 0, 0},
        {1000, 521, 5, (5 * 521) >> 8},     // column c shows sample (c * step) >> 8
        {1000, 521, 95, (95 * 521) >> 8},
        {1000, 521, 484, (484 * 521) >> 8},  // the last column a press reaches
        {8, 256, 484, 6},                    // the click limit is n - 2
        {8, 256, 6, 6},                      // column 6 is the first past the limit
        {8, 256, 5, 5},                      // column 5 is inside it
        {490, 256, 484, 484},                // the placeholder: no clamp
        {kMaxSamples, 137142, 484, (484u * 137142u) >> 8},  // 259284, below n - 2
    };
    for (const Case& c : cases) {
        auto state = soundOf(c.samples, c.overviewStep);
        state->encoder.viewOffset = 77;
        jumpToOverviewColumn(*state, c.column);
        EXPECT_EQ(state->encoder.viewOffset, c.offset) << c.samples << " samples, column " << c.column;
    }
}

TEST(Toggles, ShowSmoothedAlwaysShowsTheDecodedTrace) {
    struct Case {
        std::uint8_t encoded;
        std::uint8_t smoothed;
        std::uint8_t smoothedAfter;
    };
    const Case cases[] = {{1, 0, 1}, {1, 1, 0}, {0, 0, 1}, {0, 1, 0}};
    for (const Case& c : cases) {
        auto state = soundOf(490);
        state->encoder.showEncoded = c.encoded;
        state->encoder.showSmoothed = c.smoothed;
        toggleSmoothed(*state);
        EXPECT_EQ(state->encoder.showSmoothed, c.smoothedAfter);
        EXPECT_EQ(state->encoder.showEncoded, 1);
    }
}

TEST(Toggles, ShowRyxTogglesOnlyTheDecodedTrace) {
    auto state = soundOf(490);
    state->encoder.showSmoothed = 1;
    toggleEncoded(*state);
    EXPECT_EQ(state->encoder.showEncoded, 0);
    EXPECT_EQ(state->encoder.showSmoothed, 1);
    toggleEncoded(*state);
    EXPECT_EQ(state->encoder.showEncoded, 1);
    EXPECT_EQ(state->encoder.showSmoothed, 1);
}

}  // namespace
}  // namespace ryx
