#include "core/ProgramState.h"

#include <algorithm>

namespace ryx {

void StatusText::set(std::string_view message) {
    clear();
    const std::size_t length = std::min(message.size(), kCapacity - 1);
    std::copy_n(message.data(), length, text_.data());
}

void resetSound(ProgramState& state) {
    // Only the first kMaxSamples positions: the margin behind them stays 0.
    std::fill_n(state.origSamples.begin(), kMaxSamples, std::uint8_t{128});
    resetSoundExceptOriginal(state);
}

void resetSoundExceptOriginal(ProgramState& state) {
    std::fill_n(state.decodedSamples.begin(), kMaxSamples, std::uint8_t{128});
    std::fill_n(state.smoothedSamples.begin(), kMaxSamples, std::uint8_t{128});
    std::fill_n(state.bitStream.begin(), kMaxSamples, std::uint8_t{0});
    state.overviewLevels.fill(0);
    state.encoder.viewOffset = 0;
    state.encoder.showSmoothed = 0;
    state.encoder.sampleCount = 490;
    state.encoder.overviewStep = 256;
}

}  // namespace ryx
