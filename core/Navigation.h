#pragma once
// Moving the zoomed view through the sound and switching its traces.
// All arithmetic is unsigned 32-bit, as the view's limits rely on it.

#include "core/ProgramState.h"

#include <cstdint>

namespace ryx {

// "->": 12 samples on while the view starts before sampleCount - 13.
void stepForward(ProgramState& state);
// "<-": 12 samples back, not below 0.
void stepBackward(ProgramState& state);
// To the sample that overview column `column` shows, at most sampleCount - 2.
void jumpToOverviewColumn(ProgramState& state, std::uint32_t column);
// "Show Smoothed": toggles the smoothed trace and always shows the decoded one.
void toggleSmoothed(ProgramState& state);
// "Show Ryx": toggles the decoded trace.
void toggleEncoded(ProgramState& state);

}  // namespace ryx
