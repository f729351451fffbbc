#pragma once
// Opens an 8-bit mono WAV file as the current sound (see formats/WaveLoad.h).

#include "core/ProgramState.h"
#include "core/Result.h"

#include <string>

namespace ryx {

// Anything but a regular file, or a short read, cannot be opened
// (kCannotOpenMessage, with the system's reason). A failure leaves the empty
// sound. Does not encode.
Result<> loadWaveFile(ProgramState& state, const std::string& fileName);

}  // namespace ryx
