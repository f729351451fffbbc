#pragma once
// A sound file's length as its header states it, without decoding: fast
// enough for a dialog to show before the import.

#include "core/Result.h"

#include <cstdint>
#include <string>

namespace ryx {

struct SoundLength {
    std::uint64_t frames = 0;
    std::uint32_t sampleRate = 0;
};

// Only a regular file is opened: a pipe or device could block for ever.
Result<SoundLength> readSoundLength(const std::string& fileName);

}  // namespace ryx
