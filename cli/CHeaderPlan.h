#pragma once
// The names a run's C header gives, from the command line alone, so that they
// are known and checked before anything is read or written: the bank's table
// (none for one sound without --bank) and each input's array.

#include "cli/CommandLine.h"
#include "core/ProgramState.h"
#include "core/Result.h"
#include "export/CHeaderExport.h"

#include <span>
#include <string>
#include <vector>

namespace ryx::cli {

struct CHeaderPlan {
    std::string bank;                 // empty: one sound, no table
    std::vector<CHeaderName> sounds;  // one for each input, in order
};

CHeaderPlan planCHeaderNames(const CommandLine& options);

// The header's sounds as planned: `states` holds the inputs' encoded sounds in order.
std::vector<CHeaderSound> cHeaderSounds(const CHeaderPlan& plan, std::span<const ProgramState* const> states,
                                        const CommandLine& options);

}  // namespace ryx::cli
