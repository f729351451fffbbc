// The circuit model against a plain solution of the node's equation, against
// the integer model it should reproduce, and through both encoders.

#include "core/CircuitEncoder.h"
#include "core/CircuitModel.h"
#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/SettingComparison.h"

#include "support/QualitySounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace ryx {
namespace {

struct Circuit {
    const char* name;
    std::int8_t algorithmType;
    CircuitParts parts;
};

std::vector<Circuit> circuitsWithAndWithoutLoad() {
    CircuitParts given;
    given.resistors = {ResistorSeries::given, {9100, 12000}};
    given.capacitanceFarads = 0.1e-6;
    CircuitParts e12;
    e12.resistors.series = ResistorSeries::e12;
    std::vector<Circuit> circuits;
    for (const double load : {0.0, 10000.0}) {
        given.loadOhms = load;
        e12.loadOhms = load;
        circuits.push_back({load > 0 ? "1 bit, given, load" : "1 bit, given", kAlgorithmOneBit, given});
        circuits.push_back({load > 0 ? "1.5 bit, given, load" : "1.5 bit, given", kAlgorithmOneAndHalfBit, given});
        circuits.push_back({load > 0 ? "1.5 bit, E12, load" : "1.5 bit, E12", kAlgorithmOneAndHalfBit, e12});
    }
    return circuits;
}

std::vector<std::uint8_t> shortSound() {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 400; ++i) {
        const double tone = 100 * std::sin(i * 0.07) + 20 * std::sin(i * 0.9);
        samples.push_back(static_cast<std::uint8_t>(i % 97 < 8 ? 255 : std::lround(128 + tone)));
    }
    return samples;
}

// The node in volts, sample by sample, straight from the circuit's values.
std::vector<double> solveNode(std::span<const std::uint8_t> bits, const Circuit& circuit, std::uint32_t rate) {
    const CircuitResistors resistors = circuitResistors(circuit.parts, circuit.algorithmType, 16, rate);
    const double supply = 5.0;
    const double ra = resistors.values[0].boughtOhms;
    const double rb = resistors.count == 2 ? resistors.values[1].boughtOhms : 0.0;
    const double pins = 1 / ra + (rb > 0 ? 1 / rb : 0);
    const double g = pins + (circuit.parts.loadOhms > 0 ? 1 / circuit.parts.loadOhms : 0);
    const double high = supply * pins / g;
    double v = 0.5 * high;
    int previous = 0;
    std::vector<double> levels;
    for (const std::uint8_t bit : bits) {
        const double driven = supply * (bit / ra + (rb > 0 ? previous / rb : 0));
        const double settled = driven / g;
        v = settled + (v - settled) * std::exp(-g / (rate * circuit.parts.capacitanceFarads));
        previous = bit;
        levels.push_back(v / high);
    }
    return levels;
}

TEST(CircuitModel, ReplayedBitsFollowTheNodeEquation) {
    const std::vector<std::uint8_t> samples = shortSound();
    const std::uint32_t rate = 15625;
    for (const Circuit& circuit : circuitsWithAndWithoutLoad()) {
        SCOPED_TRACE(circuit.name);
        const CircuitStep step = makeCircuitStep(circuit.parts, circuit.algorithmType, 16, rate);
        std::vector<std::uint8_t> bits(samples.size());
        std::vector<std::uint8_t> decoded(samples.size());
        encodeGreedyThroughCircuit(samples, circuit.algorithmType, step, bits, decoded);
        const std::vector<double> model = replayCircuitLevels(bits, step);
        const std::vector<double> solved = solveNode(bits, circuit, rate);
        for (std::size_t i = 0; i < bits.size(); ++i) {
            ASSERT_NEAR(model[i], solved[i], 1e-12) << "sample " << i;
            ASSERT_EQ(decoded[i], std::min(255.0, std::floor(256 * solved[i]))) << "sample " << i;
        }
    }
}

// With exact parts, no load and "1 bit" the circuit is the integer model
// without its truncations: the integer model's own bits replay to its decoded
// samples within 1. (The greedy encoders themselves part ways at near-ties
// that a truncation tips, and then stay a step apart for tens of samples.)
TEST(CircuitModel, OneBitWithExactPartsReplaysAsTheIntegerModel) {
    for (const test::QualitySound& sound : {test::chordSound(15625), test::sweepSound(8000)}) {
        auto state = test::stateWithSound(sound);
        state->encoder.algorithmType = kAlgorithmOneBit;
        for (const FinenessEntry& entry : fineTable) {
            SCOPED_TRACE(testing::Message() << sound.name << " " << entry.itemText);
            state->encoder.fineness = entry.fineness;
            encodeSound(*state);
            const std::uint32_t count = encodedSampleCount(state->encoder);
            const auto bits = std::span<const std::uint8_t>(state->bitStream).first(count);
            const std::vector<std::uint16_t> circuit = replayCircuitVoltages(
                bits, makeCircuitStep(CircuitParts{}, kAlgorithmOneBit, entry.fineness, sound.sampleRate));
            std::uint32_t far = 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                far += std::abs(state->decodedSamples[i] - (circuit[i] >> 8)) > 1 ? 1u : 0u;
            }
            EXPECT_EQ(far, 0u);
        }
    }
}

double squaredError(std::span<const std::uint8_t> samples, std::span<const double> levels) {
    double total = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) total += std::pow(levels[i] - circuitTarget(samples[i]), 2);
    return total;
}

TEST(CircuitModel, OptimalBitsReplayAndBeatTheGreedyOnes) {
    const test::QualitySound sound = test::chordSound(15625);
    const auto samples = std::span(sound.samples).first(sound.samples.size() - 1);
    for (const Circuit& circuit : circuitsWithAndWithoutLoad()) {
        SCOPED_TRACE(circuit.name);
        const CircuitStep step = makeCircuitStep(circuit.parts, circuit.algorithmType, 11, sound.sampleRate);
        std::vector<std::uint8_t> greedyBits(samples.size());
        std::vector<std::uint8_t> decoded(samples.size());
        encodeGreedyThroughCircuit(samples, circuit.algorithmType, step, greedyBits, decoded);
        std::vector<std::uint8_t> bits(samples.size());
        std::vector<std::uint16_t> voltages(samples.size());
        encodeOptimalThroughCircuit(samples, circuit.algorithmType, step, bits, voltages);
        EXPECT_EQ(voltages, replayCircuitVoltages(bits, step));
        EXPECT_LT(squaredError(samples, replayCircuitLevels(bits, step)),
                  squaredError(samples, replayCircuitLevels(greedyBits, step)));
    }
}

// The table and the figures of what is shown come from the same model.
TEST(CircuitModel, SettingsTableMeasuresWhatEncodeSoundGives) {
    auto state = test::stateWithSound(test::sweepSound(15625));
    state->filterModel = FilterModelChoice::circuit;
    state->circuitParts = circuitsWithAndWithoutLoad().back().parts;
    state->encoder.algorithmType = kAlgorithmOneAndHalfBit;
    state->encoder.fineness = 8;
    for (const EncoderChoice choice : {EncoderChoice::greedy, EncoderChoice::optimal}) {
        state->encoderChoice = choice;
        encodeSound(*state);
        const QualityFigures shown = measureEncoded(*state);
        const std::vector<SettingFigures> rows = compareSettings(*state, choice);
        const auto row = std::find_if(rows.begin(), rows.end(), [](const SettingFigures& r) {
            return r.algorithmType == kAlgorithmOneAndHalfBit && r.fineness == 8;
        });
        ASSERT_NE(row, rows.end());
        EXPECT_EQ(row->figures.lowPassSnrDb, shown.lowPassSnrDb);
        EXPECT_EQ(row->figures.segmentalSnrDb, shown.segmentalSnrDb);
        state->filterModel = FilterModelChoice::classic;
        EXPECT_NE(measureEncoded(*state).lowPassSnrDb, shown.lowPassSnrDb);
        state->filterModel = FilterModelChoice::circuit;
    }
}

}  // namespace
}  // namespace ryx
