#pragma once
// An 8-bit mono WAV file's bytes as the current sound: a fixed 46-byte
// header, then everything to the end of the file as samples. Loading does
// not encode.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "formats/WaveHeader.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace ryx {

inline constexpr std::string_view kNotWaveMessage = "Not a WAVE file! - no file loaded.";
inline constexpr std::string_view kUnsupportedFormatMessage = "Only 8-bit MONO wave files supported!";
inline constexpr std::string_view kCannotOpenMessage = "Cannot open file! - no file loaded.";

// The header and the longest sound: more of a file never changes its load.
inline constexpr std::size_t kLongestUsefulWave = kWaveHeaderSize + kMaxSamples;

// The sample rate of the file that begins with these bytes (all of it, or at
// least kLongestUsefulWave of it), or why it is refused.
Result<std::uint32_t> waveSampleRate(std::span<const std::uint8_t> firstBytes);

// Loads the file whose bytes these are (all of it, or at least
// kLongestUsefulWave of it). The bytes may be the state's own origSamples,
// a file read into the buffer, which spares a copy. A refused file leaves
// the empty sound.
Result<> loadWaveBytes(ProgramState& state, std::span<const std::uint8_t> bytes);

}  // namespace ryx
