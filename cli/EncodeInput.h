#pragma once
// One input of ryxenc: read, loaded by the window's reader, encoded with the
// chosen settings, and written to its planned files.

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"
#include "core/ProgramState.h"
#include "core/Result.h"
#include "firmware/PicProgram.h"

#include <cstdint>
#include <ostream>
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

// The steps a bank takes for each of its sounds: read, load and encode with
// the chosen settings; the warnings, or why not.
Result<std::vector<std::string>> loadAndEncode(ProgramState& state, const CommandLine& options,
                                               const std::string& input);
PicProgramSettings programSettingsOf(const CommandLine& options);
bool writesCHeader(const PlannedInput& input);
// "encoded samples held (of N): FILE n, FILE m...": what each output holds of a
// sound when they differ (the assembler and binary files whole bytes, a PIC
// program `programSamples`, the C header all), empty when they do not.
std::string heldSamplesText(const std::vector<PlannedOutput>& outputs, std::uint32_t encoded,
                            std::uint32_t programSamples);
// "ryxenc: NAME: MESSAGE", NAME left out when empty.
void printInputProblem(std::ostream& err, std::string_view name, std::string_view message);

}  // namespace ryx::cli
