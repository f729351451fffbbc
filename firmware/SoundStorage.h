#pragma once
// How a PIC program keeps the sound's bits in program memory: one retlw byte
// per word on every chip, or whole words read back where the chip can read
// its own program memory.

#include "firmware/PicChip.h"

#include <cstdint>
#include <vector>

namespace ryx {

enum class PicStorage {
    retlw,     // eight bits per word, each word a retlw (on a PIC18 read by TBLRD as well)
    packed14,  // fourteen bits per word, read through EECON1 / PMCON1
    packed16,  // two bytes per word, read by TBLRD*+ (PIC18)
};

// auto: packed wherever the chip can read its program memory.
enum class PicPacking { automatic, off };

PicStorage storageFor(const PicChip& chip, PicPacking packing);

// Sound bits one program word holds.
std::uint32_t bitsPerTableWord(PicStorage storage);

// Table words start here on every chip; the player lives below.
inline constexpr std::uint32_t kTableStartWord = 256;

// Samples of the longest sound the chip holds this way.
std::uint32_t storageSampleCapacity(const PicChip& chip, PicStorage storage);

// Samples of a sound of `sampleCount` samples that the tables hold and the
// player plays: every encoded one (the last sample is never encoded), the
// last table read padded.
std::uint32_t storedSampleCount(std::uint32_t sampleCount);

// The reads the player makes over the table: bytes, or 14-bit words, the
// last perhaps in part.
std::uint32_t tableReadCount(PicStorage storage, std::uint32_t storedSamples);

// The samples the last of those reads plays: 1 to 8, or 1 to 14.
std::uint32_t lastReadSamples(PicStorage storage, std::uint32_t storedSamples);

// The first `storedSamples` bits padded with 0 to whole table reads.
std::vector<std::uint8_t> paddedTableBits(PicStorage storage, const std::uint8_t* bits, std::uint32_t storedSamples);

// Program words the tables take.
std::uint32_t tableWordCount(PicStorage storage, std::uint32_t storedSamples);

// The table words for the first `storedSamples` bits (one per sample), the
// last padded with 0. A
// packed 14-bit word holds its first sample at bit 13; a PIC18 word its
// first byte in the low half, so TBLRD*+ reads the bytes in order.
std::vector<std::uint16_t> tableWords(PicStorage storage, PicFamily family, const std::uint8_t* bits,
                                      std::uint32_t storedSamples);

}  // namespace ryx
