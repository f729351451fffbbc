// ryxenc: the command-line twin of the window, for firmware builds and batch work.

#include "cli/CommandLine.h"
#include "cli/EncodeBank.h"
#include "cli/EncodeInput.h"
#include "cli/MemoryListText.h"
#include "cli/OutputPlan.h"
#include "cli/StateStorage.h"
#include "cli/UsageText.h"
#include "core/ProductInfo.h"
#include "core/ProgramState.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <span>

int main(int argc, char** argv) {
    using namespace ryx::cli;

    const ryx::Result<CommandLine> parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed) {
        std::cerr << "ryxenc: " << parsed.error() << '\n' << kShortUsageText;
        return kExitUsage;
    }
    const CommandLine& options = *parsed;
    if (options.help) {
        std::cout << usageText();
        return kExitOk;
    }
    if (options.listChips) {
        std::cout << chipListText();
        return kExitOk;
    }
    if (options.listMemories) {
        std::cout << memoryListText();
        return kExitOk;
    }
    if (options.version) {
        std::cout << "ryxenc (" << ryx::kProductName << ") " << ryx::kVersionText << '\n';
        return kExitOk;
    }

    // Nothing is written unless every output of the run is safe to write.
    const ryx::Result<OutputPlan> plan = planOutputs(options);
    if (!plan) {
        std::cerr << "ryxenc: " << plan.error() << "; nothing was written\n";
        return kExitWriteFailed;
    }

    // Every open starts with a reset, so the state needs none here.
    StateStorage storage;
    ryx::ProgramState& state = storage.state();

    int status = kExitOk;
    if (options.bank) status = encodeBank(options, plan->inputs.front(), std::cout, std::cerr);
    for (const PlannedInput& input : options.bank ? std::span<const PlannedInput>() : plan->inputs) {
        status = std::max(status, encodeInput(state, options, input, std::cout, std::cerr));
    }
    // A summary that could not be printed (a full disk behind a redirection) is a failed output too.
    if (!std::cout.flush()) {
        std::cerr << "ryxenc: standard output: write error\n";
        status = std::max(status, kExitWriteFailed);
    }
    return status;
}
