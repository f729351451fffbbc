#pragma once
// Special > "Circuit...": which filter the encoders model and the parts of
// the circuit as built, kept in the user's settings between runs.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"
#include "core/Result.h"

#include <QString>

#include <string>
#include <string_view>

namespace ryx::ui {

struct CircuitChoice {
    FilterModelChoice model = FilterModelChoice::classic;
    CircuitParts parts;
};

// A part's value as text that parse reads back to the very same value: the
// short text of format when it does, else every digit needed.
QString partValueText(double value, std::string (*format)(double), Result<double> (*parse)(std::string_view));

CircuitChoice circuitChoiceOf(const ProgramState& state);
// Sets the model and the parts; the caller encodes again.
void applyCircuitChoice(ProgramState& state, const CircuitChoice& choice);

// Any value that is missing or does not read back (or is out of the range
// the parts come in) reads as its default; notice then names each one.
CircuitChoice rememberedCircuitChoice(QString* notice = nullptr);
void rememberCircuitChoice(const CircuitChoice& choice);

}  // namespace ryx::ui
