// The optimal encoder against the greedy one on speech, a chord and a sweep.

#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"
#include "core/QualityFigures.h"

#include "support/QualitySounds.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <iostream>
#include <vector>

namespace ryx {
namespace {

std::uint64_t squaredError(std::span<const std::uint8_t> samples, std::span<const std::uint16_t> voltages) {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < voltages.size(); ++i) {
        const std::int64_t d = std::int64_t{voltages[i]} - std::int64_t{targetVoltage(samples[i])};
        total += static_cast<std::uint64_t>(d * d);
    }
    return total;
}

TEST(EncoderGain, OptimalBeatsGreedyOnEveryTestSound) {
    test::TempDirectory folder;
    const std::vector<test::QualitySound> sounds = test::qualitySounds(folder.path());
    ASSERT_EQ(sounds.size(), 8u) << "espeak-ng and sox are needed for the speech";

    double lowPassGainSum = 0;
    double segmentalGainSum = 0;
    int settings = 0;
    for (const test::QualitySound& sound : sounds) {
        const std::size_t count = sound.samples.size() - 1;
        const auto samples = std::span(sound.samples).first(count);
        auto state = test::stateWithSound(sound);
        const QualityMeter meter(samples, sound.sampleRate);
        for (const std::int8_t algorithmType : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            for (const FinenessEntry& entry : fineTable) {
                SCOPED_TRACE(testing::Message() << sound.name << ", scheme " << int{algorithmType} << ", "
                                                << entry.itemText);
                state->encoder.algorithmType = algorithmType;
                state->encoder.fineness = entry.fineness;
                encodeSamples(*state);
                const auto greedyBits = std::span<const std::uint8_t>(state->bitStream).first(count);
                const auto greedyVoltages = replayVoltages(greedyBits, entry.fineness, algorithmType);

                std::vector<std::uint8_t> bits(count);
                std::vector<std::uint16_t> voltages(count);
                encodeOptimal(samples, entry.fineness, algorithmType, bits, voltages);
                EXPECT_LE(squaredError(samples, voltages), squaredError(samples, greedyVoltages));

                if (entry.fineness < 11) continue;  // the gains are asked of "Ryx11" to "Ryx32"
                const QualityFigures greedy = meter.measure(greedyVoltages, greedyBits);
                const QualityFigures optimal = meter.measure(voltages, bits);
                EXPECT_GT(optimal.lowPassSnrDb, greedy.lowPassSnrDb - 0.3);
                lowPassGainSum += optimal.lowPassSnrDb - greedy.lowPassSnrDb;
                segmentalGainSum += optimal.segmentalSnrDb - greedy.segmentalSnrDb;
                ++settings;
            }
        }
    }
    const double lowPassGain = lowPassGainSum / settings;
    const double segmentalGain = segmentalGainSum / settings;
    std::cout << "mean gain over " << settings << " sound and setting pairs: low-passed SNR " << lowPassGain
              << " dB, segmental SNR " << segmentalGain << " dB\n";
    EXPECT_GE(lowPassGain, 1.2);
    // Measured +0.85 dB; even the exact search reaches only about +0.9 dB on these sounds.
    EXPECT_GE(segmentalGain, 0.8);
}

}  // namespace
}  // namespace ryx
