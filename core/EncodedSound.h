#pragma once
// A whole encoded sound as the program writers take it, of any length: the
// settings it was encoded with and its bits. A ProgramState's sound is one,
// its bits the state's bitStream; a sound encoded piece by piece
// (SoundStreamEncoder.h) is another, as long as its target holds.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

struct EncodedSound {
    EncoderState encoder;  // scheme, fineness, rate, resistor; sampleCount as the sound has them
    FilterModelChoice filterModel = FilterModelChoice::classic;
    CircuitParts circuitParts;
    std::uint32_t samples = 0;  // the samples the writers take: a state's at most kMaxSamples
    // One entry (0 or 1) per encoded sample, playedSamples() of them; a plan
    // needs none, only the files built from it.
    std::span<const std::uint8_t> bits;

    // Every sample but the last, which is never encoded.
    std::uint32_t playedSamples() const { return samples < 2 ? 0 : samples - 1; }
};

// The state's sound: its bits stay in the state.
EncodedSound encodedSoundOf(const ProgramState& state);
std::vector<EncodedSound> encodedSoundsOf(std::span<const ProgramState* const> states);
// A sound of `samples` samples encoded whole with the state's settings, the
// state keeping its first kMaxSamples: its bits those given (at most the
// samples but the last), the state's own when it is no longer than that.
EncodedSound encodedSoundOf(const ProgramState& state, std::uint64_t samples, std::span<const std::uint8_t> bits);

}  // namespace ryx
