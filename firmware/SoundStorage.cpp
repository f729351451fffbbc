#include "firmware/SoundStorage.h"

#include "core/ProgramState.h"
#include "export/TableLayout.h"

#include <algorithm>

namespace ryx {
namespace {

constexpr std::uint16_t kMidRangeRetlw = 0x3400;
constexpr std::uint16_t kPic18Retlw = 0x0C00;
constexpr std::uint32_t kPackedBits = 14;

std::uint32_t readBits(PicStorage storage) { return storage == PicStorage::packed14 ? kPackedBits : 8; }

}  // namespace


PicStorage storageFor(const PicChip& chip, PicPacking packing) {
    if (packing == PicPacking::off || !chip.readsProgramMemory) return PicStorage::retlw;
    return chip.family == PicFamily::pic18 ? PicStorage::packed16 : PicStorage::packed14;
}

std::uint32_t bitsPerTableWord(PicStorage storage) {
    switch (storage) {
    case PicStorage::retlw: return 8;
    case PicStorage::packed14: return kPackedBits;
    case PicStorage::packed16: return 16;
    }
    return 8;
}

std::uint32_t storageSampleCapacity(const PicChip& chip, PicStorage storage) {
    return (chip.programWords - kTableStartWord) * bitsPerTableWord(storage);
}

std::uint32_t storedSampleCount(std::uint32_t sampleCount) {
    const std::uint32_t count = std::min(sampleCount, kMaxSamples);
    return count < 2 ? 0 : count - 1;
}

std::uint32_t tableReadCount(PicStorage storage, std::uint32_t storedSamples) {
    return (storedSamples + readBits(storage) - 1) / readBits(storage);
}

std::uint32_t lastReadSamples(PicStorage storage, std::uint32_t storedSamples) {
    const std::uint32_t reads = tableReadCount(storage, storedSamples);
    return reads == 0 ? 0 : storedSamples - (reads - 1) * readBits(storage);
}

std::vector<std::uint8_t> paddedTableBits(PicStorage storage, const std::uint8_t* bits, std::uint32_t storedSamples) {
    std::vector<std::uint8_t> padded(tableReadCount(storage, storedSamples) * readBits(storage), 0);
    std::copy(bits, bits + storedSamples, padded.begin());
    return padded;
}

std::uint32_t tableWordCount(PicStorage storage, std::uint32_t storedSamples) {
    const std::uint32_t bits = bitsPerTableWord(storage);
    return (storedSamples + bits - 1) / bits;
}

std::vector<std::uint16_t> tableWords(PicStorage storage, PicFamily family, const std::uint8_t* sound,
                                      std::uint32_t storedSamples) {
    const std::vector<std::uint8_t> padded = paddedTableBits(storage, sound, storedSamples);
    const std::uint8_t* bits = padded.data();
    std::vector<std::uint16_t> words(tableWordCount(storage, storedSamples));
    const std::uint32_t reads = tableReadCount(storage, storedSamples);
    for (std::uint32_t k = 0; k < reads; ++k) {
        switch (storage) {
        case PicStorage::retlw:
            words[k] = static_cast<std::uint16_t>((family == PicFamily::pic18 ? kPic18Retlw : kMidRangeRetlw) |
                                                  tableByte(bits, k));
            break;
        case PicStorage::packed14: {
            std::uint16_t word = 0;
            for (std::uint32_t b = 0; b < kPackedBits; ++b) {
                word = static_cast<std::uint16_t>(static_cast<unsigned>(word) << 1u | (bits[kPackedBits * k + b] & 1u));
            }
            words[k] = word;
            break;
        }
        case PicStorage::packed16:
            words[k / 2] = static_cast<std::uint16_t>(words[k / 2] | tableByte(bits, k) << (8 * (k % 2)));
            break;
        }
    }
    return words;
}

}  // namespace ryx
