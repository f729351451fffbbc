#pragma once
// How loud the circuit's output is: the AC part of the node's voltage over
// the encoded sound, on a 5 V supply, so that a user knows what the
// amplifier after it must give. A sound at full scale swings the node over
// only half the supply (the model's middle half), and a load divides it.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <span>
#include <string>

namespace ryx {

inline constexpr double kSupplyVolts = 5.0;

struct OutputLevel {
    double rmsVolts = 0;  // 0 for a silent output
};

// The level of voltages on the model's scale (65536 the voltage with every
// pin high), which is fullScaleVolts at the node.
OutputLevel outputLevelOf(std::span<const std::uint16_t> voltages, double fullScaleVolts);

// The level of the sound through the given model and parts: the encoder's
// own voltages when they are the state's, else its bits replayed through
// them (the dialog asks before the sound is encoded again).
OutputLevel outputLevel(const ProgramState& state, FilterModelChoice model, const CircuitParts& parts);
OutputLevel outputLevel(const ProgramState& state);

// "0.21 V rms (-13.6 dBV) on a 5 V supply"; "silent on a 5 V supply".
std::string outputLevelText(const OutputLevel& level);

}  // namespace ryx
