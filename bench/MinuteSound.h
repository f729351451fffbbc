#pragma once
// A minute of 44.1 kHz 16-bit stereo sound (sweeps, noise, pauses), written
// by libsndfile in the kind asked for: what a recorder or a phone gives.

#include <filesystem>

namespace ryx::bench {

// Writes the file into folder and returns its path.
std::filesystem::path minuteSoundFile(const std::filesystem::path& folder, int format, const char* name);

}  // namespace ryx::bench
