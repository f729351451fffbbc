#pragma once
// Checks a plan of ryxenc's outputs against what the system says the names
// are, found another way than the plan finds them.

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"

namespace ryx::fuzz {

// Every input listed with the outputs its options ask for; without a
// conflict, no two outputs one file and no output an input.
void checkOutputPlan(const cli::CommandLine& options, const Result<cli::OutputPlan>& planned);

}  // namespace ryx::fuzz
