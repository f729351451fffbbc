#pragma once
// ryxenc --bank: every input read, loaded and encoded with the same settings,
// then one PIC program or one C header holding them all, in order.

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"

#include <ostream>

namespace ryx::cli {

// Refuses the whole bank, writing nothing, when any input cannot be loaded
// or the program cannot be made. Returns kExitOk, kExitRefused or
// kExitWriteFailed.
int encodeBank(const CommandLine& options, const PlannedInput& files, std::ostream& out, std::ostream& err);

}  // namespace ryx::cli
