#pragma once
// Moving the zoomed view through the sound and switching its traces.
// All arithmetic is unsigned 32-bit, as the view's limits rely on it.

#include "core/ProgramState.h"

namespace ryx {

// "->": 12 samples on while the view starts before sampleCount - 13.
void stepForward(ProgramState& state);
// "<-": 12 samples back, not below 0.
void stepBackward(ProgramState& state);
// A press in the overview strip; returns false (and changes nothing) outside it.
bool jumpToOverviewColumn(ProgramState& state, int x, int y);
// "Show Smoothed": toggles the smoothed trace and always shows the decoded one.
void toggleSmoothed(ProgramState& state);
// "Show Ryx": toggles the decoded trace.
void toggleEncoded(ProgramState& state);

}  // namespace ryx
