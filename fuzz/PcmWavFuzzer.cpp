// Feeds arbitrary bytes to the player's RIFF chunk parser: it must refuse
// with a reason or give whole frames of a layout the player can play, taken
// from inside the input.

#include "formats/PcmWav.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ryx::Result<ryx::PcmSound> parsed = ryx::parsePcmWav(std::span<const std::uint8_t>(data, size));
    if (!parsed) {
        require(!parsed.error().empty());
        return 0;
    }
    const ryx::PcmSound& sound = *parsed;
    require(sound.channels == 1 || sound.channels == 2);
    require(sound.bitsPerSample == 8 || sound.bitsPerSample == 16);
    require(sound.sampleRate > 0);
    require(sound.frames.size() % sound.bytesPerFrame() == 0);
    require(sound.frames.size() + 12 + 8 + 16 + 8 <= size);  // RIFF header, format and data chunks
    return 0;
}
