#pragma once
// The bytes a serial memory is programmed with, read by the PIC as it plays.
//
//   byte 0          the number of sounds N, 1 to 255
//   bytes 1 to 7N   an entry per sound, in order: the address of its first
//                   byte (3 bytes), then its number of samples (4 bytes),
//                   each high byte first, as the bus sends an address
//   then            the sounds, one after another from byte 1 + 7N, each
//                   from a whole byte: eight samples to a byte, the earliest
//                   in the most significant bit (as the program's tables and
//                   the --bin file hold them); a last byte's unused bits 0
//                   (on the 24LC1025 no sound of two bytes or more starts
//                   on the first block's last byte: it starts one later;
//                   placed within blocks, a sound that would cross into the
//                   second block starts at 0x10000, the bytes skipped 0)
//
// Other sounds at the same rate need only a new image: the player finds
// them through the index.

#include "core/Result.h"
#include "firmware/SerialMemory.h"
#include "io/AtomicFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

inline constexpr std::size_t kMaxImageSounds = 255;
inline constexpr std::uint32_t kImageEntryBytes = 7;

std::uint32_t memoryImageIndexBytes(std::size_t soundCount);

// Where sounds may lie on a memory whose reads stop at each block (the
// 24LC1025): across the boundary (a single play reads on in the second
// block), or each within one block (a loop's new read and a routine's read
// name the sound's block and nothing more). Other memories: no difference.
enum class ImagePlacement { acrossBlocks, withinBlocks };

// Samples the memory holds after the index of soundCount sounds, one bit each.
std::uint64_t memorySampleCapacity(const SerialMemory& memory, std::size_t soundCount = 1,
                                   ImagePlacement placement = ImagePlacement::acrossBlocks);

struct ImageSound {
    std::uint32_t firstByte = 0;
    std::uint32_t samples = 0;
    bool operator==(const ImageSound&) const = default;
};

struct MemoryImagePlan {
    std::vector<ImageSound> sounds;
    std::uint32_t usedBytes = 0;  // the index and every sound
};

// Where each sound goes; refuses sounds too long for the memory, naming its
// size and the seconds over at sampleRate, and within blocks a sound longer
// than a block.
Result<MemoryImagePlan> planMemoryImage(const SerialMemory& memory, std::span<const std::uint32_t> sampleCounts,
                                        std::uint32_t sampleRate,
                                        ImagePlacement placement = ImagePlacement::acrossBlocks);

// A sound's bits, one entry per sample (0 or 1), as a ProgramState's bitStream.
using SoundBits = std::span<const std::uint8_t>;

// The plan's bytes; each sound holds the plan's number of samples.
std::vector<std::uint8_t> buildMemoryImage(const MemoryImagePlan& plan, std::span<const SoundBits> sounds);

// The image of the sounds, or the plan's refusal.
Result<std::vector<std::uint8_t>> memoryImage(const SerialMemory& memory, std::span<const SoundBits> sounds,
                                              std::uint32_t sampleRate,
                                              ImagePlacement placement = ImagePlacement::acrossBlocks);

// NAME.hex (in any case): Intel HEX from address 0; any other name, the
// standard output too: the raw bytes. Whole or not at all; a refused plan
// writes nothing.
Result<> writeMemoryImage(const SerialMemory& memory, std::span<const SoundBits> sounds, std::uint32_t sampleRate,
                          const OutputTarget& target, ImagePlacement placement = ImagePlacement::acrossBlocks);

}  // namespace ryx
