#pragma once
// One input of ryxenc: read, loaded by the window's reader, encoded with the
// chosen settings, and written to its planned files.

#include "cli/CommandLine.h"
#include "cli/InputBytes.h"
#include "cli/LongSounds.h"
#include "cli/OutputPlan.h"
#include "core/ProgramState.h"
#include "core/Result.h"
#include "firmware/PicProgram.h"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ryx::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWriteFailed = 3;

// Loads, encodes and writes one input; errors and warnings go to err as
// "ryxenc: NAME: MESSAGE", the summary line to out unless quiet (to err when
// an output is the standard output). A PIC program that cannot be made
// refuses the input before any of its files is written. Returns kExitOk,
// kExitRefused or kExitWriteFailed.
int encodeInput(ProgramState& state, const CommandLine& options, const PlannedInput& input,
                std::ostream& out, std::ostream& err);

// What a load warns of: none, one or more lines.
using Warnings = std::vector<std::string>;

struct LoadedSounds {
    std::vector<Warnings> warnings;  // each input's
    std::vector<LongSound> longSounds;  // when playsLongSounds: each input's whole sound
    std::string fitNotice;           // see lowFitNotice
    std::string refusal;             // empty when every input loaded
    std::size_t refusedInput = 0;
};

// The inputs of one program (one input, or a bank's every input) read and
// loaded with the chosen settings into `states`, in order; with --fit
// imported again, all at one rate, at the highest rate up to --rate at which
// their program fits the chip. The first input that cannot be loaded ends it.
LoadedSounds loadSounds(std::span<ProgramState* const> states, const CommandLine& options,
                        std::span<const std::string> inputs);
// Loads an 8-bit mono WAV input whose first bytes (kLongestUsefulWave of a
// longer one) these are; warns of what the window's limit cuts.
Result<Warnings> loadWaveInput(ProgramState& state, const InputBytes& read);
// The sounds the program writers take: the states', or with long sounds
// (encoded whole, see LongSounds.h) theirs; the refusal of an encode.
Result<std::vector<EncodedSound>> programSounds(std::span<ProgramState* const> states, LoadedSounds& loaded,
                                                const CommandLine& options);
// Encodes a loaded sound with the chosen settings (-f auto: its own best fineness).
void encodeLoaded(ProgramState& state, const CommandLine& options);
PicProgramSettings programSettingsOf(const CommandLine& options);
bool writesCHeader(const PlannedInput& input);
// "encoded samples held (of N): FILE n, FILE m...": what each output holds of a
// sound when they differ (the assembler and binary files whole bytes, a PIC
// program `programSamples`, the C header all), empty when they do not.
std::string heldSamplesText(const std::vector<PlannedOutput>& outputs, std::uint32_t encoded,
                            std::uint32_t programSamples);
// "  16F628A at 4000000 Hz: 263 cycles per sample, 3802.281 Hz (pitch ...": the
// chip's line of a summary, for one sound or a bank.
void printProgramSummary(std::ostream& out, const PicProgramSettings& settings, const PicProgramPlan& plan);
// "  output: 0.21 V rms (-13.6 dBV) on a 5 V supply": what the amplifier gets.
void printOutputLevel(std::ostream& out, const ProgramState& state);
// "ryxenc: NAME: MESSAGE", NAME left out when empty.
void printInputProblem(std::ostream& err, std::string_view name, std::string_view message);

}  // namespace ryx::cli
