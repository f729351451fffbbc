#pragma once
// The parts list of the circuit as built, for the scheme, fineness and rate:
// each resistor to buy with the exact value it stands for, the capacitor
// and the load.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

#include <QString>

namespace ryx::ui {

QString circuitPartsText(const CircuitParts& parts, const EncoderState& encoder);

}  // namespace ryx::ui
