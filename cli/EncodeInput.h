#pragma once
// One input of ryxenc: read by the window's reader, encoded with the chosen
// settings, and written to the requested files.

#include "cli/CommandLine.h"
#include "core/ProgramState.h"

#include <filesystem>
#include <ostream>
#include <string>

namespace ryx::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWriteFailed = 3;

// The default assembler file: beside the input, its extension replaced by .asm.
std::filesystem::path defaultAssemblerPath(const std::string& input);

// Loads, encodes and writes one input; errors go to err as "ryxenc: NAME: MESSAGE",
// the summary line to out unless quiet. Returns kExitOk, kExitRefused or kExitWriteFailed.
int encodeInput(ProgramState& state, const CommandLine& options, const std::string& input,
                std::ostream& out, std::ostream& err);

}  // namespace ryx::cli
