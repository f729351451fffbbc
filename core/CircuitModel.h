#pragma once
// The decoder's filter as the real circuit behaves: one pin ("1 bit") or two
// pins ("1.5 bit": A the bit, B the bit before) drive resistors into a node
// with a capacitor (and optionally a load) to ground. Over one sample the
// pins stand still, so the node follows an exact exponential, which on the
// scale u = voltage / (the voltage with every pin high) is an affine step
// u <- decay * u + offset[previousBit][bit].

#include "core/CircuitParts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

inline constexpr double kCircuitStartLevel = 0.5;

// What a resistor of the circuit should be (from the fineness and rate) and
// the value that goes in (the series value or the given one).
struct ResistorValue {
    double exactOhms = 0;
    double boughtOhms = 0;
};

struct CircuitResistors {
    std::size_t count = 1;  // 1 under "1 bit"; 2 under "1.5 bit" (A, B)
    std::array<ResistorValue, 2> values{};
};

// The resistors for a scheme, fineness and rate: exact R = -1 / (rate C
// ln(1 - 1/f)), each 2R under "1.5 bit"; a rate of 0 gives exact values of 0.
CircuitResistors circuitResistors(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                                  std::uint32_t sampleRate);

// The nearest value of the E12 or E24 series by ratio (any other series: ohms).
double roundToSeries(double ohms, ResistorSeries series);

struct CircuitStep {
    double decay = 0;
    std::array<std::array<double, 2>, 2> offset{};  // [previousBit][bit]

    double next(double u, std::uint32_t previousBit, std::uint32_t bit) const {
        return decay * u + offset[previousBit][bit];
    }
};

// The step of the bought parts. A sample rate of 0 or a resistor of 0 leaves
// no time scale: the node then settles within each sample.
CircuitStep makeCircuitStep(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                            std::uint32_t sampleRate);

// The level sample s aims at: (128 s + 16384) / 65536, as the integer model's.
constexpr double circuitTarget(std::uint8_t sample) { return (128.0 * sample + 16384.0) / 65536.0; }

// The level on the integer model's voltage scale, floor(65536 u) in 0 ... 65535.
inline std::uint16_t circuitVoltage(double u) {
    const double scaled = u * 65536.0;
    if (!(scaled > 0)) return 0;
    return scaled >= 65535.0 ? std::uint16_t{65535} : static_cast<std::uint16_t>(scaled);
}

// The level after each bit, from the start level and a previous bit of 0.
std::vector<double> replayCircuitLevels(std::span<const std::uint8_t> bits, const CircuitStep& step);
std::vector<std::uint16_t> replayCircuitVoltages(std::span<const std::uint8_t> bits, const CircuitStep& step);

}  // namespace ryx
