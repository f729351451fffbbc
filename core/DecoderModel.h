#pragma once
// The decoder's filter as the chip sees it: from a voltage, the previous bit
// and a new bit to the next voltage, in exact unsigned integer arithmetic.
// Replaying a bitstream through this step gives the encoder's own voltages.

#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

// Where the filter stands before the first bit: half the supply.
inline constexpr std::uint32_t kStartVoltage = 32768;

// The voltage a sample aims at: 128 x sample + 16384.
constexpr std::uint32_t targetVoltage(std::uint8_t sample) { return 128u * sample + 16384u; }

// One step of the model. Divisor is a runtime value or a compile-time constant.
template <bool kOneAndHalf, typename Divisor>
constexpr std::uint32_t nextVoltage(std::uint32_t v, std::uint32_t previousBit, std::uint32_t bit,
                                    Divisor f) {
    if (bit != 0) {
        const std::uint32_t up = v + (65536u - v) / f;
        // Under "1.5 bit" a bit that differs from the one before moves half as far.
        return kOneAndHalf && previousBit == 0 ? (up + v) / 2 : up;
    }
    const std::uint32_t down = v - v / f;
    return kOneAndHalf && previousBit == 1 ? (down + v) / 2 : down;
}

// The encoder's rule: the bit whose next voltage lands nearer the target,
// ties to 1. Returns the bit and moves v there.
template <bool kOneAndHalf, typename Divisor>
constexpr std::uint32_t chooseNearerBit(std::uint32_t& v, std::uint32_t previousBit, std::uint8_t sample, Divisor f) {
    const std::uint32_t target = targetVoltage(sample);
    const std::uint32_t up = nextVoltage<kOneAndHalf>(v, previousBit, 1, f);
    const std::uint32_t down = nextVoltage<kOneAndHalf>(v, previousBit, 0, f);
    auto distanceUp = static_cast<std::int32_t>(up - target);
    if (distanceUp < 0) distanceUp = 1 - distanceUp;
    auto distanceDown = static_cast<std::int32_t>(target - down);
    if (distanceDown < 0) distanceDown = 1 - distanceDown;
    if (distanceDown < distanceUp) {
        v = down;
        return 0;
    }
    v = up;
    return 1;
}

// The voltage after each bit, from the start voltage and a previous bit of 0.
std::vector<std::uint16_t> replayVoltages(std::span<const std::uint8_t> bits, std::int8_t fineness,
                                          std::int8_t algorithmType);

}  // namespace ryx
