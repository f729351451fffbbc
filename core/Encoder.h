#pragma once
// The closed-loop encoder: one bit per sample, a model of the decoder's
// resistor-capacitor filter, the smoothed preview and the resistor value.

#include "core/ProgramState.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ryx {

struct FinenessEntry {
    std::string_view itemText;
    std::int8_t fineness;
    double resistorConstant;  // K: R1 = K / sampleRate
};

inline constexpr std::array<FinenessEntry, 8> fineTable{{
    {"Ryx4", 4, 34756991.0},
    {"Ryx5", 5, 49944561.0},
    {"Ryx6", 6, 62443411.0},
    {"Ryx8", 8, 71799570.0},
    {"Ryx11", 11, 90843023.0},
    {"Ryx16", 16, 154929948.0},
    {"Ryx21", 21, 227650000.0},
    {"Ryx32", 32, 314929948.0},
}};

// Encodes origSamples over sampleCount - 1 positions, derives resistorOhms,
// switches the decoded trace on and smooths. Writes no file.
void encodeSound(ProgramState& state);

// The bits and voltages alone (no resistor or smoothing), by the greedy rule
// or, when the state asks for it, the optimal encoder, through the state's
// filter model.
void encodeSamples(ProgramState& state);

// smoothedSamples from decodedSamples over kMaxSamples - 1 positions.
void smoothDecoded(ProgramState& state);

// R for the given fineness and sample rate; 0 for a rate of 0.
std::int32_t computeResistorOhms(std::int8_t fineness, std::uint32_t sampleRate);

}  // namespace ryx
