#pragma once
// Checks the PIC program of a state: its plan, its memory and its Intel HEX
// text agree, or all three refuse with one reason.

#include "core/ProgramState.h"
#include "firmware/PicProgram.h"

namespace ryx::fuzz {

// Whether the program could be made.
bool checkPicProgram(const ProgramState& state, const PicProgramSettings& settings);

}  // namespace ryx::fuzz
