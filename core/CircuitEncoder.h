#pragma once
// The encoders through the circuit model (CircuitModel.h): the greedy rule
// (the bit whose next level lands nearer the target, ties to 1) and the
// optimal search, with the same outputs as the integer model's encoders.

#include "core/CircuitModel.h"
#include "core/OptimalEncoder.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <span>

namespace ryx {

// The step of the state's parts, scheme, fineness and rate.
CircuitStep circuitStepOf(const ProgramState& state);

// bits[i] and decoded[i] = floor(256 u) for every sample; the spans are equally long.
void encodeGreedyThroughCircuit(std::span<const std::uint8_t> samples, std::int8_t algorithmType,
                                const CircuitStep& step, std::span<std::uint8_t> bits,
                                std::span<std::uint8_t> decoded);

// voltages[i] = circuitVoltage(u) after bit i, as encodeOptimal reports them.
void encodeOptimalThroughCircuit(std::span<const std::uint8_t> samples, std::int8_t algorithmType,
                                 const CircuitStep& step, std::span<std::uint8_t> bits,
                                 std::span<std::uint16_t> voltages, const OptimalSearchLimits& limits = {});

// bitStream and decodedSamples over sampleCount - 1 positions with the
// state's encoder choice, as encodeSamples fills them.
void encodeSamplesThroughCircuit(ProgramState& state);

}  // namespace ryx
