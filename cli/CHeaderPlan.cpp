#include "cli/CHeaderPlan.h"

#include "cli/OutputPlan.h"

#include <filesystem>

namespace ryx::cli {
namespace {

constexpr std::string_view kDefaultBankName = "sounds";

std::string baseNameOf(const std::string& input) {
    return input == "-" ? std::string() : std::filesystem::path(input).stem().string();
}

}  // namespace

CHeaderPlan planCHeaderNames(const CommandLine& options) {
    CHeaderPlan plan;
    // A name given for one sound is its array's; the command line has checked it.
    if (!options.bank && !options.cName.empty()) {
        plan.sounds.push_back({options.cName, {}});
        return plan;
    }
    if (options.bank) plan.bank = options.cName.empty() ? std::string(kDefaultBankName) : options.cName;
    std::vector<std::string> baseNames;
    for (const std::string& input : options.inputs) baseNames.push_back(baseNameOf(input));
    plan.sounds = nameCHeaderSounds(baseNames, plan.bank);
    return plan;
}

std::vector<CHeaderSound> cHeaderSounds(const CHeaderPlan& plan, std::span<const ProgramState* const> states,
                                        const CommandLine& options) {
    std::vector<CHeaderSound> sounds;
    for (std::size_t k = 0; k < states.size() && k < plan.sounds.size(); ++k) {
        sounds.push_back({states[k], plan.sounds[k].name, shownInputName(options.inputs[k])});
    }
    return sounds;
}

}  // namespace ryx::cli
