#include "core/Navigation.h"

namespace ryx {

void stepForward(ProgramState& state) {
    EncoderState& e = state.encoder;
    const std::uint32_t n = e.sampleCount;
    // For n of 12 or less, n - 13 wraps and the step is always taken.
    if (e.viewOffset < n - 13u) e.viewOffset += 12;
    if (e.viewOffset > n - 1u) e.viewOffset = n - 1u;
}

void stepBackward(ProgramState& state) {
    EncoderState& e = state.encoder;
    e.viewOffset = e.viewOffset < 12 ? 0 : e.viewOffset - 12;
}

void jumpToOverviewColumn(ProgramState& state, std::uint32_t column) {
    EncoderState& e = state.encoder;
    e.viewOffset = (column * e.overviewStep) >> 8;
    if (e.viewOffset > e.sampleCount - 2u) e.viewOffset = e.sampleCount - 2u;
}

void toggleSmoothed(ProgramState& state) {
    state.encoder.showSmoothed = state.encoder.showSmoothed == 0 ? 1 : 0;
    state.encoder.showEncoded = 1;
}

void toggleEncoded(ProgramState& state) {
    state.encoder.showEncoded = state.encoder.showEncoded == 0 ? 1 : 0;
}

}  // namespace ryx
