#pragma once
// Decodes any sound libsndfile reads into mono floats (the mean of all
// channels) at the file's own rate.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx {

// Longer sounds are decoded only this far: six minutes, or 2^24 frames at
// high rates. More than the longest sound the program holds at any rate,
// and a bound on the memory a claimed length can take.
inline constexpr std::uint64_t kMaxDecodedSeconds = 360;
inline constexpr std::uint64_t kMaxDecodedFrames = std::uint64_t{1} << 24;
inline constexpr std::uint32_t kMinSourceRate = 1000;
inline constexpr std::uint32_t kMaxSourceRate = 768000;

struct DecodedSound {
    std::vector<float> samples;      // full scale is -1 ... 1
    std::uint32_t sampleRate = 0;
    std::uint64_t framesLeftOut = 0;  // past the decoding limit
    std::string error;                // empty when decoded
};

DecodedSound decodeSoundFile(const std::string& fileName);
// The same from a whole file's bytes in memory.
DecodedSound decodeSoundBytes(std::span<const std::uint8_t> bytes);

// Whether libsndfile recognises the bytes (a whole file, or its start) as a
// sound it can read.
bool isReadableSound(std::span<const std::uint8_t> bytes);

}  // namespace ryx
