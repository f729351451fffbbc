#include "cli/EncodeBank.h"

#include "cli/CHeaderPlan.h"
#include "cli/CPlayerOutput.h"
#include "cli/CircuitText.h"
#include "cli/EncodeInput.h"
#include "cli/MemoryImageOutput.h"
#include "cli/StateStorage.h"
#include "core/ListSelection.h"
#include "core/SettingComparison.h"
#include "export/CHeaderExport.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>

namespace ryx::cli {
namespace {

// The program and the image from the sounds as the writers take them (whole when long).
Result<> writeBankFile(const std::vector<const ProgramState*>& sounds, const std::vector<EncodedSound>& whole,
                       const CommandLine& options, const CHeaderPlan& names, const PlannedOutput& output) {
    const PicProgramSettings settings = programSettingsOf(options);
    switch (output.kind) {
    case OutputKind::picHex: return writePicBankHex(whole, settings, output.target);
    case OutputKind::picProgram: return writePicBankAssembler(whole, settings, output.target);
    case OutputKind::picInclude: return writePicRoutineInclude(whole, settings, output.target);
    case OutputKind::memoryImage: return writeImageFile(whole, settings, output.target);
    case OutputKind::cHeader: return exportCHeader(cHeaderSounds(names, sounds, options), names.bank, output.target);
    case OutputKind::cPlayerHeader:
    case OutputKind::cPlayerSource:
    case OutputKind::cPlayerSounds:
    case OutputKind::cPlayerMain: return writeCPlayerOutput(sounds, options, output);
    default: return Result<>::failure("a bank writes no such file");
    }
}

// One fineness for every sound: with -f auto the one under which the sound
// it suits least sounds best (by the low-passed SNR; ties to the larger).
void encodeBankSounds(const std::vector<ProgramState*>& states, const CommandLine& options) {
    CommandLine chosen = options;
    if (options.autoFineness) {
        const EncoderChoice choice = options.optimal ? EncoderChoice::optimal : EncoderChoice::greedy;
        std::vector<std::unique_ptr<TrialEncoder>> trials;
        for (const ProgramState* state : states) trials.push_back(std::make_unique<TrialEncoder>(*state));
        double bestWorst = 0;
        for (const FinenessEntry& entry : fineTable) {
            double worst = std::numeric_limits<double>::infinity();
            for (const auto& trial : trials) {
                worst = std::min(worst, trial->measure(options.algorithmType, entry.fineness, choice).lowPassSnrDb);
            }
            if (entry.fineness == fineTable.front().fineness || worst >= bestWorst) {
                bestWorst = worst;
                chosen.fineness = entry.fineness;
            }
        }
        chosen.autoFineness = false;
    }
    for (ProgramState* state : states) {
        state->encoder.fineness = chosen.fineness;
        encodeLoaded(*state, chosen);
    }
}

}  // namespace

int encodeBank(const CommandLine& options, const PlannedInput& files, std::ostream& out, std::ostream& err) {
    std::vector<std::unique_ptr<StateStorage>> storage;
    std::vector<ProgramState*> states;
    for (std::size_t k = 0; k < options.inputs.size(); ++k) {
        storage.push_back(std::make_unique<StateStorage>());
        states.push_back(&storage.back()->state());
    }
    LoadedSounds loaded = loadSounds(states, options, options.inputs);
    if (!loaded.refusal.empty()) {
        printInputProblem(err, shownInputName(options.inputs[loaded.refusedInput]),
                          loaded.refusal + "; the bank was not written");
        return kExitRefused;
    }
    for (std::size_t k = 0; k < states.size(); ++k) {
        for (const std::string& warning : loaded.warnings[k]) {
            printInputProblem(err, shownInputName(options.inputs[k]), "warning: " + warning);
        }
    }
    if (!loaded.fitNotice.empty()) printInputProblem(err, {}, "warning: " + loaded.fitNotice);
    encodeBankSounds(states, options);
    const std::vector<const ProgramState*> sounds(states.begin(), states.end());
    const Result<std::vector<EncodedSound>> whole = programSounds(states, loaded, options);
    if (!whole) {
        printInputProblem(err, {}, whole.error() + "; nothing was written");
        return kExitRefused;
    }
    std::optional<PicProgramPlan> plan;
    if (options.namesAProgram()) {
        Result<PicProgramPlan> planned = planPicBank(*whole, programSettingsOf(options));
        if (!planned) {
            printInputProblem(err, {}, planned.error() + "; nothing was written");
            return kExitRefused;
        }
        plan = *planned;
    }
    const CHeaderPlan names = planCHeaderNames(options);
    const bool writesHeader = writesCHeader(files);
    if (writesHeader) {
        if (const Result<> header = checkCHeader(cHeaderSounds(names, sounds, options), names.bank); !header) {
            printInputProblem(err, {}, header.error() + "; nothing was written");
            return kExitRefused;
        }
    }
    if (const Result<> player = checkCPlayerSounds(sounds, options); !player) {
        printInputProblem(err, {}, player.error() + "; nothing was written");
        return kExitRefused;
    }
    std::string failures;
    for (const PlannedOutput& output : files.outputs) {
        if (const Result<> written = writeBankFile(sounds, *whole, options, names, output); !written) {
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
        text << "sound " << k + 1 << ": " << shownInputName(options.inputs[k]) << ", " << (*whole)[k].encoder.sampleCount
             << " samples, " << encoder.sampleRate << " Hz, " << schemeItemText(encoder.algorithmType) << ", "
             << finenessItemText(encoder.fineness);
        if (sounds[k]->filterModel == FilterModelChoice::circuit) text << ", " << circuitSummaryText(*sounds[k]);
        if (plan && settings.form == PlayerForm::routine) {
            text << ", W = " << k;
        } else if (plan && settings.trigger == PlayTrigger::pins) {
            text << ", on " << pinLabel(settings.chip->triggerPins[k].pin);
        } else if (plan && settings.trigger == PlayTrigger::select) {
            text << ", number " << k;
        }
        if (writesHeader && !names.sounds[k].change.empty()) {
            text << ", C array " << names.sounds[k].name << " (" << names.sounds[k].change << ")";
        }
        const std::string held =
            heldSamplesText(files.outputs, encodedSampleCount(encoder), plan ? plan->sounds[k].storedSamples : 0);
        if (!held.empty()) text << "; " << held;
        text << '\n';
        printOutputLevel(text, *sounds[k]);
    }
    text << "bank of " << sounds.size() << (sounds.size() == 1 ? " sound" : " sounds");
    if (options.fit) text << " at " << sounds.front()->encoder.sampleRate << " Hz (fit to " << fitTargetName(settings) << ")";
    if (options.autoFineness) text << ", " << finenessItemText(sounds.front()->encoder.fineness) << " (best of all finenesses, by the weakest sound)";
    text << " ->";
    const char* separator = " ";
    for (const PlannedOutput& output : files.outputs) {
        text << separator << output.target.shownName();
        separator = ", ";
    }
    text << '\n';
    if (plan) printProgramSummary(text, settings, *plan);
    if (plan && !options.imageFile.empty()) {
        printImageSummary(text, *whole, settings, *plan, targetName(files, OutputKind::memoryImage));
    }
    if (!options.cPlayerFolder.empty()) printCPlayerSummary(text, sounds, options);
    return kExitOk;
}

}  // namespace ryx::cli
