#pragma once
// What the C player's tests share: a short tone, the player's files written
// for it, and the player run on the host.

#include "core/ProgramState.h"
#include "export/CPlayerExport.h"
#include "support/ClickMeasure.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ryx::test {

// Writes every file of the target into the folder; the settings used.
CPlayerSettings writeCPlayer(const std::filesystem::path& folder, const std::vector<const ProgramState*>& sounds,
                             const CPlayerChoice& choice);

// Compiles the folder's player with the host's C compiler (strict C99,
// warnings as errors) and the test's driver; empty and the compiler's
// messages in `problem` when it fails.
std::filesystem::path buildHostPlayer(const std::filesystem::path& folder, std::string& problem);

// The values of `ticks` ticks of `sound`, one digit each.
std::string playOnHost(const std::filesystem::path& program, unsigned sound, std::size_t ticks);

// The pins over time: from each change's time in seconds on, these pins
// (bit 0 pin A, bit 1 pin B).
using PinChanges = std::vector<std::pair<double, unsigned>>;

// The load's voltage through the drawn filter (R per pin, 2R each under
// "1.5 bit", 0.22 uF to ground, 4.7 uF in series into 10 kOhm), high-passed at
// 100 Hz as the PIC programs' click is measured: one value every `step`
// seconds up to `seconds`.
std::vector<double> filteredLoad(const PinChanges& changes, double seconds, double step, bool twoPins, double ohms);

// A command's standard output.
std::string commandOutput(const std::string& command);

}  // namespace ryx::test
