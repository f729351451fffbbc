#pragma once
// The bitstream packed eight samples to a byte, earliest in the top bit.

#include "io/AtomicFileWriter.h"
#include "core/Result.h"
#include "core/ProgramState.h"

#include <filesystem>

namespace ryx {

// Writes (sampleCount - 1) / 8 bytes whole or not at all.
Result<> exportBinary(const ProgramState& state, const OutputTarget& target);

}  // namespace ryx
