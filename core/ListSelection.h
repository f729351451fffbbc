#pragma once
// The logic behind the two drop-down lists: from the chosen item's text to
// the setting, then a new encode of the sound in memory.

#include "core/ProgramState.h"

#include <string_view>

namespace ryx {

// "Ryx4" ... "Ryx32"; any other text gives 16. Then encodes.
void selectFineness(ProgramState& state, std::string_view itemText);
// "1.5 bit" (second character '.') gives 15, anything else 1. Then encodes.
void selectAlgorithmType(ProgramState& state, std::string_view itemText);

}  // namespace ryx
