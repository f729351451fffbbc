#pragma once

#include "core/ProgramState.h"

#include <memory>

namespace ryx::bench {

// The largest sound, of varied content (tones, noise, silence, clipping),
// with its previews written into a private temporary folder.
std::unique_ptr<ProgramState> makeLargestSound();

}  // namespace ryx::bench
