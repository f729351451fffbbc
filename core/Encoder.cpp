#include "core/Encoder.h"

#include "core/OptimalEncoder.h"

#include <algorithm>
#include <type_traits>

namespace ryx {
namespace {

constexpr std::uint32_t kSilenceVoltage = 32768;

// One sample of the filter model: chooses the bit whose next voltage lands
// nearer the target and moves the voltage there. Divisor is a compile-time
// constant in the fast loops and a runtime value in the reference loop; the
// unsigned 32-bit arithmetic is identical.
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

template <std::uint32_t kFineness>
using FixedDivisor = std::integral_constant<std::uint32_t, kFineness>;

template <bool kOneAndHalf>
void encodeSpecialised(ProgramState& state) {
    switch (state.encoder.fineness) {
        case 4: encodeLoop<kOneAndHalf>(state, FixedDivisor<4>{}); break;
        case 5: encodeLoop<kOneAndHalf>(state, FixedDivisor<5>{}); break;
        case 6: encodeLoop<kOneAndHalf>(state, FixedDivisor<6>{}); break;
        case 8: encodeLoop<kOneAndHalf>(state, FixedDivisor<8>{}); break;
        case 11: encodeLoop<kOneAndHalf>(state, FixedDivisor<11>{}); break;
        case 16: encodeLoop<kOneAndHalf>(state, FixedDivisor<16>{}); break;
        case 21: encodeLoop<kOneAndHalf>(state, FixedDivisor<21>{}); break;
        case 32: encodeLoop<kOneAndHalf>(state, FixedDivisor<32>{}); break;
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

void encodeSamples(ProgramState& state) {
    if (state.encoderChoice == EncoderChoice::optimal) {
        encodeSamplesOptimal(state);
        return;
    }
    if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        encodeSpecialised<true>(state);
    } else {
        encodeSpecialised<false>(state);
    }
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

void encodeSound(ProgramState& state) {
    encodeSamples(state);
    state.encoder.resistorOhms = computeResistorOhms(state.encoder.fineness, state.encoder.sampleRate);
    state.encoder.showEncoded = 1;
    smoothDecoded(state);
}

}  // namespace ryx
