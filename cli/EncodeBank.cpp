#include "cli/EncodeBank.h"

#include "cli/CPlayerOutput.h"
#include "cli/EncodeInput.h"
#include "cli/StateStorage.h"
#include "core/ListSelection.h"
#include "export/CHeaderExport.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace ryx::cli {
namespace {

constexpr std::string_view kDefaultBankName = "sounds";

std::string soundName(const std::string& input) {
    return cIdentifierFor(input == "-" ? std::string() : std::filesystem::path(input).stem().string());
}

Result<> writeBankFile(const std::vector<const ProgramState*>& sounds, const CommandLine& options,
                       const PlannedOutput& output) {
    const PicProgramSettings settings = programSettingsOf(options);
    switch (output.kind) {
    case OutputKind::picHex: return writePicBankHex(sounds, settings, output.target);
    case OutputKind::picProgram: return writePicBankAssembler(sounds, settings, output.target);
    case OutputKind::picInclude: return writePicRoutineInclude(sounds, settings, output.target);
    case OutputKind::cHeader: {
        std::vector<CHeaderSound> named;
        for (std::size_t k = 0; k < sounds.size(); ++k) {
            const std::string& input = options.inputs[k];
            named.push_back({sounds[k], soundName(input), shownInputName(input)});
        }
        return exportCHeader(named, options.cName.empty() ? kDefaultBankName : options.cName, output.target);
    }
    case OutputKind::cPlayerHeader:
    case OutputKind::cPlayerSource:
    case OutputKind::cPlayerSounds:
    case OutputKind::cPlayerMain: return writeCPlayerOutput(sounds, options, output);
    default: return Result<>::failure("a bank writes no such file");
    }
}

}  // namespace

int encodeBank(const CommandLine& options, const PlannedInput& files, std::ostream& out, std::ostream& err) {
    std::vector<std::unique_ptr<StateStorage>> storage;
    std::vector<const ProgramState*> sounds;
    for (const std::string& input : options.inputs) {
        storage.push_back(std::make_unique<StateStorage>());
        ProgramState& state = storage.back()->state();
        const Result<std::vector<std::string>> loaded = loadAndEncode(state, options, input);
        if (!loaded) {
            printInputProblem(err, shownInputName(input), loaded.error() + "; the bank was not written");
            return kExitRefused;
        }
        for (const std::string& warning : *loaded) printInputProblem(err, shownInputName(input), "warning: " + warning);
        sounds.push_back(&state);
    }
    std::optional<PicProgramPlan> plan;
    if (options.namesAProgram()) {
        Result<PicProgramPlan> planned = planPicBank(sounds, programSettingsOf(options));
        if (!planned) {
            printInputProblem(err, {}, planned.error() + "; nothing was written");
            return kExitRefused;
        }
        plan = *planned;
    }
    if (const Result<> player = checkCPlayerSounds(sounds, options); !player) {
        printInputProblem(err, {}, player.error() + "; nothing was written");
        return kExitRefused;
    }
    std::string failures;
    for (const PlannedOutput& output : files.outputs) {
        if (const Result<> written = writeBankFile(sounds, options, output); !written) {
            failures += (failures.empty() ? "" : "\n") + written.error();
        }
    }
    if (!failures.empty()) {
        printInputProblem(err, {}, failures);
        return kExitWriteFailed;
    }
    if (options.quiet) return kExitOk;
    bool toStandardOutput = false;
    for (const PlannedOutput& output : files.outputs) toStandardOutput = toStandardOutput || output.target.isStandardOutput();
    std::ostream& text = toStandardOutput ? err : out;
    const PicProgramSettings settings = programSettingsOf(options);
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        const EncoderState& encoder = sounds[k]->encoder;
        text << "sound " << k + 1 << ": " << shownInputName(options.inputs[k]) << ", " << encoder.sampleCount
             << " samples, " << encoder.sampleRate << " Hz, " << schemeItemText(encoder.algorithmType) << ", "
             << finenessItemText(encoder.fineness);
        if (plan && settings.form == PlayerForm::routine) {
            text << ", W = " << k;
        } else if (plan && settings.trigger == PlayTrigger::pins) {
            text << ", on " << pinLabel(settings.chip->triggerPins[k].pin);
        } else if (plan && settings.trigger == PlayTrigger::select) {
            text << ", number " << k;
        }
        text << '\n';
    }
    text << "bank of " << sounds.size() << " sounds ->";
    const char* separator = " ";
    for (const PlannedOutput& output : files.outputs) {
        text << separator << output.target.shownName();
        separator = ", ";
    }
    text << '\n';
    if (plan) {
        text << "  " << settings.chip->name << " at " << plan->clockHz << " Hz: " << plan->timing.cyclesPerSample
             << " cycles per sample, " << plan->usedWords << " of " << plan->totalWords << " words\n";
    }
    if (!options.cPlayerFolder.empty()) printCPlayerSummary(text, sounds, options);
    return kExitOk;
}

}  // namespace ryx::cli
