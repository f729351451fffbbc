#pragma once
// The WAV header fields every reader here needs, read in one way: the fixed
// 46-byte layout of the program's own files (the reader takes the samples
// from that offset on, and the previews are written behind one) and the
// little-endian fields of any RIFF file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace ryx {

inline constexpr std::size_t kWaveHeaderSize = 46;

// Offsets in the fixed layout.
inline constexpr std::size_t kWaveFormatTagAt = 20;
inline constexpr std::size_t kWaveChannelsAt = 22;
inline constexpr std::size_t kWaveSampleRateAt = 24;
inline constexpr std::size_t kWaveBitsPerSampleAt = 34;
inline constexpr std::size_t kWaveDataTagAt = 38;

inline std::uint16_t readLittleEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t readLittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{readLittleEndian16(bytes, at)} | std::uint32_t{readLittleEndian16(bytes, at + 2)} << 16;
}

// Whether the four bytes at `at` are the tag.
inline bool hasWaveTag(std::span<const std::uint8_t> bytes, std::size_t at, const char (&tag)[5]) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// An 8-bit mono PCM WAV laid out as the fixed layout expects (its samples
// right after the 46-byte header), so loading it loses nothing.
inline bool isPlainEightBitHeader(std::span<const std::uint8_t> header) {
    return header.size() >= kWaveHeaderSize && hasWaveTag(header, 0, "RIFF") && hasWaveTag(header, 8, "WAVE") &&
           hasWaveTag(header, 12, "fmt ") && readLittleEndian16(header, kWaveFormatTagAt) == 1 &&
           readLittleEndian16(header, kWaveChannelsAt) == 1 && readLittleEndian16(header, kWaveBitsPerSampleAt) == 8 &&
           hasWaveTag(header, kWaveDataTagAt, "data");
}

}  // namespace ryx
