#pragma once
// The circuit model's parts as every text names them (the summary, the
// files that draw the circuit, the report): the resistors that were modelled
// beside the exact value, the capacitor and the load. One text, so that a
// file's drawing and the summary never name different parts.

#include "core/ProgramState.h"

#include <string>

namespace ryx {

struct CircuitLabels {
    std::string resistors;  // "each 2R = 8.2k (exact 9015) ohms", "R = 6793 ohms (exact; nearest E24 6.8k)"
    std::string capacitor;  // "C = 220nF"
    std::string load;       // "load 10k ohms", or empty without a load
};

// The parts of the state's circuit for its scheme, fineness and rate.
CircuitLabels circuitLabels(const ProgramState& state);
CircuitLabels circuitLabels(const EncoderState& encoder, const CircuitParts& parts);

// "circuit model, each 2R = 8.2k (exact 9015) ohms, C = 220nF, load 10k ohms".
std::string circuitModelText(const ProgramState& state);

// An exact resistance: whole ohms, or four significant digits where whole
// ohms would say too little (below 100) or too much (from 1e15).
std::string exactOhmsText(double ohms);

}  // namespace ryx
