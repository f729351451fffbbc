#pragma once
// A PCM WAV file read whole, for playback: the RIFF chunks are walked, the
// "fmt " chunk gives the layout and the "data" chunk the sound.

#include "core/Result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

struct PcmSound {
    std::uint16_t channels = 0;       // 1 or 2
    std::uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
    std::uint32_t sampleRate = 0;
    std::vector<std::uint8_t> frames;  // whole frames only

    std::size_t bytesPerFrame() const { return std::size_t{channels} * bitsPerSample / 8; }
};

// Parses the bytes of a WAV file; fails with a reason when it is not PCM
// that can be played (8 or 16 bits, mono or stereo, a sample rate above 0).
Result<PcmSound> parsePcmWav(std::span<const std::uint8_t> bytes);

}  // namespace ryx
