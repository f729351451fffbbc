#pragma once
// A WAV file opened as the window and ryxenc open one: loaded, then encoded.

#include "core/ProgramState.h"
#include "core/Result.h"

#include <string>

namespace ryx::test {

Result<> openWave(ProgramState& state, const std::string& fileName);

}  // namespace ryx::test
