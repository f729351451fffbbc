#pragma once
// Loads an 8-bit mono WAV file as the current sound: a fixed 46-byte header,
// then everything to the end of the file as samples. A refused file leaves
// the empty sound with its message in statusText.

#include "core/ProgramState.h"
#include "core/WaveHeader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ryx {

inline constexpr std::string_view kNotWaveMessage = "Not a WAVE file! - no file loaded.";
inline constexpr std::string_view kUnsupportedFormatMessage = "Only 8-bit MONO wave files supported!";
inline constexpr std::string_view kCannotOpenMessage = "Cannot open file! - no file loaded.";

enum class LoadResult { loaded, refused, cannotOpen };

// The whole open: resets, reads (anything but a regular file, or a short
// read, cannot be opened), builds the overview and encodes. Writes nothing:
// the caller writes the previews of whatever state it leaves.
LoadResult loadWaveFile(ProgramState& state, const std::string& fileName);

// The same from a whole file's bytes in memory (its length is the span's):
// resets, reads, builds the overview and encodes. No file is touched.
LoadResult readWaveBytes(ProgramState& state, std::span<const std::uint8_t> bytes);

// The header and the longest sound: more of a file never changes its load.
inline constexpr std::size_t kLongestUsefulWave = kWaveHeaderSize + kMaxSamples;

// readWaveBytes without the encode, for a file whose first heldBytes bytes
// (all of it, or at least kLongestUsefulWave) have been read into origSamples
// itself, which spares a copy of the whole sound.
LoadResult readWaveSamplesInPlace(ProgramState& state, std::size_t heldBytes);

// Why the file that begins with these bytes (all of it, or at least
// kLongestUsefulWave of it) is refused, or nothing when it loads.
std::optional<std::string_view> waveRefusal(std::span<const std::uint8_t> firstBytes);

// overviewStep and overviewLevels from origSamples and sampleCount.
void buildOverview(ProgramState& state);

}  // namespace ryx
