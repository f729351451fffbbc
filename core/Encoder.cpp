#include "core/Encoder.h"

#include "core/ChoiceThresholds.h"
#include "core/EncodeProgress.h"
#include "core/OptimalEncoder.h"

#include <algorithm>

namespace ryx {
namespace {

constexpr std::uint32_t kSilenceVoltage = 32768;

// One sample of the filter model, the rule as it stands: chooses the bit whose
// next voltage lands nearer the target and moves the voltage there. The
// reference loop, and any fineness outside the list, take this way.
template <bool kOneAndHalf, typename Divisor>
inline std::uint32_t stepModel(std::uint32_t& v, std::uint8_t sample, Divisor f,
                               std::uint32_t previousBit) {
    const std::uint32_t target = 128u * sample + 16384u;
    std::uint32_t up = v + (65536u - v) / f;
    std::uint32_t down = v - v / f;
    if constexpr (kOneAndHalf) {
        // The step that would change the bit moves only half as far.
        if (previousBit == 1) {
            down = (down + v) / 2;
        } else {
            up = (up + v) / 2;
        }
    }
    auto distanceUp = static_cast<std::int32_t>(up - target);
    if (distanceUp < 0) distanceUp = 1 - distanceUp;
    auto distanceDown = static_cast<std::int32_t>(target - down);
    if (distanceDown < 0) distanceDown = 1 - distanceDown;
    if (distanceDown < distanceUp) {
        v = down;
        return 0;
    }
    v = up;  // ties go to 1
    return 1;
}

template <bool kOneAndHalf, typename Divisor>
void encodeLoop(ProgramState& state, Divisor f) {
    const std::uint8_t* samples = state.origSamples.data();
    std::uint8_t* decoded = state.decodedSamples.data();
    std::uint8_t* bits = state.bitStream.data();
    const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
    std::uint32_t v = kSilenceVoltage;
    std::uint32_t previousBit = 0;  // the first sample counts as following a 0
    // The last sample is never encoded.
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        const std::uint32_t bit = stepModel<kOneAndHalf>(v, samples[i], f, previousBit);
        if constexpr (kOneAndHalf) previousBit = bit;
        bits[i] = static_cast<std::uint8_t>(bit);
        decoded[i] = static_cast<std::uint8_t>(v / 256);
    }
}

// Bits are published in steps of this many positions: a few microseconds of
// encoding, so that a reader on another thread keeps close behind.
constexpr std::uint32_t kProgressStep = 4096;

// The same choices as encodeLoop, by the threshold tables: the only work that
// waits for the previous sample is one comparison and one selection.
template <bool kOneAndHalf, std::uint32_t kDivisor>
void encodeLoopByThreshold(ProgramState& state, EncodeProgress* progress) {
    const ChoiceThresholds& thresholds = kChoiceThresholds<kOneAndHalf, kDivisor>;
    const std::uint8_t* samples = state.origSamples.data();
    std::uint8_t* decoded = state.decodedSamples.data();
    std::uint8_t* bits = state.bitStream.data();
    const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
    const std::uint32_t encoded = count < 2 ? 0 : count - 1;  // the last sample is never encoded
    std::uint32_t v = kSilenceVoltage;
    std::uint32_t previousBit = 0;  // the first sample counts as following a 0
    for (std::uint32_t stepStart = 0; stepStart < encoded; stepStart += kProgressStep) {
        const std::uint32_t stepEnd = std::min(encoded, stepStart + kProgressStep);
        for (std::uint32_t i = stepStart; i < stepEnd; ++i) {
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
        if (progress != nullptr) progress->publish(stepEnd);
    }
}

template <bool kOneAndHalf>
void encodeSpecialised(ProgramState& state, EncodeProgress* progress) {
    switch (state.encoder.fineness) {
        case 4: encodeLoopByThreshold<kOneAndHalf, 4>(state, progress); break;
        case 5: encodeLoopByThreshold<kOneAndHalf, 5>(state, progress); break;
        case 6: encodeLoopByThreshold<kOneAndHalf, 6>(state, progress); break;
        case 8: encodeLoopByThreshold<kOneAndHalf, 8>(state, progress); break;
        case 11: encodeLoopByThreshold<kOneAndHalf, 11>(state, progress); break;
        case 16: encodeLoopByThreshold<kOneAndHalf, 16>(state, progress); break;
        case 21: encodeLoopByThreshold<kOneAndHalf, 21>(state, progress); break;
        case 32: encodeLoopByThreshold<kOneAndHalf, 32>(state, progress); break;
        default:
            // Only the list's eight values are ever stored; stay safe regardless.
            encodeLoop<kOneAndHalf>(
                state, static_cast<std::uint32_t>(std::max<int>(state.encoder.fineness, 1)));
            break;
    }
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

void encodeSamples(ProgramState& state, EncodeProgress* progress) {
    if (state.encoderChoice == EncoderChoice::optimal) {
        encodeSamplesOptimal(state);
    } else if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        encodeSpecialised<true>(state, progress);
    } else {
        encodeSpecialised<false>(state, progress);
    }
    if (progress != nullptr) progress->publish(EncodeProgress::kAllFinal);
}

void encodeSamplesReference(ProgramState& state) {
    // A volatile read keeps the divisor a runtime value.
    volatile std::uint32_t runtimeFineness =
        static_cast<std::uint32_t>(std::max<int>(state.encoder.fineness, 1));
    const std::uint32_t f = runtimeFineness;
    if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        encodeLoop<true>(state, f);
    } else {
        encodeLoop<false>(state, f);
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

void setEncodedFigures(ProgramState& state) {
    state.encoder.resistorOhms = computeResistorOhms(state.encoder.fineness, state.encoder.sampleRate);
    state.encoder.showEncoded = 1;
}

void encodeSound(ProgramState& state) {
    encodeSamples(state);
    setEncodedFigures(state);
    smoothDecoded(state);
}

}  // namespace ryx
