#include "import/SoundConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace ryx {
namespace {

TEST(SoundConversion, QuantizeRoundsAndClamps) {
    const struct {
        float in;
        std::uint8_t out;
    } cases[] = {{-1.0f, 0},       {-2.0f, 0},          {0.0f, 128},   {0.5f, 192},     {127.0f / 128, 255},
                 {1.0f, 255},      {0.003f, 128},       {0.0040f, 129}, {-0.0040f, 127}, {NAN, 128},
                 {INFINITY, 255},  {-INFINITY, 0}};
    for (const auto& c : cases) EXPECT_EQ(quantizeSample(c.in), c.out) << c.in;
}

TEST(SoundConversion, AudibleRangeFindsTheFirstAndLastLoudSample) {
    const float quiet = kSilenceLevel * 0.9f;
    const float loud = kSilenceLevel;
    const struct {
        std::vector<float> samples;
        std::size_t begin, end;
    } cases[] = {
        {{}, 0, 0},
        {{quiet, -quiet, 0.0f}, 0, 0},
        {{quiet, loud, quiet, -loud, quiet}, 1, 4},
        {{-loud}, 0, 1},
        {{0.5f, 0.0f, 0.0f, 0.5f}, 0, 4},
    };
    for (const auto& c : cases) {
        const auto [begin, end] = audibleRange(c.samples);
        EXPECT_EQ(begin, c.begin);
        EXPECT_EQ(end, c.end);
    }
}

TEST(SoundConversion, NormalizeRemovesTheOffsetAndSetsThePeak) {
    std::vector<float> samples{0.3f, 0.1f, 0.2f, 0.2f};  // mean 0.2, peak 0.1 from it
    removeOffset(samples);
    normalizePeak(samples);
    EXPECT_NEAR(samples[0], kNormalizedPeak, 1e-6);
    EXPECT_NEAR(samples[1], -kNormalizedPeak, 1e-6);
    EXPECT_NEAR(samples[2], 0.0f, 1e-6);
    std::vector<float> silence(10, 0.25f);
    removeOffset(silence);
    normalizePeak(silence);
    for (float sample : silence) EXPECT_EQ(sample, 0.0f);
}

TEST(SoundConversion, RateChangeKeepsDurationAndPitch) {
    std::vector<float> second(44100);
    for (std::size_t i = 0; i < second.size(); ++i) {
        second[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 44100));
    }
    const Result<std::vector<float>> out = resampleSound(second, 44100, 15625);
    ASSERT_TRUE(out.ok()) << out.error();
    EXPECT_NEAR(static_cast<double>(out->size()), 15625.0, 1.0);
    // The middle of the result is the same tone sampled at the new rate.
    for (std::size_t i = 1000; i < 14000; i += 997) {
        EXPECT_NEAR((*out)[i], 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 15625), 0.01);
    }
    EXPECT_EQ(resampleSound(second, 44100, 44100).value(), second);
}

}  // namespace
}  // namespace ryx
