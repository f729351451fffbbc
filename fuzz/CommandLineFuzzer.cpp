// Feeds bytes to ryxenc's command line. The first three give a sound (its
// length, little-endian, and its rate; its samples are the argument bytes
// over and over); the rest, split at each NUL or newline, are the arguments.
// A parse that succeeds is planned, inside a folder of its own, and the PIC
// program its options name is made for the sound (greedy bits: the encoders
// have a fuzzer of their own) and read back from its HEX text. Nothing is
// written: the plan only looks names up. The fuzzer works in a folder of its
// own, made in TMPDIR: give it its corpus and artifact paths absolute.

#include "FuzzRequire.h"
#include "OutputPlanCheck.h"
#include "PicProgramCheck.h"

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"
#include "core/Encoder.h"
#include "core/ProgramState.h"
#include "core/SoundLoad.h"
#include "export/TableLayout.h"
#include "firmware/PicChip.h"
#include "firmware/PicProgram.h"
#include "firmware/PlaybackTiming.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using ryx::fuzz::require;
using ryx::kFirstTableAddress;

constexpr std::size_t kSoundBytes = 3;
// Rates chosen by a byte below 16: the usual ones and the edges of the player's timing.
constexpr std::array<std::uint32_t, 16> kRates{15625, 8000, 11025, 22050, 44100, 0,      1,       1000,
                                               4000,  16000, 32000, 48000, 96000, 200000, 5000000, 16777215};
constexpr std::uint32_t kRateStep = 250;  // a byte of 16 or more: that many times this

std::filesystem::path& fixtureFolder() {
    static std::filesystem::path folder;
    return folder;
}

void removeFixtureFolder() {
    std::error_code ignored;
    std::filesystem::current_path("/", ignored);
    std::filesystem::remove_all(fixtureFolder(), ignored);
}

// A fresh working folder with names for the plan to tell apart or match: a
// sound, a hard and a symbolic link to it, a link to a file yet to be made,
// a link loop, a folder and a link to it, a pipe.
void enterFixtureFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ryx-command-line-fuzz-XXXXXX").string();
    require(::mkdtemp(pattern.data()) != nullptr);
    fixtureFolder() = pattern;
    std::atexit(removeFixtureFolder);
    std::filesystem::current_path(fixtureFolder());
    namespace fs = std::filesystem;
    { std::ofstream("in.wav") << "RIFF"; }
    fs::create_hard_link("in.wav", "same.wav");
    fs::create_symlink("in.wav", "link.wav");
    fs::create_symlink("made-later.asm", "ahead.asm");
    fs::create_symlink("loop", "loop");
    fs::create_directory("dir");
    fs::create_directory_symlink("dir", "dirlink");
    require(::mkfifo("pipe", 0600) == 0);
}

std::vector<std::string> splitArguments(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> arguments;
    if (bytes.empty()) return arguments;
    std::string current;
    for (const std::uint8_t byte : bytes) {
        if (byte == 0 || byte == '\n') {
            arguments.push_back(std::move(current));
            current.clear();
        } else {
            current += static_cast<char>(byte);
        }
    }
    arguments.push_back(std::move(current));
    return arguments;
}

// What a parse without a usage error promises the rest of ryxenc.
void checkParsed(const ryx::cli::CommandLine& options) {
    if (options.help || options.version || options.listChips) return;
    require(!options.inputs.empty());
    require(std::count(options.inputs.begin(), options.inputs.end(), "-") <= 1);
    require(!options.namesAnOutput() || options.inputs.size() == 1);
    require(!options.compare || !options.namesAnOutput());
    const ryx::PicChip* chip = ryx::findPicChip(options.chipName);
    require(chip != nullptr);
    require(options.clockHz == 0 || (options.clockHz >= ryx::kMinClockHz && options.clockHz <= ryx::kMaxClockHz));
    require(!options.namesAProgram() || chip->internalClockHz != 0 || options.clockHz != 0);
}

// As ryxenc makes them: the oscillator the options name, else the one the chip and clock mean.
ryx::PicProgramSettings programSettings(const ryx::cli::CommandLine& options) {
    const ryx::PicChip* chip = ryx::findPicChip(options.chipName);
    ryx::PicProgramSettings settings{chip, options.clockHz, options.loop};
    if (options.oscillator) settings.oscillator = *options.oscillator;
    settings.packing = options.packing;
    return settings;
}

std::uint32_t rateOf(std::uint8_t choice) { return choice < kRates.size() ? kRates[choice] : kRateStep * choice; }

std::unique_ptr<ryx::ProgramState> makeState() {
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::resetSound(*state);
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    enterFixtureFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<ryx::ProgramState> state = makeState();
    if (size < kSoundBytes) return 0;
    const std::span<const std::uint8_t> argumentBytes(data + kSoundBytes, size - kSoundBytes);

    const ryx::Result<ryx::cli::CommandLine> parsed = ryx::cli::parseCommandLine(splitArguments(argumentBytes));
    if (!parsed) {
        require(!parsed.error().empty());
        return 0;
    }
    const ryx::cli::CommandLine& options = *parsed;
    checkParsed(options);
    if (!options.inputs.empty()) ryx::fuzz::checkOutputPlan(options, ryx::cli::planOutputs(options));

    std::vector<std::uint8_t> samples(std::size_t{data[0]} | std::size_t{data[1]} << 8, 128);
    for (std::size_t i = 0; i < samples.size() && !argumentBytes.empty(); ++i) {
        samples[i] = argumentBytes[i % argumentBytes.size()];
    }
    // With --rate the parse has checked the program's clock and timing for that rate.
    const bool rateChecked = options.namesAProgram() && options.importRate.has_value();
    ryx::loadSamples(*state, samples, rateChecked ? *options.importRate : rateOf(data[2]));
    state->encoder.algorithmType = options.algorithmType;
    state->encoder.fineness = options.fineness;
    ryx::encodeSamples(*state);
    const ryx::PicProgramSettings settings = programSettings(options);
    const bool made = ryx::fuzz::checkPicProgram(*state, settings);
    // Then only the sound's length can stand in the way.
    const ryx::PicStorage storage = ryx::storageFor(*settings.chip, settings.packing);
    const std::uint32_t stored = ryx::storedSampleCount(state->encoder.sampleCount);
    require(made || !rateChecked || stored == 0 ||
            ryx::kTableStartWord + ryx::tableWordCount(storage, stored) > settings.chip->programWords);
    return 0;
}
