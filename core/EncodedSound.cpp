#include "core/EncodedSound.h"

#include <algorithm>

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

std::vector<EncodedSound> encodedSoundsOf(std::span<const ProgramState* const> states) {
    std::vector<EncodedSound> sounds;
    sounds.reserve(states.size());
    for (const ProgramState* state : states) sounds.push_back(encodedSoundOf(*state));
    return sounds;
}

}  // namespace ryx
