#include "core/SoundLoad.h"

#include <algorithm>
#include <cstring>

namespace ryx {
namespace {

std::uint8_t overviewLevel(std::uint8_t sample) {
    const unsigned distance = sample >= 128 ? sample - 128u : 128u - sample;
    unsigned level = distance / 8;
    if (level > 4) level += 3;  // levels 5 to 7 are skipped
    return static_cast<std::uint8_t>(level > 15 ? 15 : level);
}

}  // namespace

void loadSamples(ProgramState& state, std::span<const std::uint8_t> samples, std::uint32_t sampleRate) {
    const std::size_t count = std::min<std::size_t>(samples.size(), kMaxSamples);
    std::uint8_t* buffer = state.origSamples.data();
    // memmove: the samples may overlap where they go.
    if (count > 0) std::memmove(buffer, samples.data(), count);
    std::fill(buffer + count, buffer + kMaxSamples, std::uint8_t{128});
    // The margin behind the sound's positions is always 0.
    std::fill(state.origSamples.begin() + kMaxSamples, state.origSamples.end(), std::uint8_t{0});
    resetSoundExceptOriginal(state);
    state.statusText.clear();
    state.encoder.sampleRate = sampleRate;
    state.encoder.sampleCount = static_cast<std::uint32_t>(count);
    buildOverview(state);
}

void buildOverview(ProgramState& state) {
    const std::uint32_t count = state.encoder.sampleCount;
    state.encoder.overviewStep = count < 491 ? 256u : ((count - 1) * 256u) / kOverviewColumns;
    state.overviewLevels[0] = 0;
    for (std::uint32_t column = 1; column < kOverviewColumns; ++column) {
        const std::uint32_t position = (column * state.encoder.overviewStep) / 256u;
        state.overviewLevels[column] = overviewLevel(state.origSamples[position]);
    }
}

}  // namespace ryx
