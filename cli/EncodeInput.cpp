#include "cli/EncodeInput.h"

#include "cli/CHeaderPlan.h"
#include "cli/CPlayerOutput.h"
#include "cli/CircuitText.h"
#include "cli/FitRate.h"
#include "cli/MemoryImageOutput.h"
#include "cli/InputBytes.h"
#include "cli/QualityReport.h"
#include "cli/QuietStandardError.h"
#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "core/OutputLevel.h"
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

// Imports a fit tries before it settles for the highest rate found to fit.
constexpr int kMostFitTries = 12;

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

// Imports the whole input at `rate`.
Result<ImportReport> importAt(ProgramState& state, const CommandLine& options, const std::string& input,
                              const InputBytes& read, std::uint32_t rate) {
    // Cut short it would only look damaged.
    if (!read.leftInFile && read.length > read.bytes.size()) {
        return Result<ImportReport>::failure("cannot import this sound: more than " +
                                             std::to_string(kLongestImportedInput >> 20) +
                                             " MiB from a pipe or the standard input; name the file instead");
    }
    const QuietStandardError quiet;  // the MP3 decoder's own notes
    const ImportOptions settings{rate, options.normalize, options.trim};
    Result<ImportReport> imported = read.leftInFile ? importSoundFile(state, input, settings)
                                                    : importSoundBytes(state, read.bytes, settings);
    if (!imported) return Result<ImportReport>::failure("cannot import this sound: " + imported.error());
    return imported;
}

// The chosen settings, then the input read (a WAV input into the sample buffer).
Result<InputBytes> readWithSettings(ProgramState& state, const CommandLine& options, const std::string& input) {
    state.encoder.algorithmType = options.algorithmType;
    state.encoder.fineness = options.fineness;
    state.filterModel = options.filterModel;
    state.circuitParts = options.circuitParts;
    return readInput(state, options, input);
}

// Imports every sound at `rate`; the whole length of all before any cut.
Result<std::uint64_t> importAll(std::span<ProgramState* const> states, const CommandLine& options,
                                std::span<const std::string> inputs, std::span<const InputBytes> reads,
                                std::span<Warnings> warnings, std::uint32_t rate, std::size_t& failed) {
    std::uint64_t whole = 0;
    for (std::size_t k = 0; k < states.size(); ++k) {
        const Result<ImportReport> imported = importAt(*states[k], options, inputs[k], reads[k], rate);
        if (!imported) {
            failed = k;
            return imported.failureDetail();
        }
        warnings[k] = importNotices(*imported);
        whole += states[k]->encoder.sampleCount + imported->cutSamples;
    }
    return whole;
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
    if (!options.memoryName.empty()) settings.memory = findMemory(options.memoryName);
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
Result<std::optional<PicProgramPlan>> planProgram(const EncodedSound& sound, const CommandLine& options) {
    if (!options.namesAProgram()) return std::optional<PicProgramPlan>();
    Result<PicProgramPlan> plan = planPicBank(std::span(&sound, 1), programSettings(options));
    if (!plan) return plan.failureDetail();
    return std::optional<PicProgramPlan>(*plan);
}

// The input's sound in the C header, named as planned.
std::vector<CHeaderSound> headerSoundOf(const ProgramState& state, const CommandLine& options) {
    const ProgramState* const states[] = {&state};
    return cHeaderSounds(planCHeaderNames(options), states, options);
}

// The program and the image from the sound as the writers take it (whole when long).
Result<> writeOutput(const ProgramState& state, const EncodedSound& sound, const CommandLine& options,
                     const PlannedOutput& output) {
    switch (output.kind) {
    case OutputKind::cHeader: return exportCHeader(headerSoundOf(state, options), {}, output.target);
    case OutputKind::assembler: return exportAssembler(state, output.target);
    case OutputKind::binary: return exportBinary(state, output.target);
    case OutputKind::decodedWav: return writePreviewFile(state, PreviewMode::decodedSound, output.target);
    case OutputKind::originalWav: return writePreviewFile(state, PreviewMode::originalSound, output.target);
    case OutputKind::picHex: return writePicBankHex(std::span(&sound, 1), programSettings(options), output.target);
    case OutputKind::memoryImage: return writeImageFile(std::span(&sound, 1), programSettings(options), output.target);
    case OutputKind::picProgram:
        return writePicBankAssembler(std::span(&sound, 1), programSettings(options), output.target);
    case OutputKind::picInclude:
        return writePicRoutineInclude(std::span(&sound, 1), programSettings(options), output.target);
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
Result<> writeOutputs(const ProgramState& state, const EncodedSound& sound, const CommandLine& options,
                      const PlannedInput& input) {
    std::string failures;
    for (const PlannedOutput& output : input.outputs) {
        if (const Result<> written = writeOutput(state, sound, options, output); !written) {
            failures += (failures.empty() ? "" : "\n") + written.error();
        }
    }
    if (failures.empty()) return {};
    return Result<>::failure(failures);
}

}  // namespace

void printProgramSummary(std::ostream& out, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    out << "  " << settings.chip->name << " at " << plan.clockHz << " Hz: " << plan.timing.cyclesPerSample
        << " cycles per sample, " << formatFixed(plan.timing.playbackRate, 3) << " Hz (pitch "
        << formatFixed(plan.timing.pitchErrorPercent, 3, true) << " %), " << plan.usedWords << " of "
        << plan.totalWords << " words, "
        << (settings.form == PlayerForm::routine        ? "ryx_play at " + formatHexWord(settings.org)
            : settings.trigger == PlayTrigger::pins   ? std::string("on its pins")
            : settings.trigger == PlayTrigger::select ? std::string("by number")
            : settings.loop                           ? std::string("looping")
                                                      : std::string("once per reset"))
        << '\n';
}

namespace {

void printSummary(std::ostream& out, const ProgramState& state, const EncodedSound& sound, const CommandLine& options,
                  const PlannedInput& input, const std::optional<PicProgramPlan>& plan) {
    const EncoderState& encoder = state.encoder;
    const bool oneAndHalf = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out << shownInputName(input.name) << ": " << sound.encoder.sampleCount << " samples";
    if (options.fit) {
        out << " at " << encoder.sampleRate << " Hz (fit to " << fitTargetName(programSettings(options)) << "), ";
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
    printOutputLevel(out, state);
    if (plan) printProgramSummary(out, programSettings(options), *plan);
    if (plan && !options.imageFile.empty()) {
        printImageSummary(out, std::span(&sound, 1), programSettings(options), *plan,
                          targetName(input, OutputKind::memoryImage));
    }
    if (writesCHeader(input)) {
        const CHeaderName named = planCHeaderNames(options).sounds.front();
        if (!named.change.empty()) out << "  C array " << named.name << ": " << named.change << '\n';
    }
    const std::string held =
        heldSamplesText(input.outputs, encodedSampleCount(encoder), plan ? plan->storedSamples : 0);
    if (!held.empty()) out << "  " << held << '\n';
}

}  // namespace

std::string heldSamplesText(const std::vector<PlannedOutput>& outputs, std::uint32_t encoded,
                            std::uint32_t programSamples) {
    std::string text;
    bool differ = false;
    std::optional<std::uint32_t> first;
    for (const PlannedOutput& output : outputs) {
        std::uint32_t held = programSamples;
        if (output.kind == OutputKind::cHeader) {
            held = encoded;
        } else if (output.kind == OutputKind::assembler || output.kind == OutputKind::binary) {
            held = encoded / 8 * 8;  // whole bytes only
        } else if (output.kind == OutputKind::decodedWav || output.kind == OutputKind::originalWav) {
            continue;  // sounds, not bits
        }
        differ = differ || (first && *first != held);
        if (!first) first = held;
        text += (text.empty() ? "" : ", ") + output.target.shownName() + " " + std::to_string(held);
    }
    if (!differ) return {};
    return "encoded samples held (of " + std::to_string(encoded) + "): " + text;
}

bool writesCHeader(const PlannedInput& input) {
    return std::any_of(input.outputs.begin(), input.outputs.end(),
                       [](const PlannedOutput& output) { return output.kind == OutputKind::cHeader; });
}


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

namespace {

// Long sounds (LongSounds.h): each loaded whole; with --fit all at the
// highest rate up to --rate at which their program fits.
LoadedSounds loadLongSounds(std::span<ProgramState* const> states, const CommandLine& options,
                            std::span<const std::string> inputs) {
    LoadedSounds loaded;
    loaded.warnings.resize(states.size());
    loaded.longSounds.resize(states.size());
    std::uint32_t rate = options.importRate.value_or(0);
    const auto loadAll = [&](std::uint32_t at) {
        for (std::size_t k = 0; k < states.size(); ++k) {
            Result<Warnings> warnings = loaded.longSounds[k].load(*states[k], options, inputs[k], at);
            if (!warnings) {
                loaded.refusedInput = k;
                loaded.refusal = warnings.error();
                return false;
            }
            loaded.warnings[k] = std::move(*warnings);
        }
        return true;
    };
    const auto whole = [&loaded] {
        std::uint64_t samples = 0;
        for (const LongSound& sound : loaded.longSounds) samples += sound.samples();
        return samples;
    };
    if (!loadAll(rate) || !options.importRate) return loaded;
    // Each try at the rate the figures of the last say fits: mostly one or two.
    FitSearch search{0, rate + 1};
    for (int tries = 0; options.fit; ++tries) {
        std::uint32_t next = nextFitRate(longSoundViews(loaded.longSounds, states), options, rate, whole(), search);
        if (next == 0 && search.fits == rate) break;
        if (next == 0 || tries == kMostFitTries) next = search.fits;
        if (next == 0 || next == rate) break;
        rate = next;
        if (!loadAll(rate)) return loaded;
    }
    loaded.fitNotice = lowFitNotice(longSoundViews(loaded.longSounds, states), options, rate, whole());
    return loaded;
}

}  // namespace

Result<std::vector<EncodedSound>> programSounds(std::span<ProgramState* const> states, LoadedSounds& loaded,
                                                const CommandLine& options) {
    if (loaded.longSounds.empty()) {
        const std::vector<const ProgramState*> sounds(states.begin(), states.end());
        return encodedSoundsOf(sounds);
    }
    for (std::size_t k = 0; k < states.size(); ++k) {
        if (const Result<> encoded = loaded.longSounds[k].encode(*states[k], options); !encoded) {
            return encoded.failureDetail();
        }
    }
    return longSoundViews(loaded.longSounds, states);
}

LoadedSounds loadSounds(std::span<ProgramState* const> states, const CommandLine& options,
                        std::span<const std::string> inputs) {
    if (playsLongSounds(options)) return loadLongSounds(states, options, inputs);
    LoadedSounds loaded;
    loaded.warnings.resize(states.size());
    std::vector<InputBytes> reads;
    const auto refuse = [&loaded](std::size_t k, const std::string& message) {
        loaded.refusedInput = k;
        loaded.refusal = message;
        return std::move(loaded);
    };
    for (std::size_t k = 0; k < states.size(); ++k) {
        Result<InputBytes> read = readWithSettings(*states[k], options, inputs[k]);
        if (!read) return refuse(k, read.error());
        if (options.importRate) {
            reads.push_back(std::move(*read));
            continue;
        }
        const Result<Warnings> wave = loadWaveInput(*states[k], *read);
        if (!wave) return refuse(k, wave.error());
        loaded.warnings[k] = *wave;
    }
    if (!options.importRate) return loaded;
    std::uint32_t rate = *options.importRate;
    std::size_t failed = 0;
    Result<std::uint64_t> whole = importAll(states, options, inputs, reads, loaded.warnings, rate, failed);
    const std::vector<const ProgramState*> sounds(states.begin(), states.end());
    // Each try at the rate the figures of the last say fits: mostly one or two.
    FitSearch search{0, rate + 1};
    for (int tries = 0; whole && options.fit; ++tries) {
        std::uint32_t next = nextFitRate(sounds, options, rate, *whole, search);
        if (next == 0 && search.fits == rate) break;
        if (next == 0 || tries == kMostFitTries) next = search.fits;
        if (next == 0 || next == rate) break;
        rate = next;
        whole = importAll(states, options, inputs, reads, loaded.warnings, rate, failed);
    }
    if (!whole) return refuse(failed, whole.error());
    loaded.fitNotice = lowFitNotice(sounds, options, rate, *whole);
    return loaded;
}

void encodeLoaded(ProgramState& state, const CommandLine& options) { chooseAndEncode(state, options); }

void printOutputLevel(std::ostream& out, const ProgramState& state) {
    out << "  output: " << outputLevelText(outputLevel(state)) << '\n';
}

PicProgramSettings programSettingsOf(const CommandLine& options) { return programSettings(options); }

void printInputProblem(std::ostream& err, std::string_view name, std::string_view message) {
    printProblem(err, name, message);
}

int encodeInput(ProgramState& state, const CommandLine& options, const PlannedInput& input,
                std::ostream& out, std::ostream& err) {
    const std::string name = shownInputName(input.name);
    const auto refuse = [&](const std::string& message) {
        printProblem(err, name, message);
        return kExitRefused;
    };
    ProgramState* const states[] = {&state};
    LoadedSounds loaded = loadSounds(states, options, std::span(&input.name, 1));
    if (!loaded.refusal.empty()) return refuse(loaded.refusal);
    for (const std::string& warning : loaded.warnings.front()) printProblem(err, name, "warning: " + warning);
    if (!loaded.fitNotice.empty()) printProblem(err, name, "warning: " + loaded.fitNotice);

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
        printQualityLine(text, name, measureEncoded(state), circuit ? circuitSummaryText(state) : std::string(),
                         outputLevelText(outputLevel(state)));
    }

    const Result<std::vector<EncodedSound>> programSound = programSounds(states, loaded, options);
    if (!programSound) return refuse(programSound.error());
    const EncodedSound& sound = programSound->front();
    const Result<std::optional<PicProgramPlan>> plan = planProgram(sound, options);
    if (!plan) return refuse(plan.error());
    if (writesCHeader(input)) {
        if (const Result<> header = checkCHeader(headerSoundOf(state, options), {}); !header) {
            return refuse(header.error());
        }
    }
    const ProgramState* const sounds[] = {&state};
    if (const Result<> player = checkCPlayerSounds(sounds, options); !player) return refuse(player.error());
    if (const Result<> written = writeOutputs(state, sound, options, input); !written) {
        printProblem(err, {}, written.error());
        return kExitWriteFailed;
    }
    if (!options.quiet) printSummary(text, state, sound, options, input, *plan);
    if (!options.quiet && !options.cPlayerFolder.empty()) printCPlayerSummary(text, sounds, options);
    return kExitOk;
}

}  // namespace ryx::cli
