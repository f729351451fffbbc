#pragma once
// A PCM WAV file read whole, for playback.

#include "core/Result.h"
#include "formats/PcmWav.h"

#include <string>

namespace ryx {

// Reads the named file whole and parses it; fails with the system's reason
// when it cannot be read.
Result<PcmSound> readPcmWavFile(const std::string& fileName);

}  // namespace ryx
