#pragma once
// WAV files as bytes, for tests that feed the reader or compare previews.

#include <cstdint>
#include <span>
#include <vector>

namespace ryx::test {

using Bytes = std::vector<std::uint8_t>;

// The header fields a test may want to spoil.
struct WaveFields {
    std::uint32_t rate = 8000;
    std::uint16_t channels = 1;
    std::uint16_t bits = 8;
    std::uint16_t formatTag = 1;
    const char* riff = "RIFF";
    const char* wave = "WAVE";
};

// The 46-byte layout: an 18-byte format chunk, samples from offset 46.
Bytes wave46(std::span<const std::uint8_t> samples, const WaveFields& fields = {});
// The common 44-byte layout: a 16-byte format chunk, samples from offset 44.
Bytes wave44(std::span<const std::uint8_t> samples, std::uint32_t rate = 8000);

// Distinct, non-silent samples, so that a shift by one position shows.
Bytes rampSamples(std::size_t count);
// A loud square wave with a little noise, as a sound that encodes to busy bits.
Bytes squareSamples(std::size_t count);

// A preview file as the program writes it: its header, then the samples.
Bytes previewFileBytes(std::span<const std::uint8_t> samples, std::uint32_t rate);

}  // namespace ryx::test
