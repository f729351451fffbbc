#include "core/ChoiceThresholds.h"
#include "core/Encoder.h"
#include "core/ReferenceEncoder.h"
#include "formats/PreviewBytes.h"

#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace ryx {
namespace {

struct EncodedSequence {
    std::vector<int> bits;
    std::vector<int> decoded;
};

class EncoderTest : public ::testing::Test {
protected:
    void loadConstant(std::uint8_t value, std::uint32_t count) {
        state->encoder.sampleCount = count;
        std::fill_n(state->origSamples.begin(), count, value);
    }
    EncodedSequence encodeFirst(std::size_t n) {
        encodeSound(*state);
        EncodedSequence result;
        for (std::size_t i = 0; i < n; ++i) {
            result.bits.push_back(state->bitStream[i]);
            result.decoded.push_back(state->decodedSamples[i]);
        }
        return result;
    }

    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(EncoderTest, SilenceAlternatesUnderBothSchemes) {
    loadConstant(128, 490);
    state->encoder.algorithmType = kAlgorithmOneBit;
    EncodedSequence oneBit = encodeFirst(8);
    EXPECT_EQ(oneBit.bits, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(oneBit.decoded, (std::vector<int>{136, 127, 135, 127, 135, 126, 134, 126}));

    state->encoder.algorithmType = kAlgorithmOneAndHalfBit;
    EncodedSequence oneAndHalf = encodeFirst(8);
    EXPECT_EQ(oneAndHalf.bits, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(oneAndHalf.decoded, (std::vector<int>{132, 127, 131, 127, 131, 127, 131, 127}));
}

TEST_F(EncoderTest, FirstSilentStepIsATieThatGoesToOne) {
    // Both distances are 2048 at fineness 16; ties choose the charging step.
    loadConstant(128, 8);
    state->encoder.algorithmType = kAlgorithmOneBit;
    EncodedSequence result = encodeFirst(1);
    EXPECT_EQ(result.bits[0], 1);
    EXPECT_EQ(result.decoded[0], 136);
}

TEST_F(EncoderTest, FullScaleAtFinenessFour) {
    state->encoder.fineness = 4;
    loadConstant(255, 100);
    state->encoder.algorithmType = kAlgorithmOneBit;
    EncodedSequence high = encodeFirst(12);
    EXPECT_EQ(high.bits, (std::vector<int>{1, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1}));
    EXPECT_EQ(high.decoded, (std::vector<int>{160, 184, 202, 215, 161, 185, 202, 216, 162, 185, 203, 216}));

    state->encoder.algorithmType = kAlgorithmOneAndHalfBit;
    EncodedSequence highHalf = encodeFirst(12);
    EXPECT_EQ(highHalf.bits, (std::vector<int>{1, 1, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(highHalf.decoded, (std::vector<int>{144, 172, 193, 208, 182, 191, 207, 181, 191, 207, 181, 190}));

    loadConstant(0, 100);
    state->encoder.algorithmType = kAlgorithmOneBit;
    EncodedSequence low = encodeFirst(12);
    EXPECT_EQ(low.bits, (std::vector<int>{0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(low.decoded, (std::vector<int>{96, 72, 54, 40, 94, 70, 53, 39, 93, 70, 52, 39}));
}

TEST_F(EncoderTest, LastSampleIsNeverEncoded) {
    loadConstant(255, 64);
    state->encoder.algorithmType = kAlgorithmOneBit;
    encodeSound(*state);
    EXPECT_EQ(state->bitStream[62], 1);  // a full-scale sound ends on a charging step
    EXPECT_EQ(state->bitStream[63], 0);
    EXPECT_EQ(state->decodedSamples[63], 128);
}

TEST_F(EncoderTest, EncodeSetsShowEncodedResistorAndKeepsTheView) {
    state->encoder.showEncoded = 0;
    state->encoder.showSmoothed = 1;
    state->encoder.viewOffset = 24;
    state->encoder.sampleRate = 22050;
    encodeSound(*state);
    EXPECT_EQ(state->encoder.showEncoded, 1);
    EXPECT_EQ(state->encoder.showSmoothed, 1);
    EXPECT_EQ(state->encoder.viewOffset, 24u);
    EXPECT_EQ(state->encoder.resistorOhms, 3193);
}

TEST_F(EncoderTest, ZeroSampleRateStillEncodesCompletely) {
    loadConstant(128, 490);
    state->encoder.sampleRate = 0;
    encodeSound(*state);
    EXPECT_EQ(state->encoder.resistorOhms, 0);
    EXPECT_EQ(state->bitStream[0], 1);
    const PreviewContent preview = previewContent(*state, PreviewMode::decodedSound);
    EXPECT_EQ(preview.samples.size(), 490u);
    EXPECT_EQ(preview.header[24], 0);
}

TEST_F(EncoderTest, ShortSoundAfterLongOneLeavesResetValuesBehindIt) {
    // What an open does: reset, take the new sound, encode.
    loadConstant(200, 5000);
    encodeSound(*state);
    resetSound(*state);
    loadConstant(255, 8);
    encodeSound(*state);
    EXPECT_EQ(state->encoder.sampleCount, 8u);
    for (std::size_t p = 7; p < 5000; ++p) {
        ASSERT_EQ(state->decodedSamples[p], 128) << p;
        ASSERT_EQ(state->bitStream[p], 0) << p;
    }
}

// The specialised loops must give the reference loop's bytes exactly.
TEST_F(EncoderTest, SpecialisedLoopsMatchTheReferenceForEveryFinenessAndScheme) {
    const std::uint32_t count = kMaxSamples;
    std::uint32_t noise = 12345;
    for (std::uint32_t i = 0; i < count; ++i) {
        noise = noise * 1103515245u + 12345u;
        // A sweep with noise and stretches at both extremes.
        const std::uint32_t region = (i / 4096) % 4;
        state->origSamples[i] = region == 0   ? static_cast<std::uint8_t>(noise >> 24)
                                : region == 1 ? static_cast<std::uint8_t>(128 + ((i % 200) - 100))
                                : region == 2 ? std::uint8_t{255}
                                              : std::uint8_t{0};
    }
    state->encoder.sampleCount = count;
    auto reference = std::make_unique<ProgramState>(*state);
    for (const FinenessEntry& entry : fineTable) {
        for (std::int8_t algorithm : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            state->encoder.fineness = reference->encoder.fineness = entry.fineness;
            state->encoder.algorithmType = reference->encoder.algorithmType = algorithm;
            encodeSamples(*state);
            test::encodeSamplesReference(*reference);
            ASSERT_TRUE(state->bitStream == reference->bitStream) << entry.itemText << " " << int(algorithm);
            ASSERT_TRUE(state->decodedSamples == reference->decodedSamples) << entry.itemText;
        }
    }
}

// Every voltage, sample and previous bit: the threshold gives the bit whose
// step lands nearer the target, ties to 1, a distance below the target
// counting one more than the same distance above it.
template <bool kOneAndHalf, std::uint32_t kDivisor>
void expectThresholdsChooseTheNearerStep() {
    const ChoiceThresholds& thresholds = kChoiceThresholds<kOneAndHalf, kDivisor>;
    for (std::uint32_t previousBit = 0; previousBit < (kOneAndHalf ? 2u : 1u); ++previousBit) {
        for (std::uint32_t v = 0; v < 65536; ++v) {
            const auto up = static_cast<std::int32_t>(nextVoltage<kOneAndHalf>(v, previousBit, 1, kDivisor));
            const auto down = static_cast<std::int32_t>(nextVoltage<kOneAndHalf>(v, previousBit, 0, kDivisor));
            int wrong = 0;
            for (std::uint32_t sample = 0; sample < 256; ++sample) {
                const auto target = static_cast<std::int32_t>(targetVoltage(static_cast<std::uint8_t>(sample)));
                const std::int32_t aboveUp = up - target;
                const std::int32_t belowDown = target - down;
                const std::int32_t distanceUp = aboveUp < 0 ? 1 - aboveUp : aboveUp;
                const std::int32_t distanceDown = belowDown < 0 ? 1 - belowDown : belowDown;
                const bool nearerIsOne = distanceDown >= distanceUp;
                wrong += nearerIsOne != (static_cast<std::int32_t>(v) <= thresholds[previousBit][sample]) ? 1 : 0;
            }
            ASSERT_EQ(wrong, 0) << "fineness " << kDivisor << ", voltage " << v << ", previous bit " << previousBit;
        }
    }
}

template <bool kOneAndHalf>
void expectThresholdsForEveryFineness() {
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 4>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 5>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 6>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 8>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 11>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 16>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 21>();
    expectThresholdsChooseTheNearerStep<kOneAndHalf, 32>();
}

TEST(ChoiceThresholds, GiveTheNearerStepForEveryVoltageAndSample) {
    expectThresholdsForEveryFineness<false>();
    expectThresholdsForEveryFineness<true>();
}

}  // namespace
}  // namespace ryx
