#pragma once
// The greedy encoder's choice as a comparison with a table. The bit whose next
// voltage lands nearer the target (ties to 1) is 1 exactly when the sum of the
// two candidate voltages is at most twice the target: the two steps are always
// more than one apart, so the nearer one is on the target's side of their
// midpoint. That sum never falls as the voltage rises, so for a fixed divisor
// and previous bit the choice is 1 for every voltage up to a threshold that
// depends on the sample alone. The hot loop then compares the voltage with a
// threshold read ahead of time instead of measuring two distances.

#include "core/DecoderModel.h"

#include <array>
#include <cstdint>

namespace ryx {

// thresholds[previousBit][sample]: the highest voltage whose choice is 1, or -1.
using ChoiceThresholds = std::array<std::array<std::int32_t, 256>, 2>;

template <bool kOneAndHalf, std::uint32_t kDivisor>
constexpr ChoiceThresholds makeChoiceThresholds() {
    ChoiceThresholds thresholds{};
    for (std::uint32_t previousBit = 0; previousBit < 2; ++previousBit) {
        for (std::uint32_t sample = 0; sample < 256; ++sample) {
            const std::uint32_t twiceTarget = 2 * targetVoltage(static_cast<std::uint8_t>(sample));
            const auto choosesOne = [&](std::uint32_t v) {
                return nextVoltage<kOneAndHalf>(v, previousBit, 1, kDivisor) +
                           nextVoltage<kOneAndHalf>(v, previousBit, 0, kDivisor) <=
                       twiceTarget;
            };
            // The last voltage in 0..65535 that still chooses 1.
            std::int32_t low = -1;
            std::int32_t high = 65535;
            while (low < high) {
                const std::int32_t middle = low + (high - low + 1) / 2;
                if (choosesOne(static_cast<std::uint32_t>(middle))) {
                    low = middle;
                } else {
                    high = middle - 1;
                }
            }
            thresholds[previousBit][sample] = low;
        }
    }
    return thresholds;
}

template <bool kOneAndHalf, std::uint32_t kDivisor>
inline constexpr ChoiceThresholds kChoiceThresholds = makeChoiceThresholds<kOneAndHalf, kDivisor>();

}  // namespace ryx
