#pragma once
// ryxenc --c-player: the C player's files of a run, its checks before
// anything is written, and its summary line.

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"
#include "core/ProgramState.h"
#include "core/Result.h"

#include <ostream>
#include <span>
#include <vector>

namespace ryx::cli {

// The checks that need no input: --target with --c-player, a folder for it.
Result<> checkCPlayerOptions(const CommandLine& options);

// One output per file, in the folder.
std::vector<PlannedOutput> planCPlayerOutputs(const CommandLine& options);

// The run's sounds (one, or a bank's in order): why the player cannot be
// made, before any file is written.
Result<> checkCPlayerSounds(std::span<const ProgramState* const> sounds, const CommandLine& options);

// Makes the folder when it is missing.
Result<> writeCPlayerOutput(std::span<const ProgramState* const> sounds, const CommandLine& options,
                            const PlannedOutput& output);

// --help's part on the C player: what it writes, and the lines that call it
// from a timer interrupt with XC8 on a PIC16 and on any other chip.
std::string cPlayerUsageText();

// The timer, its pitch, the player's flash and cycles on the chip.
void printCPlayerSummary(std::ostream& out, std::span<const ProgramState* const> sounds, const CommandLine& options);

}  // namespace ryx::cli
