#pragma once
// The greedy encoder written plainly, with the fineness as a run-time
// divisor: the reference the fast loops are checked against.

#include "core/DecoderModel.h"
#include "core/ProgramState.h"

#include <algorithm>
#include <cstdint>

namespace ryx::test {

template <bool kOneAndHalf>
void encodeByDistanceLoop(ProgramState& state, std::uint32_t f) {
    std::uint32_t v = kStartVoltage;
    std::uint32_t previousBit = 0;
    for (std::uint32_t i = 0; i < encodedSampleCount(state.encoder); ++i) {
        const std::uint32_t bit = chooseNearerBit<kOneAndHalf>(v, previousBit, state.origSamples[i], f);
        previousBit = bit;
        state.bitStream[i] = static_cast<std::uint8_t>(bit);
        state.decodedSamples[i] = static_cast<std::uint8_t>(v / 256);
    }
}

inline void encodeSamplesReference(ProgramState& state) {
    // A volatile read keeps the divisor a run-time value.
    volatile std::uint32_t runtimeFineness = static_cast<std::uint32_t>(std::max<int>(state.encoder.fineness, 1));
    const std::uint32_t f = runtimeFineness;
    if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        encodeByDistanceLoop<true>(state, f);
    } else {
        encodeByDistanceLoop<false>(state, f);
    }
}

}  // namespace ryx::test
