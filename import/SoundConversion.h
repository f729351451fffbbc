#pragma once
// The steps from decoded mono floats to the program's unsigned 8-bit sound:
// rate change, DC removal and peak normalisation, silence trimming, the cut
// at the longest sound, rounding to 8 bits.

#include "core/Result.h"
#include "import/ImportOptions.h"
#include "import/SoundDecoder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace ryx {

inline constexpr float kNormalizedPeak = 0.89125094f;  // -1 dBFS
inline constexpr float kSilenceLevel = 0.0056234133f;   // -45 dBFS
// The reader takes nothing shorter; shorter sounds are padded with silence.
inline constexpr std::size_t kShortestSound = 8;

struct ConvertedSound {
    std::vector<std::uint8_t> samples;  // unsigned 8-bit at the chosen rate
    std::uint64_t cutSamples = 0;       // dropped past kMaxSamples
};

// libsoxr at its high-quality setting; the samples unchanged when the rates agree.
Result<std::vector<float>> resampleSound(std::span<const float> samples, std::uint32_t fromRate,
                                         std::uint32_t toRate);
// Subtracts the mean (before the rate change, so an offset leaves no ringing
// at the ends).
void removeOffset(std::vector<float>& samples);
// Scales the peak to kNormalizedPeak; silence stays silence.
void normalizePeak(std::vector<float>& samples);
// First and one-past-last sample at or above kSilenceLevel; {0, 0} when none is.
std::pair<std::size_t, std::size_t> audibleRange(std::span<const float> samples);
// -1 ... 1 to 0 ... 255, rounded, 128 for silence.
std::uint8_t quantizeSample(float sample);

// The whole chain for one decoded sound.
Result<ConvertedSound> convertSound(const DecodedSound& decoded, const ImportOptions& options);

}  // namespace ryx
