#pragma once
// The one way a sound becomes the current sound, whatever it came from: a
// WAV file or an import. Loading does not encode.

#include "core/ProgramState.h"

#include <cstdint>
#include <span>

namespace ryx {

// Makes the first kMaxSamples of samples the current sound at sampleRate:
// the rest of the sample buffer silence, the other buffers reset, no
// message, the overview built. samples may lie inside origSamples itself, behind where
// they go (a file read into the buffer).
void loadSamples(ProgramState& state, std::span<const std::uint8_t> samples, std::uint32_t sampleRate);

// overviewStep and overviewLevels from origSamples and sampleCount.
void buildOverview(ProgramState& state);

}  // namespace ryx
