#include "core/EncodedSound.h"

#include <algorithm>
#include <limits>

namespace ryx {

EncodedSound encodedSoundOf(const ProgramState& state) {
    EncodedSound sound;
    sound.encoder = state.encoder;
    sound.filterModel = state.filterModel;
    sound.circuitParts = state.circuitParts;
    sound.samples = std::min(state.encoder.sampleCount, kMaxSamples);
    sound.bits = std::span<const std::uint8_t>(state.bitStream).first(sound.playedSamples());
    return sound;
}

EncodedSound encodedSoundOf(const ProgramState& state, std::uint64_t samples, std::span<const std::uint8_t> bits) {
    EncodedSound sound = encodedSoundOf(state);
    if (samples <= kMaxSamples) return sound;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(samples, std::numeric_limits<std::uint32_t>::max()));
    sound.encoder.sampleCount = count;
    sound.samples = count;
    sound.bits = bits;
    return sound;
}

std::vector<EncodedSound> encodedSoundsOf(std::span<const ProgramState* const> states) {
    std::vector<EncodedSound> sounds;
    sounds.reserve(states.size());
    for (const ProgramState* state : states) sounds.push_back(encodedSoundOf(*state));
    return sounds;
}

}  // namespace ryx
