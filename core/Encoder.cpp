#include "core/Encoder.h"

#include "core/ChoiceThresholds.h"
#include "core/CircuitEncoder.h"
#include "core/DecoderModel.h"
#include "core/FixedFineness.h"
#include "core/OptimalEncoder.h"

#include <algorithm>

namespace ryx {
namespace {

// The rule as it stands, with a divisor known only at run time.
template <bool kOneAndHalf>
void encodeByDistance(ProgramState& state, std::uint32_t f) {
    const std::uint8_t* samples = state.origSamples.data();
    std::uint8_t* decoded = state.decodedSamples.data();
    std::uint8_t* bits = state.bitStream.data();
    const std::uint32_t encoded = encodedSampleCount(state.encoder);
    std::uint32_t v = kStartVoltage;
    std::uint32_t previousBit = 0;  // the first sample counts as following a 0
    for (std::uint32_t i = 0; i < encoded; ++i) {
        const std::uint32_t bit = chooseNearerBit<kOneAndHalf>(v, previousBit, samples[i], f);
        if constexpr (kOneAndHalf) previousBit = bit;
        bits[i] = static_cast<std::uint8_t>(bit);
        decoded[i] = static_cast<std::uint8_t>(v / 256);
    }
}

// The same choices by the threshold tables: the only work that waits for the
// previous sample is one comparison and one selection.
template <bool kOneAndHalf, std::uint32_t kDivisor>
void encodeByThreshold(ProgramState& state) {
    const ChoiceThresholds& thresholds = kChoiceThresholds<kOneAndHalf, kDivisor>;
    const std::uint8_t* samples = state.origSamples.data();
    std::uint8_t* decoded = state.decodedSamples.data();
    std::uint8_t* bits = state.bitStream.data();
    const std::uint32_t encoded = encodedSampleCount(state.encoder);
    std::uint32_t v = kStartVoltage;
    std::uint32_t previousBit = 0;  // the first sample counts as following a 0
    for (std::uint32_t i = 0; i < encoded; ++i) {
        const std::uint8_t sample = samples[i];
        const std::int32_t afterZero = thresholds[0][sample];
        const std::int32_t afterOne = thresholds[1][sample];
        const std::int32_t threshold = kOneAndHalf && previousBit != 0 ? afterOne : afterZero;
        const std::uint32_t up = nextVoltage<kOneAndHalf>(v, previousBit, 1, kDivisor);
        const std::uint32_t down = nextVoltage<kOneAndHalf>(v, previousBit, 0, kDivisor);
        const std::uint32_t bit = static_cast<std::int32_t>(v) <= threshold ? 1u : 0u;
        v = bit != 0 ? up : down;
        previousBit = bit;
        bits[i] = static_cast<std::uint8_t>(bit);
        decoded[i] = static_cast<std::uint8_t>(v / 256);
    }
}

template <bool kOneAndHalf>
void encodeGreedy(ProgramState& state) {
    withFixedFineness(state.encoder.fineness, [&state](auto f) {
        if constexpr (std::is_same_v<decltype(f), std::uint32_t>) {
            encodeByDistance<kOneAndHalf>(state, f);
        } else {
            encodeByThreshold<kOneAndHalf, decltype(f)::value>(state);
        }
    });
}

// The buffers are separate arrays; restrict says so and lets the loop vectorise.
void smoothRange(const std::uint8_t* __restrict decoded, std::uint8_t* __restrict smoothed,
                 std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto weighted = static_cast<std::uint16_t>((9u * decoded[i] + 7u * decoded[i + 1]) >> 3);
        const std::uint16_t raised = weighted < 128 ? std::uint16_t{0} : static_cast<std::uint16_t>(weighted - 128);
        smoothed[i] = static_cast<std::uint8_t>(raised > 255 ? 255 : raised);
    }
}

}  // namespace

void encodeSamples(ProgramState& state) {
    if (state.filterModel == FilterModelChoice::circuit) {
        encodeSamplesThroughCircuit(state);
    } else if (state.encoderChoice == EncoderChoice::optimal) {
        encodeSamplesOptimal(state);
    } else if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        encodeGreedy<true>(state);
    } else {
        encodeGreedy<false>(state);
    }
}

std::int32_t computeResistorOhms(std::int8_t fineness, std::uint32_t sampleRate) {
    if (sampleRate == 0) return 0;  // no rule exists for a rate of 0
    const auto entry = std::find_if(fineTable.begin(), fineTable.end(),
                                    [fineness](const FinenessEntry& e) { return e.fineness == fineness; });
    if (entry == fineTable.end()) return 0;
    // K is a whole number, so K / rate truncated is the integer quotient.
    const auto r1 = static_cast<std::uint64_t>(entry->resistorConstant) / sampleRate;
    if (r1 == 0) return 0;
    // The factor is a hair below 5/11: one less whenever R1 is a multiple of 11.
    return static_cast<std::int32_t>((5 * r1 - 1) / 11);
}

void smoothDecoded(ProgramState& state) {
    // Always kMaxSamples - 1 positions, whatever the sound's length.
    smoothRange(state.decodedSamples.data(), state.smoothedSamples.data(), kMaxSamples - 1);
}

void encodeSound(ProgramState& state) {
    encodeSamples(state);
    state.encoder.resistorOhms = computeResistorOhms(state.encoder.fineness, state.encoder.sampleRate);
    state.encoder.showEncoded = 1;
    smoothDecoded(state);
}

}  // namespace ryx
