#pragma once
// The decoder models the encoders search through (StateSearch.h): the integer
// model of the classic filter and the circuit model's. Each gives the start
// level, the step, a sample's target, the one-sample rule's bit and the
// squared distance that the searches sum.

#include "core/CircuitModel.h"
#include "core/DecoderModel.h"

#include <cmath>
#include <cstdint>

namespace ryx {

// The integer model: voltages 0 ... 65535, errors in squared voltage steps.
template <bool kOneAndHalfBit, typename Divisor>
struct ClassicSearchModel {
    static constexpr bool kOneAndHalf = kOneAndHalfBit;
    using Level = std::uint32_t;
    using Target = std::uint32_t;
    using Error = std::uint64_t;

    Divisor f;

    Level start() const { return kStartVoltage; }
    Level next(Level v, std::uint32_t previousBit, std::uint32_t bit) const {
        return nextVoltage<kOneAndHalf>(v, previousBit, bit, f);
    }
    std::uint32_t greedyBit(Level v, std::uint32_t previousBit, std::uint8_t sample) const {
        return chooseNearerBit<kOneAndHalf>(v, previousBit, sample, f);
    }
    Target target(std::uint8_t sample) const { return targetVoltage(sample); }
    Error squaredDistance(Level v, Target target) const {
        const std::int64_t distance = std::int64_t{v} - std::int64_t{target};
        return static_cast<std::uint64_t>(distance * distance);
    }
    std::uint32_t bin(Level v) const { return v; }
    std::uint16_t voltage(Level v) const { return static_cast<std::uint16_t>(v); }
    Error pruneMargin(std::uint32_t steps) const {
        const std::uint64_t step = 32768u / static_cast<std::uint32_t>(f) + 1;
        return std::uint64_t{steps} * step * step;
    }
};

// Levels in u, errors in squared u; bins and reports on the 16-bit scale.
template <bool kOneAndHalfBit>
struct CircuitSearchModel {
    static constexpr bool kOneAndHalf = kOneAndHalfBit;
    using Level = double;
    using Target = double;
    using Error = double;

    CircuitStep step;

    Level start() const { return kCircuitStartLevel; }
    Level next(Level u, std::uint32_t previousBit, std::uint32_t bit) const {
        return step.next(u, kOneAndHalf ? previousBit : 0, bit);
    }
    Target target(std::uint8_t sample) const { return circuitTarget(sample); }
    // As the circuit's greedy loop chooses.
    std::uint32_t greedyBit(Level u, std::uint32_t previousBit, std::uint8_t sample) const {
        const double up = next(u, previousBit, 1);
        const double down = next(u, previousBit, 0);
        return std::abs(up - target(sample)) <= std::abs(down - target(sample)) ? 1u : 0u;
    }
    Error squaredDistance(Level u, Target target) const { return (u - target) * (u - target); }
    std::uint32_t bin(Level u) const { return circuitVoltage(u); }
    std::uint16_t voltage(Level u) const { return circuitVoltage(u); }
    // The largest step from mid-scale, plus one voltage step, as the integer model counts it.
    Error pruneMargin(std::uint32_t steps) const {
        const double largest = 0.5 * (1 - step.decay) + 1.0 / 65536;
        return steps * largest * largest;
    }
};

}  // namespace ryx
