#pragma once
// A whole PIC program from the state: the player at address 0, the sound's
// retlw tables from word 256 as the assembler export lays them out, and the
// config word. Written as assembler source or as Intel HEX. Or, as a
// routine for the user's own program, the player ryx_play at an org with the
// tables after it and no vector or config word (see PicRoutineInclude.h).

#include "io/AtomicFileWriter.h"
#include "core/Result.h"
#include "core/EncodedSound.h"
#include "core/ProgramState.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"
#include "firmware/PicAssembly.h"
#include "firmware/PicChip.h"
#include "firmware/PlayTrigger.h"
#include "firmware/PlayerForm.h"
#include "firmware/PlaybackTiming.h"
#include "firmware/SerialMemory.h"
#include "firmware/SoundStorage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx {

struct PicProgramSettings {
    PicProgramSettings() = default;
    // Without a named oscillator, the one the clock means (defaultOscillator),
    // chosen here once: a later change of chip or clock does not redo it.
    PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver);
    PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver, PicOscillator chosen);
    PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver, PicOscillator chosen,
                       PicPacking packed);

    const PicChip* chip = nullptr;
    std::uint32_t clockHz = 0;  // 0: the internal oscillator's frequency
    bool loop = false;          // play for ever instead of once per reset
    PicOscillator oscillator = PicOscillator::internal;  // a crystal needs clockHz; internal, a chip with one
    PicPacking packing = PicPacking::automatic;
    PlayTrigger trigger = PlayTrigger::reset;  // pins: each sound of a bank on its trigger pin; select: by number
    // routine: ryx_play for the user's own program, at word `org` (a word
    // address on a PIC18 too: byte 2 x org), its tables right after it, its
    // variables from `ram` (in bank 0; a PIC18's in its access bank, from
    // defaultRoutineRam); the clock is the program's (the oscillator only
    // says which clock that is).
    PlayerForm form = PlayerForm::program;
    std::uint32_t org = kDefaultRoutineOrg;
    std::uint16_t ram = kDefaultRoutineRam;
    // Non-null: the sounds stream from this memory on the chip's memory pins
    // (its image written apart, see MemoryImage.h); the program holds no tables.
    const SerialMemory* memory = nullptr;
};

// Where the memory's image puts the sounds for these settings: a loop and
// a routine read each sound from one block.
ImagePlacement imagePlacementOf(const PicProgramSettings& settings);

// One sound's table in program memory; from a serial memory, its bytes there.
struct PlannedSound {
    std::uint32_t firstWord = 0;  // from a serial memory: its number in the image's index
    std::uint32_t storedSamples = 0;
    std::uint32_t tableReads = 0;
    std::uint32_t lastReadSamples = 0;  // played from the last read
    std::uint32_t tableWords = 0;
};

struct PicProgramPlan {
    std::uint32_t clockHz = 0;
    PicOscillator oscillator = PicOscillator::internal;
    PlaybackTiming timing;
    std::uint32_t minCycles = 0;  // the fewest cycles per sample the player takes (a memory's: its bus reads counted)
    PicStorage storage = PicStorage::retlw;
    std::uint32_t storedSamples = 0;  // the samples played: every encoded one
    std::uint32_t tableReads = 0;     // retlw bytes, packed words or PIC18 bytes, the last padded
    std::uint32_t tableWords = 0;
    std::uint32_t playerWords = 0;
    std::uint32_t usedWords = 0;  // the block of the player and the tables (a routine's from its org)
    std::uint32_t totalWords = 0;
    std::vector<PlannedSound> sounds;  // the tables one after another; the figures above are the first's
};

// Samples of the longest sound the chip holds: each table word after the
// player's words keeps eight of them in one retlw, or 14 or 16 packed.
std::uint32_t picSampleCapacity(const PicChip& chip, PicPacking packing = PicPacking::automatic);

// The samples of one sound the player reads from a serial memory: it counts
// the sound's bytes in 24 bits (more than the largest memory holds).
inline constexpr std::uint32_t kMostSerialSoundSamples = 8 * ((1u << 24) - 1);

// The lowest rate the fit proposes: below it a sound is not worth playing.
inline constexpr std::uint32_t kLowestFitRate = 1000;
// The highest whole rate at which a sound of `frames` frames at `frameRate`
// (its duration) fits the chip: capacity / duration, rounded down, never
// below kLowestFitRate. Any rate fits an empty sound: the largest number then.
std::uint32_t highestFittingRate(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate,
                                 PicPacking packing = PicPacking::automatic);
// The same for a room of `capacity` samples.
std::uint32_t highestFittingRate(std::uint64_t capacity, std::uint64_t frames, std::uint32_t frameRate);

// Below this rate nothing above 4 kHz survives, and speech loses the sounds
// that tell its words apart.
inline constexpr std::uint32_t kLowestSpeechRate = 8000;

// The fewest and most cycles per sample the chip's player takes (the PIC18
// player is its own).
std::uint32_t playerMinCyclesFor(const PicChip& chip, bool loop, PicStorage storage,
                                 PlayerForm form = PlayerForm::program);
std::uint32_t playerMaxCyclesFor(const PicChip& chip);

// The routine's first file register unless told: kDefaultRoutineRam, on a
// PIC18 kDefaultPic18RoutineRam.
std::uint16_t defaultRoutineRam(const PicChip& chip);

// Why the routine's file registers cannot start at `ram` on the chip, and
// which addresses can.
std::string routineRamRefusal(const PicChip& chip, std::uint32_t ram);

// Checks chip, oscillator, clock, rate and fit (a routine: its org and ram
// too); says why not, and what would help.
Result<PicProgramPlan> planPicProgram(const ProgramState& state, const PicProgramSettings& settings);

// A bank: several sounds of one rate and scheme in one program, in order.
// Says which sound does not fit, and refuses rates that differ.
using SoundBank = std::span<const ProgramState* const>;
Result<PicProgramPlan> planPicBank(SoundBank sounds, const PicProgramSettings& settings);
// The same for sounds of any length (EncodedSound.h): each of a memory's or
// a PIC18's as long as it holds. Every function taking a SoundBank takes one.
using EncodedBank = std::span<const EncodedSound>;
Result<PicProgramPlan> planPicBank(EncodedBank sounds, const PicProgramSettings& settings);

// The samples the tables of these sounds have room for together in a program
// of these settings played at `rate`: each word from the first table's (256,
// or past a longer player; a routine's right after its own length at its org,
// which the rate changes a little) to the end of the chip's memory holds 8,
// 14 or 16, less what each table but the last may leave of its last word.
// The refusal when no such program can be made of them for another reason.
Result<std::uint32_t> picBankCapacity(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate);
Result<std::uint32_t> picBankCapacity(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate);

// The highest whole rate, from kLowestFitRate up to the sounds' own, at which
// they fit a program of these settings once made again at it (each as long
// in time); 0 when none does, or no program of these settings can be made.
std::uint32_t highestBankRate(SoundBank sounds, const PicProgramSettings& settings);
std::uint32_t highestBankRate(EncodedBank sounds, const PicProgramSettings& settings);

// The chips with the fewest words whose program of these settings (on the
// chip's own oscillator unless a clock is given) has room for `samples`
// samples of these sounds at `rate`; empty when none has.
std::vector<const PicChip*> smallestChipsFor(SoundBank sounds, const PicProgramSettings& settings,
                                             std::uint64_t samples, std::uint32_t rate);

// What playing at `rate`, below kLowestSpeechRate, loses, and the smallest
// chips that hold `speechRateSamples` of these sounds at kLowestSpeechRate
// (with no sounds, a single sound's whole table room on each chip).
std::string lowRateNotice(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                          std::uint64_t speechRateSamples);
// (Named apart: lowRateNotice({}, ...) asks for no sounds.)
std::string lowRateNoticeOf(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                          std::uint64_t speechRateSamples);

struct PicProgram {
    PicProgramPlan plan;
    PicAssembly player;
    std::vector<ProgramWords> memory;  // player, tables, config words (none for a routine), by address
};

// The plan's refusal when it cannot be made.
Result<PicProgram> buildPicProgram(const ProgramState& state, const PicProgramSettings& settings);
Result<PicProgram> buildPicBank(SoundBank sounds, const PicProgramSettings& settings);
Result<PicProgram> buildPicBank(EncodedBank sounds, const PicProgramSettings& settings);

// The program's Intel HEX text; the plan's refusal when it cannot be made.
Result<std::string> picProgramHex(const ProgramState& state, const PicProgramSettings& settings);

// Write the file whole or not at all; a refused plan writes nothing.
Result<> writePicHex(const ProgramState& state, const PicProgramSettings& settings,
                            const OutputTarget& target);
Result<> writePicAssembler(const ProgramState& state, const PicProgramSettings& settings,
                                  const OutputTarget& target);
Result<> writePicBankHex(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target);
Result<> writePicBankAssembler(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target);
Result<> writePicBankHex(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target);
Result<> writePicBankAssembler(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target);

// The comment lines that draw the pins' resistors and the capacitor: under
// the circuit model the parts it modelled, else the classic R and 0.22 uF.
void writePicCircuitComment(TextChunkWriter& out, const PicChip& chip, const ProgramState& state);
void writePicCircuitComment(TextChunkWriter& out, const PicChip& chip, const EncodedSound& sound);

// "4000000 Hz", "8000.000 Hz", "+0.016 %": numbers as the program texts show them.
std::string formatFixed(double value, int decimals, bool withSign = false);
// "0x3F20": a word or an address as the program texts show it.
std::string formatHexWord(std::uint32_t value);

}  // namespace ryx
