#pragma once
// Comparing two program states field by field, buffer by buffer.

#include "core/ProgramState.h"

#include <memory>

namespace ryx::test {

// A state holding the empty sound.
std::unique_ptr<ProgramState> freshState();
// Every field of the encoder record, the four buffers, the overview and the message.
void expectSameState(const ProgramState& expected, const ProgramState& actual);

}  // namespace ryx::test
