#pragma once
// Decodes any sound libsndfile reads into mono floats (the mean of all
// channels) at the file's own rate. A file that ends before its declared
// length, or that the decoder stops reading with an error, is refused:
// part of a damaged sound is not imported.

#include "core/Result.h"

#include <algorithm>
#include <cstdint>
#include <functional>
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

// The frames decoded at most from a sound at this rate.
constexpr std::uint64_t decodedFrameLimit(std::uint32_t sourceRate) {
    return std::min(kMaxDecodedFrames, kMaxDecodedSeconds * sourceRate);
}

struct DecodedSound {
    std::vector<float> samples;  // full scale is -1 ... 1
    std::uint32_t sampleRate = 0;
    std::uint64_t framesLeftOut = 0;     // past the decoding limit
    std::uint64_t nonFiniteSamples = 0;  // NaN or infinite, taken as 0 (per channel)
};

// Only a regular file is opened: a pipe or device could block for ever.
Result<DecodedSound> decodeSoundFile(const std::string& fileName);
// The same from a whole file's bytes in memory.
Result<DecodedSound> decodeSoundBytes(std::span<const std::uint8_t> bytes);

// A sound decoded block by block, however long: each block of mono floats
// (the same values the whole decode gives) handed to a sink as it is read,
// with the sound's own rate.
struct DecodedStream {
    std::uint32_t sampleRate = 0;
    std::uint64_t frames = 0;
    std::uint64_t nonFiniteSamples = 0;
};
using DecodedBlockSink = std::function<void(std::span<const float> block, std::uint32_t sampleRate)>;
Result<DecodedStream> decodeSoundFileInBlocks(const std::string& fileName, const DecodedBlockSink& sink);
Result<DecodedStream> decodeSoundBytesInBlocks(std::span<const std::uint8_t> bytes, const DecodedBlockSink& sink);

// Whether libsndfile recognises the bytes (a whole file, or its start) as a
// sound it can read.
bool isReadableSound(std::span<const std::uint8_t> bytes);

}  // namespace ryx
