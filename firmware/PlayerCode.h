#pragma once
// The player at address 0, on every PIC family: sets the chip up, brings the
// output up to half the supply slowly with a fast pulse-density ramp, then
// plays one table bit per sample on pin A (and the bit before on pin B),
// every sample exactly the same number of cycles, across bytes, blocks and
// pages, the last read only the samples it holds before its padding; a
// single play ramps the output down again before both pins go low.
// A bank's sounds each start when their trigger pin or the strobe is pulled
// low; asleep in between. As a routine for the user's own program it does the
// same for the sound W names, then returns. Written once (PlayerWriter) over
// each family's rows (PlayerFamily) and table reads (PlayerTableRead).

#include "firmware/PicAssembly.h"
#include "firmware/PicChip.h"
#include "firmware/PlayerForm.h"
#include "firmware/PlayTrigger.h"
#include "firmware/SerialMemory.h"
#include "firmware/SoundStorage.h"

#include <cstdint>
#include <vector>

namespace ryx {

// The longest wait one path can make (two counting loops full and four
// cycles of padding), plus the shortest path between two samples (8 cycles
// within a byte): a longer wait throws.
inline constexpr std::uint32_t kPlayerMaxCycles = 197135;
// Words 0 ... 255: below the first table block.
inline constexpr std::uint32_t kPlayerMaxWords = 256;
// The player counts a sound's reads in 16 bits: bytes, or packed words;
// from a serial memory, bytes in 24 bits.
inline constexpr std::uint32_t kMostTableReads = 65535;
inline constexpr std::uint32_t kMostSerialReads = (1u << 24) - 1;

// One sound of a bank: where its table starts, how many reads it takes and
// how many samples its last read plays (0: all of them).
struct PlayerSound {
    std::uint32_t firstWord = 0;
    std::uint32_t tableReads = 0;
    std::uint32_t lastReadSamples = 0;
};

struct PlayerSettings {
    const PicChip* chip = nullptr;
    std::uint32_t clockHz = 0;
    std::uint32_t cyclesPerSample = 0;
    PicStorage storage = PicStorage::retlw;
    std::uint32_t tableReads = 0;  // retlw bytes or packed words: 1 ... kMostTableReads
    bool twoPins = true;           // the 1.5-bit scheme drives pin B as well
    bool loop = false;             // play for ever instead of once
    PicOscillator oscillator = PicOscillator::crystal;  // internal: its frequency is set up first
    // Several sounds, each started by its trigger pin or by its number on
    // the select pins; empty: one sound of tableReads from word 256, played
    // after every reset.
    std::vector<PlayerSound> bank = {};
    PlayTrigger trigger = PlayTrigger::reset;
    // routine: ryx_play at word `org`, its variables from `ram` in bank 0,
    // playing bank[W]; it neither sets the clock up nor loops nor has pins to
    // wait for.
    PlayerForm form = PlayerForm::program;
    std::uint32_t org = 0;
    std::uint16_t ram = 0;
    // Non-null: the sound streams from this memory on the chip's memory
    // pins (the index's entry gives its length; a bank's firstWord is each
    // sound's number there) and the program has no tables.
    const SerialMemory* memory = nullptr;
    // The samples the single sound's last read plays (0: all of them).
    std::uint32_t lastReadSamples = 0;
};

// The fewest cycles per sample the player needs on the chip: its longest
// path from one sample to the next (or to the ramp down), measured on the
// code. A routine's is the longest over every clock, its ramp down's set-up
// at its longest. A PIC18's is its retlw tables', two reads a byte, whatever
// the storage.
std::uint32_t playerMinCycles(const PicChip& chip, bool loop, PicStorage storage = PicStorage::retlw,
                              PlayerForm form = PlayerForm::program);

// Labels the program carries, for readers of the source and for tests.
inline constexpr std::string_view kSampleLabel = "sample";       // the port write of every sample
inline constexpr std::string_view kRestorePageLabel = "nextbyte"; // clears PCLATH after a table read
inline constexpr std::string_view kByteDelayLabel = "bytewait";   // the wait after a byte boundary
inline constexpr std::string_view kRampLabel = "ramp";            // the ramp's entry, its plain bit
inline constexpr std::string_view kPic18TableReadLabel = "readbyte";  // a PIC18's TBLRD*+ of every byte

// The ramps at both ends: pin A alone (pin B low) plays a first-order
// sigma-delta of a 16-bit level, one bit every kRampCyclesPerBit cycles, far
// above the sample rate. The level follows a smooth S: its speed grows by
// `step` at each of `updates` updates, then falls by `step` at each of
// `updates` - 1 more, so it rises from 0 to the top (within one step) and
// never jumps. The top is pin A always high under "1.5 bit" (half the supply
// through 2R with pin B low, no ripple) and a half under "1 bit". Between
// updates `bitsPerUpdate` plain bits; every ramp bit takes the same cycles.
// The ramp down is the same S from there back to exactly 0. Both take 100 to
// 200 ms at any clock.
inline constexpr std::uint32_t kRampCyclesPerBit = 18;
struct PlayerRamp {
    std::uint32_t updates = 0;        // a power of two, at most 128
    std::uint32_t bitsPerUpdate = 0;  // 1 ... 256
    std::uint32_t step = 0;           // in 1/65536 of pin A always high
    std::uint32_t bits = 0;           // port writes of one ramp
    // Port writes after the start-up clear and before the sound's first
    // sample (the ramp's bits, then pin A high under "1.5 bit"), and after
    // the sound's last sample before both pins go low (none in a loop).
    std::uint32_t upWrites = 0;
    std::uint32_t downWrites = 0;
};
PlayerRamp playerRamp(std::uint32_t clockHz, bool twoPins, bool loop);

// Any family: a PIC18's tables hold `tableReads` bytes, packed16 (two per
// word) or retlw (the low byte of each word); its routine's ram in the
// access bank, kPic18RoutineRamLowest to kPic18RoutineRamEnd.
PicAssembly buildPlayer(const PlayerSettings& settings);

}  // namespace ryx
