#pragma once
// What the I2C and SPI readers of a serial memory share: their variables,
// the read count from the index entry, a loop's start again spread over the
// last byte, and the memory pins' set-up.

#include "firmware/MemoryImage.h"
#include "firmware/PlayerSerialRead.h"
#include "firmware/PlayerTableRead.h"
#include "firmware/SerialMemory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ryx::memory_read {

using Destination = PicAssembly::Destination;

// A program's variables sit in bank 0 after the player's.
constexpr std::uint16_t kMemoryVariables = 0x38;

// A program reading a memory whose reads stop at each block (the 24LC1025's
// 64 KiB): the read count of the sound's part in the second block, and the
// samples of its last byte, 0 once there (or with no such part).
constexpr PicRegister kBlockCountLow{"blockcntlo", kMemoryVariables + 2 + kImageEntryBytes};
constexpr PicRegister kBlockCountHigh{"blockcnthi", kMemoryVariables + 3 + kImageEntryBytes};
constexpr PicRegister kBlockLastBits{"blocklast", kMemoryVariables + 4 + kImageEntryBytes};

constexpr std::string_view kLastByteLabel = "lastbyte";

PicRegister shiftOf(const PlayerWriter& w);     // the byte coming in or going out
PicRegister bitCountOf(const PlayerWriter& w);  // its bits left
// The index entry: address (3 bytes), then samples (4 bytes), high first.
PicRegister entryOf(const PlayerWriter& w, std::size_t k);

// The reads R (top:middle:low, at most 131072) of a sound at the entry's
// address A: where A is in the first block and R + (A mod 65536) passes
// 65536, `crosses` is set and the second block's count is 65536 less that
// sum's lower 16 bits (0: all 65536).
void splitAtBlock(PlayerWriter& w, const std::array<PicRegister, 3>& reads, PicRegister crosses, const std::string& fits,
                  const std::string& crossing);

// The player counts byte reads up to 2^24: the count is 2^24 less
// (samples + 7) / 8, from the entry's four sample bytes (the planner keeps
// the reads below 2^24). With `splits`, a sound that runs from the first
// block into the second plays its reads up to the block's end first.
void countReads(PlayerWriter& w, std::string_view sound, bool splits = false);

// A step of a loop's start again, and about how long it takes (in bus clocks).
struct BusStep {
    std::function<void()> write;
    double weight = 1;
};

// A loop starts again over the sound's last byte, from its byte boundary
// on: `current` takes the byte, then its `last` samples each follow a
// share of the steps (a share for each sample's path, and one for the path
// to the first sample again), each path's own wait before its sample.
void spreadOverLastByte(PlayerWriter& w, const std::vector<BusStep>& steps, std::uint32_t last,
                        const std::function<void()>& beforeShare);

// The count read again for the loop's next round.
void reloadCount(PlayerWriter& w);

// At a byte boundary of a loop, bank 0: to `label` when the next read is the sound's last.
void jumpIfLastRead(PlayerWriter& w, std::string_view label);

// The cycles a line must hold, less those the instructions between its two
// edges take already (an edge's own instruction counts as one).
std::uint32_t padFor(std::uint32_t nanoseconds, std::uint32_t clockHz, std::uint32_t between);

void defineMemoryVariables(PlayerWriter& w, const ChipMemoryPins& pins);

// A program sets the memory's registers whole; a routine clears only its
// lines' analog selects, keeping the user's analog inputs.
void setUpMemoryPins(PlayerWriter& w, const ChipMemoryPins& pins, std::initializer_list<const MemoryPin*> lines);

// The port's bits of `lines` cleared: a routine keeps its other pins' levels.
void clearLines(PlayerWriter& w, PicRegister port, std::initializer_list<const MemoryPin*> lines, std::string_view note);

std::uint8_t bitsOnPort(std::uint16_t portAddress, std::initializer_list<const MemoryPin*> lines);

// A routine's index entry at 1 + 7 * sound, into entry1 (high) and entry2
// (low), entry0 and entry4 its workspace.
void entryAddressOfSound(PlayerWriter& w);

// The two buses' readers.
std::unique_ptr<const PlayerTableRead> i2cStreamRead(const PlayerSettings& settings);
std::unique_ptr<const PlayerTableRead> spiStreamRead(const PlayerSettings& settings);

}  // namespace ryx::memory_read
