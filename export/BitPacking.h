#pragma once
// Eight bitStream entries (one byte per sample, 0 or 1) as one byte, the
// earliest sample in the most significant bit.

#include <bit>
#include <cstdint>
#include <cstring>

namespace ryx {

inline std::uint8_t packEightBits(const std::uint8_t* bits) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, bits, sizeof word);
        // With every entry 0 or 1, one multiplication gathers entry j into
        // bit 7 - j of the top byte; the partial products never overlap.
        if ((word & ~std::uint64_t{0x0101010101010101}) == 0) {
            return static_cast<std::uint8_t>((word * 0x8040201008040201u) >> 56);
        }
    }
    unsigned value = 0;  // an entry other than 1 counts as 0
    for (int j = 0; j < 8; ++j) value = (value << 1) | (bits[j] == 1 ? 1u : 0u);
    return static_cast<std::uint8_t>(value);
}

}  // namespace ryx
