#include "core/CircuitEncoder.h"
#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"
#include "core/SoundStreamEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace ryx {
namespace {

// Speech-like: two tones, a slow swell and some noise, never clipped flat.
std::vector<std::uint8_t> testSound(std::size_t count) {
    std::vector<std::uint8_t> samples(count);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = static_cast<double>(i);
        const double swell = 0.5 + 0.45 * std::sin(t / 9000.0);
        const double value = swell * (70 * std::sin(t / 7.3) + 30 * std::sin(t / 2.1)) + (noise >> 28) - 8.0;
        samples[i] = static_cast<std::uint8_t>(std::lround(128 + value));
    }
    return samples;
}

struct Case {
    const char* name;
    std::int8_t scheme;
    std::int8_t fineness;
    EncoderChoice choice;
    FilterModelChoice model;
};

const Case kCases[] = {
    {"greedy 1 bit", kAlgorithmOneBit, 11, EncoderChoice::greedy, FilterModelChoice::classic},
    {"greedy 1.5 bit", kAlgorithmOneAndHalfBit, 16, EncoderChoice::greedy, FilterModelChoice::classic},
    {"optimal 1.5 bit", kAlgorithmOneAndHalfBit, 16, EncoderChoice::optimal, FilterModelChoice::classic},
    {"optimal 1 bit", kAlgorithmOneBit, 5, EncoderChoice::optimal, FilterModelChoice::classic},
    {"circuit greedy", kAlgorithmOneAndHalfBit, 21, EncoderChoice::greedy, FilterModelChoice::circuit},
    {"circuit optimal", kAlgorithmOneBit, 8, EncoderChoice::optimal, FilterModelChoice::circuit},
};

EncodingSettings settingsOf(const Case& c) {
    EncodingSettings settings;
    settings.encoder.algorithmType = c.scheme;
    settings.encoder.fineness = c.fineness;
    settings.encoder.sampleRate = 15625;
    settings.choice = c.choice;
    settings.filterModel = c.model;
    return settings;
}

std::vector<std::uint8_t> streamed(const EncodingSettings& settings, std::span<const std::uint8_t> samples,
                                   std::size_t piece) {
    SoundStreamEncoder encoder(settings);
    for (std::size_t at = 0; at < samples.size(); at += piece) {
        encoder.add(samples.subspan(at, std::min(piece, samples.size() - at)));
    }
    EXPECT_EQ(encoder.samples(), samples.size());
    EXPECT_TRUE(encoder.complete());
    return encoder.finish();
}

// The whole sound at once, by the encoders that take any length (the
// window's state stops at kMaxSamples).
std::vector<std::uint8_t> wholeBits(const Case& c, std::span<const std::uint8_t> sound) {
    const auto samples = sound.first(sound.size() - 1);
    std::vector<std::uint8_t> bits(samples.size());
    std::vector<std::uint16_t> voltages(samples.size());
    if (c.model == FilterModelChoice::circuit) {
        const CircuitStep step = makeCircuitStep(CircuitParts{}, c.scheme, c.fineness, 15625);
        if (c.choice == EncoderChoice::optimal) {
            encodeOptimalThroughCircuit(samples, c.scheme, step, bits, voltages);
        } else {
            std::vector<std::uint8_t> decoded(samples.size());
            encodeGreedyThroughCircuit(samples, c.scheme, step, bits, decoded);
        }
    } else if (c.choice == EncoderChoice::optimal) {
        encodeOptimal(samples, c.fineness, c.scheme, bits, voltages);
    } else {
        // The rule itself, one sample after another.
        std::uint32_t v = kStartVoltage;
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            previous = c.scheme == kAlgorithmOneAndHalfBit
                           ? chooseNearerBit<true>(v, previous, samples[i], std::uint32_t(c.fineness))
                           : chooseNearerBit<false>(v, 0, samples[i], std::uint32_t(c.fineness));
            bits[i] = static_cast<std::uint8_t>(previous);
        }
    }
    return bits;
}

TEST(SoundStreamEncoderTest, PiecesOfAnySizeGiveTheWholeEncodesBitsPastTheWindowsLimit) {
    // A bit over the window's longest sound; the pieces split the optimal
    // search's blocks (4096 and 128 more) anywhere.
    const std::vector<std::uint8_t> sound = testSound(kMaxSamples + 7777);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> expected = wholeBits(c, sound);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{4225}, std::size_t{4224}, std::size_t{65537},
                                        sound.size()}) {
            if (piece == 1 && c.choice == EncoderChoice::optimal) continue;  // slow, and 4224 is the edge case
            SCOPED_TRACE(piece);
            EXPECT_EQ(streamed(settingsOf(c), sound, piece), expected);
        }
    }
}

TEST(SoundStreamEncoderTest, MatchesTheWindowsEncodeOfTheLongestSound) {
    auto state = std::make_unique<ProgramState>();
    const std::vector<std::uint8_t> sound = testSound(kMaxSamples);
    std::copy(sound.begin(), sound.end(), state->origSamples.begin());
    state->encoder.sampleCount = kMaxSamples;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        state->encoder.algorithmType = c.scheme;
        state->encoder.fineness = c.fineness;
        state->encoderChoice = c.choice;
        state->filterModel = c.model;
        encodeSamples(*state);
        const std::vector<std::uint8_t> bits = streamed(encodingSettingsOf(*state), sound, 10007);
        ASSERT_EQ(bits.size(), kMaxSamples - 1);
        EXPECT_TRUE(std::equal(bits.begin(), bits.end(), state->bitStream.begin()));
    }
}

TEST(SoundStreamEncoderTest, CountsButDoesNotKeepPastItsLimit) {
    const std::vector<std::uint8_t> sound = testSound(1000);
    for (const std::uint64_t limit : {std::uint64_t{998}, std::uint64_t{999}, std::uint64_t{1000}}) {
        SoundStreamEncoder encoder(settingsOf(kCases[2]), limit);
        encoder.add(std::span(sound).first(333));
        encoder.add(std::span(sound).subspan(333));
        EXPECT_EQ(encoder.samples(), 1000u);
        EXPECT_EQ(encoder.complete(), limit >= 999);
        EXPECT_EQ(encoder.finish().size(), std::min<std::uint64_t>(limit, 999));
    }
    SoundStreamEncoder empty(settingsOf(kCases[0]));
    EXPECT_TRUE(empty.finish().empty());
}

}  // namespace
}  // namespace ryx
