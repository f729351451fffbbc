#include "cli/EncodeInput.h"

#include "cli/InputBytes.h"
#include "cli/QualityReport.h"
#include "cli/QuietStandardError.h"
#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "io/PreviewFile.h"
#include "core/SettingComparison.h"
#include "formats/WaveHeader.h"
#include "formats/WaveLoad.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "firmware/PicProgram.h"
#include "import/ImportOptions.h"
#include "import/SoundDecoder.h"
#include "import/SoundImport.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace ryx::cli {
namespace {

// An imported input is read whole, up to this much; the decoder stops at six
// minutes of sound anyway.
constexpr std::size_t kLongestImportedInput = std::size_t{256} << 20;

// Imports the whole input; a warning tells what was cut. Returns whether it was imported.
bool importInput(ProgramState& state, const CommandLine& options, const std::string& shown,
                 const InputBytes& read, std::ostream& err) {
    const Result<ImportReport> imported = [&] {
        const QuietStandardError quiet;  // the MP3 decoder's own notes
        return importSoundBytes(state, read.bytes, {*options.importRate, options.normalize, options.trim});
    }();
    if (!imported.ok()) {
        err << shown << "cannot import this sound: " << imported.error() << '\n';
        return false;
    }
    if (imported->cutSamples > 0) err << shown << "warning: " << cutNotice(*imported) << '\n';
    return true;
}

PicProgramSettings programSettings(const CommandLine& options) {
    return {findPicChip(options.chipName), options.clockHz, options.loop};
}

Result<> writeOutput(const ProgramState& state, const CommandLine& options, const PlannedOutput& output) {
    switch (output.kind) {
    case OutputKind::assembler: return exportAssembler(state, output.target);
    case OutputKind::binary: return exportBinary(state, output.target);
    case OutputKind::decodedWav: return writePreviewFile(state, PreviewMode::decodedSound, output.target);
    case OutputKind::originalWav: return writePreviewFile(state, PreviewMode::originalSound, output.target);
    case OutputKind::picHex: return writePicHex(state, programSettings(options), output.target);
    case OutputKind::picProgram: return writePicAssembler(state, programSettings(options), output.target);
    }
    return Result<>::failure("unknown output");
}

void printProgramSummary(std::ostream& out, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    out << "  " << settings.chip->name << " at " << plan.clockHz << " Hz: " << plan.timing.cyclesPerSample
        << " cycles per sample, " << formatFixed(plan.timing.playbackRate, 3) << " Hz (pitch "
        << formatFixed(plan.timing.pitchErrorPercent, 3, true) << " %), " << plan.usedWords << " of "
        << plan.totalWords << " words, " << (settings.loop ? "looping" : "once per reset") << '\n';
}

bool isProgram(const PlannedOutput& output) {
    return output.kind == OutputKind::picHex || output.kind == OutputKind::picProgram;
}

void printSummary(std::ostream& out, const ProgramState& state, const CommandLine& options,
                  const PlannedInput& input) {
    const EncoderState& encoder = state.encoder;
    const bool oneAndHalf = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out << shownInputName(input.name) << ": " << encoder.sampleCount << " samples, " << encoder.sampleRate << " Hz, "
        << schemeItemText(encoder.algorithmType) << ", " << finenessItemText(encoder.fineness)
        << (options.autoFineness ? " (best of all finenesses)" : "") << (options.optimal ? ", optimal" : "") << ", R = "
        << encoder.resistorOhms << " ohms";
    if (oneAndHalf) out << ", each 2R = " << 2 * std::int64_t{encoder.resistorOhms} << " ohms";
    out << " ->";
    const char* separator = " ";
    for (const PlannedOutput& output : input.outputs) {
        out << separator << output.target.shownName();
        if (!output.target.isStandardOutput()) {
            std::error_code error;
            const auto bytes = std::filesystem::file_size(output.target.path(), error);
            out << " (" << (error ? 0 : bytes) << " bytes)";
        }
        separator = ", ";
    }
    out << '\n';
}

}  // namespace

int encodeInput(ProgramState& state, const CommandLine& options, const PlannedInput& input,
                std::ostream& out, std::ostream& err) {
    const std::string shown = "ryxenc: " + shownInputName(input.name) + ": ";
    state.encoder.algorithmType = options.algorithmType;
    state.encoder.fineness = options.fineness;
    const EncoderChoice choice = options.optimal ? EncoderChoice::optimal : EncoderChoice::greedy;
    // A WAV input goes straight into the sample buffer, where the load takes it from.
    const InputBytes read =
        options.importRate ? readInputBytes(input.name, kLongestImportedInput)
                           : readInputBytes(input.name, kLongestUsefulWave, state.origSamples);
    if (!read.failure.empty()) {
        // Whatever part was read is no sound: back to the empty one.
        if (!options.importRate) resetSound(state);
        err << shown << kCannotOpenMessage << " (" << read.failure << ")\n";
        return kExitRefused;
    }
    if (options.importRate) {
        if (!importInput(state, options, shown, read, err)) return kExitRefused;
    } else {
        // Asked before the load, which resets the buffer the bytes are in.
        const bool readableSound = !waveSampleRate(read.bytes) && [&read] {
            const QuietStandardError quiet;
            return isReadableSound(read.bytes);
        }();
        if (const Result<> loaded = loadWaveBytes(state, read.bytes); !loaded) {
            err << shown << loaded.error() << '\n';
            if (readableSound) err << shown << "use --rate " << kDefaultImportRate << " to convert this sound\n";
            return kExitRefused;
        }
        if (read.length > kLongestUsefulWave) {
            err << shown << "warning: the sound has " << read.length - kWaveHeaderSize << " samples; kept the first "
                << kMaxSamples << ", dropped " << read.length - kLongestUsefulWave << '\n';
        }
    }
    if (options.compare) {
        state.encoderChoice = EncoderChoice::greedy;
        printComparison(out, shownInputName(input.name), state, choice, compareSettings(state, choice));
        return kExitOk;
    }
    if (options.autoFineness) state.encoder.fineness = chooseFineness(state, choice);
    state.encoderChoice = choice;

    encodeSound(state);

    bool toStandardOutput = false;
    for (const PlannedOutput& output : input.outputs) toStandardOutput = toStandardOutput || output.target.isStandardOutput();
    // Text never goes into a file written to the standard output.
    std::ostream& text = toStandardOutput ? err : out;
    if (options.report) printQualityLine(text, shownInputName(input.name), measureEncoded(state));

    int status = kExitOk;
    // A program that cannot be made is refused before anything is written.
    Result<PicProgramPlan> plan = PicProgramPlan{};
    if (options.namesAProgram()) {
        plan = planPicProgram(state, programSettings(options));
        if (!plan) {
            err << shown << plan.error() << '\n';
            status = kExitRefused;
        }
    }
    for (const PlannedOutput& output : input.outputs) {
        if (isProgram(output) && !plan.ok()) continue;
        if (Result<> result = writeOutput(state, options, output); !result) {
            err << "ryxenc: " << result.error() << '\n';
            status = kExitWriteFailed;
        }
    }
    if (status == kExitOk && !options.quiet) {
        printSummary(text, state, options, input);
        if (options.namesAProgram()) printProgramSummary(text, programSettings(options), *plan);
    }
    return status;
}

}  // namespace ryx::cli
