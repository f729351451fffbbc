#pragma once
// Where the retlw tables put the bitstream in program memory: byte k holds
// samples 8k ... 8k + 7 (the earliest in the top bit) and sits at word
// 256 + k, so block b of 256 bytes starts at b x 256 and word 0 ... 255 stay
// free for a player.

#include "core/ProgramState.h"
#include "export/BitPacking.h"

#include <algorithm>
#include <cstdint>

namespace ryx {

inline constexpr std::uint32_t kTableBytesPerBlock = 256;
inline constexpr std::uint32_t kFirstTableAddress = 256;

// Only whole groups of eight samples are tabled; never past the buffer.
inline std::uint32_t tableByteCount(std::uint32_t sampleCount) {
    return std::min(sampleCount, kMaxSamples) / 8;
}

inline std::uint32_t tableByteAddress(std::uint32_t byteIndex) { return kFirstTableAddress + byteIndex; }

// Block numbers start at 1 at word 256.
inline std::uint32_t tableBlockNumber(std::uint32_t byteIndex) {
    return tableByteAddress(byteIndex) / kTableBytesPerBlock;
}

inline std::uint8_t tableByte(const std::uint8_t* bits, std::uint32_t byteIndex) {
    return packEightBits(bits + 8 * byteIndex);
}

}  // namespace ryx
