#include "cli/EncodeInput.h"

#include "cli/CPlayerOutput.h"
#include "cli/CircuitText.h"
#include "cli/InputBytes.h"
#include "cli/QualityReport.h"
#include "cli/QuietStandardError.h"
#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "core/SettingComparison.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "export/CHeaderExport.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"
#include "formats/WaveHeader.h"
#include "formats/WaveLoad.h"
#include "import/ImportOptions.h"
#include "import/SoundDecoder.h"
#include "import/SoundImport.h"
#include "io/PreviewFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

namespace ryx::cli {
namespace {

// An imported pipe or standard input is read whole, up to this much; the
// decoder stops at six minutes of sound anyway. A regular file is decoded by
// its name, as the window does, whatever its size.
constexpr std::size_t kLongestImportedInput = std::size_t{256} << 20;

// Every line ryxenc prints about an input: "ryxenc: NAME: MESSAGE", one per
// line of the message; without a name when the message names its own file.
void printProblem(std::ostream& err, std::string_view name, std::string_view message) {
    for (std::size_t start = 0; start <= message.size();) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        err << "ryxenc: ";
        if (!name.empty()) err << name << ": ";
        err << message.substr(start, end - start) << '\n';
        start = end + 1;
    }
}

// A WAV input goes straight into the sample buffer, where the load takes it from.
Result<InputBytes> readInput(ProgramState& state, const CommandLine& options, const std::string& input) {
    Result<InputBytes> read = options.importRate
                                  ? readInputBytes(input, kLongestImportedInput, {}, RegularFileBytes::leftInFile)
                                                 : readInputBytes(input, kLongestUsefulWave, state.origSamples);
    if (read) return read;
    // Whatever part was read is no sound: back to the empty one.
    if (!options.importRate) resetSound(state);
    return Result<InputBytes>::failure(std::string(kCannotOpenMessage) + " (" + read.error() + ")",
                                       read.systemError());
}

// What a load warns of: none, one or more lines.
using Warnings = std::vector<std::string>;

// Imports the whole input; returns its warnings.
Result<Warnings> importInput(ProgramState& state, const CommandLine& options, const std::string& input,
                             const InputBytes& read) {
    // Cut short it would only look damaged.
    if (!read.leftInFile && read.length > read.bytes.size()) {
        return Result<Warnings>::failure("cannot import this sound: more than " +
                                         std::to_string(kLongestImportedInput >> 20) +
                                         " MiB from a pipe or the standard input; name the file instead");
    }
    const auto importAt = [&](std::uint32_t rate) {
        const QuietStandardError quiet;  // the MP3 decoder's own notes
        const ImportOptions settings{rate, options.normalize, options.trim};
        return read.leftInFile ? importSoundFile(state, input, settings)
                               : importSoundBytes(state, read.bytes, settings);
    };
    Result<ImportReport> imported = importAt(*options.importRate);
    // The length after trimming is known only once imported: each try lowers
    // the rate to the one its length fits at; rounding in the rate change may
    // take a second.
    const PicChip& chip = *findPicChip(options.chipName);
    while (options.fit && imported && imported->sampleRate > kMinImportRate &&
           state.encoder.sampleCount > picSampleCapacity(chip, options.packing)) {
        const std::uint64_t length = state.encoder.sampleCount + imported->cutSamples;
        const std::uint32_t rate = imported->sampleRate;
        imported = importAt(std::max(kMinImportRate, std::min(rate - 1, highestFittingRate(chip, length, rate, options.packing))));
    }
    if (!imported) return Result<Warnings>::failure("cannot import this sound: " + imported.error());
    return importNotices(*imported);
}

// Loads an 8-bit mono WAV input; returns its warnings.
Result<Warnings> loadWaveInput(ProgramState& state, const InputBytes& read) {
    // Asked before the load, which resets the buffer the bytes are in.
    const bool readableSound = !waveSampleRate(read.bytes) && [&read] {
        const QuietStandardError quiet;
        return isReadableSound(read.bytes);
    }();
    if (const Result<> loaded = loadWaveBytes(state, read.bytes); !loaded) {
        return Result<Warnings>::failure(
            loaded.error() +
            (readableSound ? "\nuse --rate " + std::to_string(kDefaultImportRate) + " to convert this sound" : ""));
    }
    if (read.length <= kLongestUsefulWave) return Warnings{};
    return Warnings{"the sound has " + std::to_string(read.length - kWaveHeaderSize) + " samples; kept the first " +
           std::to_string(kMaxSamples) + ", dropped " + std::to_string(read.length - kLongestUsefulWave)};
}

Result<Warnings> loadInput(ProgramState& state, const CommandLine& options, const std::string& input,
                           const InputBytes& read) {
    return options.importRate ? importInput(state, options, input, read) : loadWaveInput(state, read);
}

// The chosen settings, then the input read and loaded; its warnings.
Result<Warnings> loadWithSettings(ProgramState& state, const CommandLine& options, const std::string& input) {
    state.encoder.algorithmType = options.algorithmType;
    state.encoder.fineness = options.fineness;
    state.filterModel = options.filterModel;
    state.circuitParts = options.circuitParts;
    const Result<InputBytes> read = readInput(state, options, input);
    if (!read) return read.failureDetail();
    return loadInput(state, options, input, *read);
}

EncoderChoice encoderChoice(const CommandLine& options) {
    return options.optimal ? EncoderChoice::optimal : EncoderChoice::greedy;
}

void chooseAndEncode(ProgramState& state, const CommandLine& options) {
    const EncoderChoice choice = encoderChoice(options);
    if (options.autoFineness) state.encoder.fineness = chooseFineness(state, choice);
    state.encoderChoice = choice;
    encodeSound(state);
}

PicProgramSettings programSettings(const CommandLine& options) {
    const PicChip* chip = findPicChip(options.chipName);
    PicProgramSettings settings{chip, options.clockHz, options.loop};
    if (options.oscillator) settings.oscillator = *options.oscillator;
    settings.packing = options.packing;
    settings.trigger = options.trigger.value_or(options.bank ? PlayTrigger::pins : PlayTrigger::reset);
    if (!options.includeFile.empty()) {
        settings.form = PlayerForm::routine;
        settings.trigger = PlayTrigger::reset;
        settings.org = options.org.value_or(kDefaultRoutineOrg);
        settings.ram = static_cast<std::uint16_t>(std::min<std::uint32_t>(options.ram.value_or(defaultRoutineRam(*chip)), 0xFFFF));
    }
    return settings;
}

// The PIC program's plan when one is asked for; its refusal comes before any file of the input is written.
Result<std::optional<PicProgramPlan>> planProgram(const ProgramState& state, const CommandLine& options) {
    if (!options.namesAProgram()) return std::optional<PicProgramPlan>();
    Result<PicProgramPlan> plan = planPicProgram(state, programSettings(options));
    if (!plan) return plan.failureDetail();
    return std::optional<PicProgramPlan>(*plan);
}

Result<> writeCHeader(const ProgramState& state, const CommandLine& options, const std::string& input,
                      const OutputTarget& target) {
    const std::string base = input == "-" ? std::string() : std::filesystem::path(input).stem().string();
    const CHeaderSound sound{&state, options.cName.empty() ? cIdentifierFor(base) : options.cName,
                             input == "-" ? std::string("standard input") : std::filesystem::path(input).filename().string()};
    return exportCHeader(std::span(&sound, 1), sound.name, target);
}

Result<> writeOutput(const ProgramState& state, const CommandLine& options, const std::string& input,
                     const PlannedOutput& output) {
    switch (output.kind) {
    case OutputKind::cHeader: return writeCHeader(state, options, input, output.target);
    case OutputKind::assembler: return exportAssembler(state, output.target);
    case OutputKind::binary: return exportBinary(state, output.target);
    case OutputKind::decodedWav: return writePreviewFile(state, PreviewMode::decodedSound, output.target);
    case OutputKind::originalWav: return writePreviewFile(state, PreviewMode::originalSound, output.target);
    case OutputKind::picHex: return writePicHex(state, programSettings(options), output.target);
    case OutputKind::picProgram: return writePicAssembler(state, programSettings(options), output.target);
    case OutputKind::picInclude: {
        const ProgramState* const sounds[] = {&state};
        return writePicRoutineInclude(sounds, programSettings(options), output.target);
    }
    case OutputKind::cPlayerHeader:
    case OutputKind::cPlayerSource:
    case OutputKind::cPlayerSounds:
    case OutputKind::cPlayerMain: {
        const ProgramState* const sounds[] = {&state};
        return writeCPlayerOutput(sounds, options, output);
    }
    }
    return Result<>::failure("unknown output");
}

// Writes every output, also after one failed; the failures one per line.
Result<> writeOutputs(const ProgramState& state, const CommandLine& options, const PlannedInput& input) {
    std::string failures;
    for (const PlannedOutput& output : input.outputs) {
        if (const Result<> written = writeOutput(state, options, input.name, output); !written) {
            failures += (failures.empty() ? "" : "\n") + written.error();
        }
    }
    if (failures.empty()) return {};
    return Result<>::failure(failures);
}

void printProgramSummary(std::ostream& out, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    out << "  " << settings.chip->name << " at " << plan.clockHz << " Hz: " << plan.timing.cyclesPerSample
        << " cycles per sample, " << formatFixed(plan.timing.playbackRate, 3) << " Hz (pitch "
        << formatFixed(plan.timing.pitchErrorPercent, 3, true) << " %), " << plan.usedWords << " of "
        << plan.totalWords << " words, "
        << (settings.form == PlayerForm::routine ? "ryx_play at " + formatHexWord(settings.org)
            : settings.loop                      ? std::string("looping")
                                                 : std::string("once per reset"))
        << '\n';
}

void printSummary(std::ostream& out, const ProgramState& state, const CommandLine& options, const PlannedInput& input,
                  const std::optional<PicProgramPlan>& plan) {
    const EncoderState& encoder = state.encoder;
    const bool oneAndHalf = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out << shownInputName(input.name) << ": " << encoder.sampleCount << " samples";
    if (options.fit) {
        out << " at " << encoder.sampleRate << " Hz (fit to " << findPicChip(options.chipName)->processor << "), ";
    } else {
        out << ", " << encoder.sampleRate << " Hz, ";
    }
    out         << schemeItemText(encoder.algorithmType) << ", " << finenessItemText(encoder.fineness)
        << (options.autoFineness ? " (best of all finenesses)" : "") << (options.optimal ? ", optimal" : "");
    if (state.filterModel == FilterModelChoice::circuit) {
        out << ", " << circuitSummaryText(state);
    } else {
        out << ", R = " << encoder.resistorOhms << " ohms";
        if (oneAndHalf) out << ", each 2R = " << 2 * std::int64_t{encoder.resistorOhms} << " ohms";
    }
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
    if (plan) printProgramSummary(out, programSettings(options), *plan);
}

}  // namespace

PicProgramSettings programSettingsOf(const CommandLine& options) { return programSettings(options); }

void printInputProblem(std::ostream& err, std::string_view name, std::string_view message) {
    printProblem(err, name, message);
}

Result<std::vector<std::string>> loadAndEncode(ProgramState& state, const CommandLine& options,
                                               const std::string& input) {
    Result<Warnings> loaded = loadWithSettings(state, options, input);
    if (!loaded) return loaded.failureDetail();
    chooseAndEncode(state, options);
    return *loaded;
}

int encodeInput(ProgramState& state, const CommandLine& options, const PlannedInput& input,
                std::ostream& out, std::ostream& err) {
    const std::string name = shownInputName(input.name);
    const auto refuse = [&](const std::string& message) {
        printProblem(err, name, message);
        return kExitRefused;
    };
    const Result<Warnings> loaded = loadWithSettings(state, options, input.name);
    if (!loaded) return refuse(loaded.error());
    for (const std::string& warning : *loaded) printProblem(err, name, "warning: " + warning);

    if (options.compare) {
        state.encoderChoice = EncoderChoice::greedy;
        printComparison(out, name, state, encoderChoice(options), compareSettings(state, encoderChoice(options)));
        return kExitOk;
    }
    chooseAndEncode(state, options);

    bool toStandardOutput = false;
    for (const PlannedOutput& output : input.outputs) toStandardOutput = toStandardOutput || output.target.isStandardOutput();
    // Text never goes into a file written to the standard output.
    std::ostream& text = toStandardOutput ? err : out;
    if (options.report) {
        const bool circuit = state.filterModel == FilterModelChoice::circuit;
        printQualityLine(text, name, measureEncoded(state), circuit ? circuitSummaryText(state) : std::string());
    }

    const Result<std::optional<PicProgramPlan>> plan = planProgram(state, options);
    if (!plan) return refuse(plan.error());
    const ProgramState* const sounds[] = {&state};
    if (const Result<> player = checkCPlayerSounds(sounds, options); !player) return refuse(player.error());
    if (const Result<> written = writeOutputs(state, options, input); !written) {
        printProblem(err, {}, written.error());
        return kExitWriteFailed;
    }
    if (!options.quiet) printSummary(text, state, options, input, *plan);
    if (!options.quiet && !options.cPlayerFolder.empty()) printCPlayerSummary(text, sounds, options);
    return kExitOk;
}

}  // namespace ryx::cli
