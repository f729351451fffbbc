#include "cli/CommandLine.h"

#include "cli/CPlayerOutput.h"
#include "cli/OptionTable.h"
#include "firmware/PicProgram.h"
#include "firmware/PlaybackTiming.h"
#include "firmware/PlayerCode.h"
#include "import/ImportOptions.h"
#include "io/DisplayName.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace ryx::cli {
namespace {

Result<> needsValue(const std::string& shown) {
    return Result<>::failure("option " + quotedText(shown) + " needs a value");
}

// Applies one option; an output needs a non-empty name.
Result<> apply(CommandLine& options, const OptionRow& row, const std::string& value, const std::string& shown) {
    if (row.group == OptionGroup::output && value.empty()) {
        return Result<>::failure("option " + quotedText(shown) + " needs a file name");
    }
    return row.apply(options, value);
}

// The clock a PIC program would run at, its oscillator and, with --rate, the
// playback timing: all known before any input is read.
Result<> checkProgramClock(const CommandLine& options) {
    const PicChip& chip = *findPicChip(options.chipName);
    const std::string name(chip.name);
    const PicOscillator oscillator = options.oscillator.value_or(defaultOscillator(chip, options.clockHz));
    const std::string clock = optionName(OptionId::clock);
    const std::string internal = optionName(OptionId::oscillator) + " internal";
    std::uint32_t clockHz = options.clockHz;
    if (oscillator == PicOscillator::crystal && clockHz == 0) {
        if (chip.internalClockHz == 0) {
            return Result<>::failure("the " + name + " has no internal oscillator: give its crystal's " + clock);
        }
        return Result<>::failure(optionName(OptionId::oscillator) + " crystal needs the crystal's " + clock);
    }
    if (oscillator == PicOscillator::internal) {
        if (chip.internalClockHz == 0) {
            return Result<>::failure("the " + name + " has no internal oscillator: leave out " + internal +
                                     " and give its crystal's " + clock);
        }
        if (clockHz != 0 && clockHz != chip.internalClockHz) {
            return Result<>::failure("the " + name + "'s internal oscillator runs at " +
                                     std::to_string(chip.internalClockHz) + " Hz, not " + std::to_string(clockHz) +
                                     " Hz: leave out " + internal + " for a crystal of that clock");
        }
        clockHz = chip.internalClockHz;
    }
    if (!options.importRate) return {};
    const Result<PlaybackTiming> timing =
        computePlaybackTiming(clockHz, *options.importRate,
                              playerMinCyclesFor(chip, options.loop, storageFor(chip, options.packing),
                                                 options.includeFile.empty() ? PlayerForm::program : PlayerForm::routine),
                              playerMaxCyclesFor(chip));
    if (!timing) return Result<>::failure(timing.error());
    return {};
}

// A serial memory plays the sounds of a PIC program or routine, its image written beside it.
Result<> checkMemory(const CommandLine& options) {
    const std::string memory = optionName(OptionId::memory);
    const std::string image = optionName(OptionId::image);
    if (options.memoryName.empty()) {
        if (options.imageFile.empty()) return {};
        return Result<>::failure(image + " writes the image of " + memory + ": name the memory");
    }
    if (options.imageFile.empty()) return Result<>::failure(memory + " needs " + image + ", the file its image is written to");
    if (options.includeFile.empty() && options.hexFile.empty() && options.programFile.empty()) {
        return Result<>::failure(memory + " plays the sounds of a PIC program: it needs " +
                                 optionName(OptionId::hexFile) + ", " + optionName(OptionId::programFile) + " or " +
                                 optionName(OptionId::includeFile));
    }
    return {};
}

// The routine for the user's own program is not a whole program: none of a
// program's own options.
Result<> checkInclude(const CommandLine& options) {
    const std::string include = optionName(OptionId::includeFile);
    if (options.includeFile.empty()) {
        if (!options.org && !options.ram) return {};
        return Result<>::failure(optionName(OptionId::org) + " and " + optionName(OptionId::ram) +
                                 " place the routine of " + include);
    }
    if (!options.hexFile.empty() || !options.programFile.empty()) {
        return Result<>::failure(include + " writes a routine for your own program, " + optionName(OptionId::hexFile) +
                                 " and " + optionName(OptionId::programFile) + " a whole program: choose one");
    }
    if (options.loop || options.trigger) {
        return Result<>::failure(include + "'s routine plays the sound W names once for each call: leave out " +
                                 optionName(OptionId::loop) + " and " + optionName(OptionId::trigger));
    }
    return {};
}

// A PIC program's own options do nothing without one; the chip and the
// packing tell a fit its room too.
Result<> checkProgramOptions(const CommandLine& options) {
    if (options.namesAProgram()) return {};
    std::vector<std::string> unused;
    const auto unusedIf = [&unused](bool given, OptionId id) {
        if (given) unused.push_back(optionName(id));
    };
    unusedIf(options.chipGiven && !options.fit, OptionId::chip);
    // The C player's main.c runs at --clock and --loop plays for ever there too.
    const bool cPlayer = !options.cPlayerFolder.empty();
    unusedIf(options.clockHz != 0 && !cPlayer, OptionId::clock);
    unusedIf(options.oscillator.has_value(), OptionId::oscillator);
    unusedIf(options.packingGiven && !options.fit, OptionId::pack);
    unusedIf(options.loop && !cPlayer, OptionId::loop);
    unusedIf(options.trigger.has_value(), OptionId::trigger);
    if (unused.empty()) return {};
    std::string list;
    for (std::size_t k = 0; k < unused.size(); ++k) {
        list += (k == 0 ? "" : k + 1 == unused.size() ? " and " : ", ") + unused[k];
    }
    return Result<>::failure(list + (unused.size() == 1 ? " sets" : " set") + " up the PIC program of " +
                             optionName(OptionId::hexFile) + ", " + optionName(OptionId::programFile) + " or " +
                             optionName(OptionId::includeFile) + "; without one " +
                             (unused.size() == 1 ? "it does" : "they do") + " nothing");
}

// The routine's file registers: a number past any address is named as given.
Result<> checkRamAddress(const CommandLine& options) {
    if (!options.ram || *options.ram <= 0xFFFF || options.includeFile.empty()) return {};
    return Result<>::failure(routineRamRefusal(*findPicChip(options.chipName), *options.ram));
}

// The checks across options, once all are read.
Result<> checkCombination(const CommandLine& options) {
    if (options.inputs.empty()) return Result<>::failure("no input file given");
    if (std::count(options.inputs.begin(), options.inputs.end(), "-") > 1) {
        return Result<>::failure("the standard input '-' can be read only once");
    }
    const std::string* outputs[] = {&options.asmFile, &options.binFile,     &options.wavFile,    &options.originalWavFile,
                                    &options.hexFile, &options.programFile, &options.cHeaderFile, &options.imageFile};
    if (std::count_if(std::begin(outputs), std::end(outputs), [](const std::string* name) { return *name == "-"; }) > 1) {
        return Result<>::failure("only one output can be the standard output '-'");
    }
    if (options.compare && options.namesAnOutput()) {
        return Result<>::failure(optionName(OptionId::compare) + " writes no file; leave out " +
                                 optionNames(OptionGroup::output));
    }
    if (options.fit && !options.chipGiven && !options.namesAProgram()) {
        return Result<>::failure(optionName(OptionId::fit) + " needs " + optionName(OptionId::chip) + ", " +
                                 optionName(OptionId::hexFile) + ", " + optionName(OptionId::programFile) + " or " +
                                 optionName(OptionId::includeFile));
    }
    if (!options.importRate && (!options.normalize || !options.trim)) {
        return Result<>::failure(optionNames(OptionGroup::importSetting) + " need " + optionName(OptionId::rate));
    }
    if (options.circuitPartsGiven && options.filterModel != FilterModelChoice::circuit) {
        return Result<>::failure(optionNames(OptionGroup::circuitSetting) + " need " + optionName(OptionId::model) +
                                 " circuit");
    }
    if (options.circuitParts.resistors.givenOhms[1] > 0 && options.algorithmType != kAlgorithmOneAndHalfBit) {
        return Result<>::failure(optionName(OptionId::scheme) + " 1 drives one resistor: give " +
                                 optionName(OptionId::parts) + " one value");
    }
    if (Result<> memory = checkMemory(options); !memory) return memory;
    if (Result<> include = checkInclude(options); !include) return include;
    if (Result<> ram = checkRamAddress(options); !ram) return ram;
    if (Result<> program = checkProgramOptions(options); !program) return program;
    if (Result<> player = checkCPlayerOptions(options); !player) return player;
    if (options.bank) {
        for (const std::string* name : {&options.asmFile, &options.binFile, &options.wavFile, &options.originalWavFile}) {
            if (!name->empty()) {
                return Result<>::failure(optionName(OptionId::bank) + " writes " + optionName(OptionId::hexFile) +
                                         ", " + optionName(OptionId::programFile) + ", " +
                                         optionName(OptionId::includeFile) + " or " +
                                         optionName(OptionId::cHeaderFile) + ", one file for all its sounds");
            }
        }
        if (!options.namesAnOutput() || options.compare) {
            return Result<>::failure(optionName(OptionId::bank) + " needs " + optionName(OptionId::hexFile) + ", " +
                                     optionName(OptionId::programFile) + ", " + optionName(OptionId::includeFile) +
                                     " or " + optionName(OptionId::cHeaderFile) + ", without " +
                                     optionName(OptionId::compare));
        }
    }
    if (options.namesAnOutput() && options.inputs.size() > 1 && !options.bank) {
        return Result<>::failure(optionNames(OptionGroup::output) + " take exactly one input, not " +
                                 std::to_string(options.inputs.size()));
    }
    if (!options.cName.empty() && options.cHeaderFile.empty()) {
        return Result<>::failure(optionName(OptionId::cName) + " names the array of " + optionName(OptionId::cHeaderFile));
    }
    if (options.namesAProgram()) return checkProgramClock(options);
    return {};
}

}  // namespace

Result<CommandLine> parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.inputs.push_back(argument);  // "-" alone is a file name too
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument[1] == '-') {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionRow* row = findLongOption(name);
            const std::string shown = "--" + name;
            if (row == nullptr) return Result<>::failure("unknown option " + quotedText(shown)).failureDetail();
            std::string value;
            if (row->valueName.empty()) {
                if (equals != std::string::npos) {
                    return Result<>::failure("option " + quotedText(shown) + " takes no value").failureDetail();
                }
            } else if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return needsValue(shown).failureDetail();
            }
            if (Result<> applied = apply(options, *row, value, shown); !applied) return applied.failureDetail();
            if (row->group == OptionGroup::query) return options;
            continue;
        }
        // A cluster of short options; one that takes a value ends it.
        for (std::size_t at = 1; at < argument.size(); ++at) {
            const OptionRow* row = findShortOption(argument[at]);
            const std::string shown = std::string("-") + argument[at];
            if (row == nullptr) return Result<>::failure("unknown option " + quotedText(shown)).failureDetail();
            std::string value;
            if (!row->valueName.empty()) {
                if (at + 1 < argument.size()) {
                    value = argument.substr(at + 1);
                } else if (i + 1 < arguments.size()) {
                    value = arguments[++i];
                } else {
                    return needsValue(shown).failureDetail();
                }
                at = argument.size();
            }
            if (Result<> applied = apply(options, *row, value, shown); !applied) return applied.failureDetail();
            if (row->group == OptionGroup::query) return options;
        }
    }
    // A fit imports: at the default rate unless --rate says otherwise.
    if (options.fit && !options.importRate) options.importRate = kDefaultImportRate;
    if (Result<> usable = checkCombination(options); !usable) return usable.failureDetail();
    return options;
}

}  // namespace ryx::cli
