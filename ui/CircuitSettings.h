#pragma once
// Special > "Circuit...": which filter the encoders model and the parts of
// the circuit as built, kept in the user's settings between runs.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

namespace ryx::ui {

struct CircuitChoice {
    FilterModelChoice model = FilterModelChoice::document;
    CircuitParts parts;
};

CircuitChoice circuitChoiceOf(const ProgramState& state);
// Sets the model and the parts; the caller encodes again.
void applyCircuitChoice(ProgramState& state, const CircuitChoice& choice);

// Any value that is missing or does not read back reads as its default.
CircuitChoice rememberedCircuitChoice();
void rememberCircuitChoice(const CircuitChoice& choice);

}  // namespace ryx::ui
