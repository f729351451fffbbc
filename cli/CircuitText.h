#pragma once
// The circuit model and its parts as ryxenc prints them: in the summary, the
// quality line and the comparison table. The classic model prints none of it.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <string>

namespace ryx::cli {

// "circuit model, R = 4.7k (exact 4506) ohms, C = 220nF, load 10k ohms": the
// model, the resistors to buy for the state's settings with the exact value,
// the capacitor and the load.
std::string circuitSummaryText(const ProgramState& state);

// "circuit model (resistors e12, C = 220nF, load 10k ohms)": the parts as chosen.
std::string circuitPartsText(const CircuitParts& parts);

// "R 4.7k", "2R 8.2k", "2R 10k/8.2k": the resistors to buy for one setting.
std::string resistorsToBuyText(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                               std::uint32_t sampleRate);

}  // namespace ryx::cli
