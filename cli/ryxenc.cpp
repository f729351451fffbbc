// ryxenc: the command-line twin of the window, for firmware builds and batch work.

#include "cli/CommandLine.h"
#include "cli/EncodeInput.h"
#include "cli/PrivateDirectory.h"
#include "core/ProductInfo.h"
#include "core/ProgramState.h"

#include <algorithm>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    using namespace ryx::cli;

    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.usageError.empty()) {
        std::cerr << "ryxenc: " << parsed.usageError << '\n' << kShortUsageText;
        return kExitUsage;
    }
    const CommandLine& options = parsed.options;
    if (options.help) {
        std::cout << kUsageText;
        return kExitOk;
    }
    if (options.version) {
        std::cout << "ryxenc (" << ryx::kProductName << ") " << ryx::kVersionText << '\n';
        return kExitOk;
    }

    // The reader always writes both preview files; here they go to a private
    // folder that disappears at the end.
    PrivateDirectory previews;
    if (!previews.ok()) {
        std::cerr << "ryxenc: " << previews.error() << '\n';
        return kExitWriteFailed;
    }
    auto state = std::make_unique<ryx::ProgramState>();
    state->previewDirectory = previews.path().string();
    ryx::resetSound(*state);

    int status = kExitOk;
    for (const std::string& input : options.inputs) {
        status = std::max(status, encodeInput(*state, options, input, std::cout, std::cerr));
    }
    std::cout.flush();
    return status;
}
