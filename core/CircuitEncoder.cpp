#include "core/CircuitEncoder.h"

#include "core/EncoderModels.h"
#include "core/StateSearch.h"

#include <array>
#include <cmath>
#include <vector>

namespace ryx {
namespace {

std::array<double, 256> targetTable() {
    std::array<double, 256> targets{};
    for (std::size_t s = 0; s < targets.size(); ++s) targets[s] = circuitTarget(static_cast<std::uint8_t>(s));
    return targets;
}

std::uint8_t decodedOf(double u) { return static_cast<std::uint8_t>(circuitVoltage(u) >> 8); }

// The candidates' offsets are read ahead; what waits for the previous sample
// is two multiply-adds, a comparison and a selection.
template <bool kOneAndHalf>
void greedyLoop(std::span<const std::uint8_t> samples, const CircuitStep& step, std::uint8_t* __restrict bits,
                std::uint8_t* __restrict decoded) {
    static const std::array<double, 256> targets = targetTable();
    double u = kCircuitStartLevel;
    std::uint32_t previousBit = 0;  // the first sample counts as following a 0
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double target = targets[samples[i]];
        const std::uint32_t from = kOneAndHalf ? previousBit : 0;
        const double up = step.next(u, from, 1);
        const double down = step.next(u, from, 0);
        const std::uint32_t bit = std::abs(up - target) <= std::abs(down - target) ? 1u : 0u;
        u = bit != 0 ? up : down;
        previousBit = bit;
        bits[i] = static_cast<std::uint8_t>(bit);
        decoded[i] = decodedOf(u);
    }
}

}  // namespace

CircuitStep circuitStepOf(const ProgramState& state) {
    return makeCircuitStep(state.circuitParts, state.encoder.algorithmType, state.encoder.fineness,
                           state.encoder.sampleRate);
}

void encodeGreedyThroughCircuit(std::span<const std::uint8_t> samples, std::int8_t algorithmType,
                                const CircuitStep& step, std::span<std::uint8_t> bits,
                                std::span<std::uint8_t> decoded) {
    if (algorithmType == kAlgorithmOneAndHalfBit) {
        greedyLoop<true>(samples, step, bits.data(), decoded.data());
    } else {
        greedyLoop<false>(samples, step, bits.data(), decoded.data());
    }
}

void encodeOptimalThroughCircuit(std::span<const std::uint8_t> samples, std::int8_t algorithmType,
                                 const CircuitStep& step, std::span<std::uint8_t> bits,
                                 std::span<std::uint16_t> voltages, const OptimalSearchLimits& limits) {
    if (algorithmType == kAlgorithmOneAndHalfBit) {
        searchStates(samples, bits, voltages, limits, CircuitSearchModel<true>{step});
    } else {
        searchStates(samples, bits, voltages, limits, CircuitSearchModel<false>{step});
    }
}

void encodeSamplesThroughCircuit(ProgramState& state) {
    const std::size_t encoded = encodedSampleCount(state.encoder);
    const auto samples = std::span<const std::uint8_t>(state.origSamples).first(encoded);
    const auto bits = std::span(state.bitStream).first(encoded);
    const CircuitStep step = circuitStepOf(state);
    if (state.encoderChoice == EncoderChoice::greedy) {
        encodeGreedyThroughCircuit(samples, state.encoder.algorithmType, step, bits,
                                   std::span(state.decodedSamples).first(encoded));
        return;
    }
    std::vector<std::uint16_t> voltages(encoded);
    encodeOptimalThroughCircuit(samples, state.encoder.algorithmType, step, bits, voltages);
    for (std::size_t i = 0; i < encoded; ++i) state.decodedSamples[i] = static_cast<std::uint8_t>(voltages[i] >> 8);
}

}  // namespace ryx
