#include "firmware/PlaybackTiming.h"
#include "firmware/PlayerCode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ryx {
namespace {

TEST(PlaybackTiming, NearestWholeCycleAndItsPitchError) {
    struct Case {
        std::uint32_t clock, rate, cycles;
        double pitchPercent;
    };
    const Case cases[] = {
        {4000000, 15625, 64, 0.0},        // exact
        {4000000, 8000, 125, 0.0},
        {4000000, 11025, 91, -0.326},     // 90.70 rounds up: plays low
        {4000000, 22050, 45, 0.781},      // 45.35 rounds down: plays high
        {8000000, 22050, 91, -0.326},
        {20000000, 11025, 454, -0.11},    // 453.51 rounds up
        {20000000, 22050, 227, -0.11},
    };
    for (const Case& c : cases) {
        const Result<PlaybackTiming> result =
            computePlaybackTiming(c.clock, c.rate, 30, kPlayerMaxCycles);
        ASSERT_TRUE(result) << c.clock << " " << c.rate << ": " << result.error();
        EXPECT_EQ(result->cyclesPerSample, c.cycles) << c.clock << " " << c.rate;
        EXPECT_DOUBLE_EQ(result->playbackRate, c.clock / 4.0 / c.cycles);
        EXPECT_NEAR(result->pitchErrorPercent, c.pitchPercent, 0.005) << c.clock << " " << c.rate;
    }
}

TEST(PlaybackTiming, RefusesRatesBeyondThePlayerAndNamesTheLimit) {
    // 4 MHz: 30 cycles is the least; round(1e6 / r) >= 30 up to r = 4e6 / 118.
    EXPECT_TRUE(computePlaybackTiming(4000000, 33898, 30, kPlayerMaxCycles));
    const std::string tooFast = computePlaybackTiming(4000000, 33899, 30, kPlayerMaxCycles).error();
    EXPECT_NE(tooFast.find("needs a sample every 29 cycles"), std::string::npos) << tooFast;
    EXPECT_NE(tooFast.find("the highest rate this clock allows is 33898 Hz"), std::string::npos) << tooFast;

    const std::string tooSlow = computePlaybackTiming(20000000, 25, 30, kPlayerMaxCycles).error();
    EXPECT_NE(tooSlow.find("too low"), std::string::npos) << tooSlow;
    const std::string lowest = "the lowest rate this clock allows is ";
    const auto at = tooSlow.find(lowest);
    ASSERT_NE(at, std::string::npos) << tooSlow;
    const auto named = static_cast<std::uint32_t>(std::stoul(tooSlow.substr(at + lowest.size())));
    EXPECT_TRUE(computePlaybackTiming(20000000, named, 30, kPlayerMaxCycles));
    EXPECT_FALSE(computePlaybackTiming(20000000, named - 1, 30, kPlayerMaxCycles));

    EXPECT_NE(computePlaybackTiming(4000000, 0, 30, kPlayerMaxCycles).error().find("too low"), std::string::npos);
    EXPECT_NE(computePlaybackTiming(kMaxClockHz + 1, 8000, 30, kPlayerMaxCycles).error().find("outside"),
              std::string::npos);
    EXPECT_NE(computePlaybackTiming(kMinClockHz - 1, 100, 30, kPlayerMaxCycles).error().find("outside"),
              std::string::npos);
}

}  // namespace
}  // namespace ryx
