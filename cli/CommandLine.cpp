#include "cli/CommandLine.h"

#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "firmware/PicChip.h"
#include "firmware/PlaybackTiming.h"
#include "import/ImportOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <string>

namespace ryx::cli {

const std::string_view kShortUsageText =
    "Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
    "Try 'ryxenc --help' for more information.\n";

namespace {

// "4, 5, 6, 8, 11, 16, 21 or 32" and "1 or 1.5": the values an option takes.
std::string finenessChoices() {
    std::string choices;
    for (std::size_t i = 0; i < fineTable.size(); ++i) {
        if (i > 0) choices += i + 1 == fineTable.size() ? " or " : ", ";
        choices += std::to_string(fineTable[i].fineness);
    }
    return choices;
}

std::string schemeChoices(std::string_view lastSeparator) {
    std::string choices;
    for (std::size_t i = 0; i < schemeTable.size(); ++i) {
        if (i > 0) choices += i + 1 == schemeTable.size() ? lastSeparator : std::string_view(", ");
        choices += schemeTable[i].optionValue;
    }
    return choices;
}

std::string schemeOptionValue(std::int8_t algorithmType) {
    for (const SchemeEntry& entry : schemeTable) {
        if (entry.algorithmType == algorithmType) return std::string(entry.optionValue);
    }
    return {};
}

// "8000, 10000, ... 22050": the rates a list offers.
std::string offeredRates() {
    std::string rates;
    for (const std::uint32_t rate : kOfferedImportRates) {
        if (!rates.empty()) rates += ", ";
        rates += std::to_string(rate);
    }
    return rates;
}

// An option's name in a column of 30 characters, then its text.
std::string optionLine(std::string name, const std::string& text) {
    name.resize(std::max<std::size_t>(name.size() + 1, 30), ' ');
    return name + text + "\n";
}

}  // namespace

std::string usageText() {
    const CommandLine defaults;
    return "Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
           "Encodes 8-bit mono WAV sounds into a one-bit-per-sample bitstream for a PIC\n"
           "microcontroller. Without an output option, each INPUT gets its PIC assembler\n"
           "source beside it, named after it with the extension .asm.\n"
           "An INPUT of - is the standard input (its assembler source then goes to the\n"
           "standard output); a FILE of - is the standard output.\n"
           "\n" +
           optionLine("  -s, --scheme " + schemeChoices("|"),
                      "encoding scheme (default " + schemeOptionValue(defaults.algorithmType) + ")") +
           optionLine("  -f, --fineness N",
                      finenessChoices() + " (default " + std::to_string(defaults.fineness) + "), or auto:") +
           "                              the one with the best SNR after a low-pass at\n"
           "                              0.45 x the sample rate\n"
           "      --optimal               choose the bits by a search over the whole sound\n"
           "                              (slower; less noise through the same circuit)\n"
           "      --report                also print the quality figures of each sound\n"
           "      --compare               print the figures of all 16 scheme and fineness\n"
           "                              pairs for each sound and write no file\n" +
           "  -o, --asm FILE              write the PIC assembler source to FILE\n"
           "  -b, --bin FILE              write the raw binary bitstream to FILE\n"
           "      --wav FILE              write the decoded sound (what \"Play Ryx Sound\" plays)\n"
           "                              as a WAV file\n"
           "      --original-wav FILE     write the original-sound preview WAV file\n"
           "      --hex FILE              write a whole PIC program (player and sound) as\n"
           "                              Intel HEX, ready to flash\n"
           "      --program FILE          write the same program as assembler source\n" +
           optionLine("      --chip NAME", "the PIC for --hex and --program (default " + defaults.chipName + ")") +
           "      --clock HZ              its clock (default: the internal oscillator;\n"
           "                              a crystal of HZ otherwise)\n"
           "      --loop                  play for ever instead of once after every reset\n"
           "      --list-chips            show the chips and exit\n" +
           optionLine("  -r, --rate RATE", "import every INPUT, a sound of any kind (WAV, FLAC, Ogg,") +
           optionLine("", "MP3, AIFF), mixed to mono and converted to RATE Hz, " + std::to_string(kMinImportRate) +
                              " to " + std::to_string(kMaxImportRate) + ";") +
           optionLine("", "usual rates are " + offeredRates() + ";") +
           optionLine("", std::to_string(kDefaultImportRate) + " suits a PIC at 4, 8 or 20 MHz") +
           "      --no-normalize          with --rate: keep the level (no offset removal, no\n"
           "                              peak at -1 dBFS)\n"
           "      --no-trim               with --rate: keep leading and trailing silence\n"
           "                              (below -45 dBFS)\n"
           "  -q, --quiet                 print nothing but errors and asked-for figures\n"
           "  -h, --help                  show this help and exit\n"
           "  -V, --version               show the version and exit\n"
           "\n"
           "The options that name a file take exactly one INPUT. Without --rate, an INPUT\n"
           "must be an 8-bit mono WAV file.\n"
           "\n"
           "The assembler source writes its org addresses in decimal and sets no radix.\n"
           "Include it from a source that selects decimal, for example with gpasm:\n"
           "    list p=16f877a, r=dec\n"
           "    include \"sound.asm\"\n"
           "(the assembler's default radix is hexadecimal).\n"
           "\n"
           "No output may be an input, and no two outputs one file: such a run writes\n"
           "nothing. A sound longer than " + std::to_string(kMaxSamples) + " samples is cut there, with a warning.\n"
           "\n"
           "Exit status: 0 when everything was written, 1 when an input was refused or\n"
           "could not be read or its PIC program cannot be made, 2 for a usage error,\n"
           "3 when an output could not be written; with several inputs the highest of these.\n";
}

namespace {

enum class OptionId {
    scheme, fineness, asmFile, binFile, wavFile, originalWavFile, hexFile, programFile, chip, clock, loop,
    listChips, optimal, report, compare, rate, noNormalize, noTrim, quiet, help, version
};

struct KnownOption {
    char shortName;  // 0: long form only
    std::string_view longName;
    OptionId id;
    bool takesValue;
};

constexpr KnownOption kOptions[] = {
    {'s', "scheme", OptionId::scheme, true},
    {'f', "fineness", OptionId::fineness, true},
    {'o', "asm", OptionId::asmFile, true},
    {'b', "bin", OptionId::binFile, true},
    {0, "wav", OptionId::wavFile, true},
    {0, "original-wav", OptionId::originalWavFile, true},
    {0, "hex", OptionId::hexFile, true},
    {0, "program", OptionId::programFile, true},
    {0, "chip", OptionId::chip, true},
    {0, "clock", OptionId::clock, true},
    {0, "loop", OptionId::loop, false},
    {0, "list-chips", OptionId::listChips, false},
    {0, "optimal", OptionId::optimal, false},
    {0, "report", OptionId::report, false},
    {0, "compare", OptionId::compare, false},
    {'r', "rate", OptionId::rate, true},
    {0, "no-normalize", OptionId::noNormalize, false},
    {0, "no-trim", OptionId::noTrim, false},
    {'q', "quiet", OptionId::quiet, false},
    {'h', "help", OptionId::help, false},
    {'V', "version", OptionId::version, false},
};

const KnownOption* findShort(char name) {
    for (const KnownOption& known : kOptions) {
        if (known.shortName != 0 && known.shortName == name) return &known;
    }
    return nullptr;
}

const KnownOption* findLong(std::string_view name) {
    for (const KnownOption& known : kOptions) {
        if (known.longName == name) return &known;
    }
    return nullptr;
}

std::optional<std::int8_t> parseFineness(std::string_view text) {
    for (const FinenessEntry& entry : fineTable) {
        if (text == std::to_string(entry.fineness)) return entry.fineness;
    }
    return std::nullopt;
}

std::optional<std::int8_t> parseScheme(std::string_view text) {
    for (const SchemeEntry& entry : schemeTable) {
        if (text == entry.optionValue) return entry.algorithmType;
    }
    return std::nullopt;
}

// Stores one option; returns a usage error or the empty text.
std::string apply(CommandLine& options, const KnownOption& known, const std::string& value,
                  std::string_view shownName) {
    switch (known.id) {
    case OptionId::scheme:
        if (auto algorithmType = parseScheme(value)) {
            options.algorithmType = *algorithmType;
            return {};
        }
        return "invalid scheme '" + value + "' (use " + schemeChoices(" or ") + ")";
    case OptionId::fineness:
        if (value == "auto") {
            options.autoFineness = true;
            return {};
        }
        if (auto fineness = parseFineness(value)) {
            options.fineness = *fineness;
            options.autoFineness = false;
            return {};
        }
        return "invalid fineness '" + value + "' (use " + finenessChoices() + ", or auto)";
    case OptionId::asmFile:
    case OptionId::binFile:
    case OptionId::wavFile:
    case OptionId::originalWavFile:
    case OptionId::hexFile:
    case OptionId::programFile: {
        if (value.empty()) return "option '" + std::string(shownName) + "' needs a file name";
        std::string& target = known.id == OptionId::asmFile       ? options.asmFile
                              : known.id == OptionId::binFile     ? options.binFile
                              : known.id == OptionId::wavFile     ? options.wavFile
                              : known.id == OptionId::hexFile     ? options.hexFile
                              : known.id == OptionId::programFile ? options.programFile
                                                                  : options.originalWavFile;
        target = value;
        return {};
    }
    case OptionId::optimal:
        options.optimal = true;
        return {};
    case OptionId::report:
        options.report = true;
        return {};
    case OptionId::compare:
        options.compare = true;
        return {};
    case OptionId::chip:
        if (findPicChip(value) == nullptr) return "unknown chip '" + value + "' (ryxenc --list-chips shows them)";
        options.chipName = value;
        return {};
    case OptionId::clock: {
        std::uint32_t hz = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), hz);
        if (error != std::errc{} || end != value.data() + value.size() || hz < kMinClockHz || hz > kMaxClockHz) {
            return "invalid clock '" + value + "' (use a frequency in Hz from " + std::to_string(kMinClockHz) +
                   " to " + std::to_string(kMaxClockHz) + ")";
        }
        options.clockHz = hz;
        return {};
    }
    case OptionId::loop:
        options.loop = true;
        return {};
    case OptionId::listChips:
        options.listChips = true;
        return {};
    case OptionId::rate:
        // Any whole number is taken here; the importer says when it is out of range.
        if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos) {
            return "invalid rate '" + value + "' (use a whole number of hertz, " + std::to_string(kMinImportRate) +
                   " to " + std::to_string(kMaxImportRate) + ")";
        }
        options.importRate = static_cast<std::uint32_t>(std::stoul(value));
        return {};
    case OptionId::noNormalize:
        options.normalize = false;
        return {};
    case OptionId::noTrim:
        options.trim = false;
        return {};
    case OptionId::quiet:
        options.quiet = true;
        return {};
    case OptionId::help:
        options.help = true;
        return {};
    case OptionId::version:
        options.version = true;
        return {};
    }
    return {};
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    CommandLine& options = parsed.options;
    auto fail = [&parsed](std::string message) {
        parsed.usageError = std::move(message);
        return parsed;
    };

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
            const KnownOption* known = findLong(name);
            const std::string shown = "--" + name;
            if (known == nullptr) return fail("unknown option '" + shown + "'");
            std::string value;
            if (!known->takesValue) {
                if (equals != std::string::npos) return fail("option '" + shown + "' takes no value");
            } else if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return fail("option '" + shown + "' needs a value");
            }
            if (std::string error = apply(options, *known, value, shown); !error.empty()) return fail(error);
            if (options.help || options.version || options.listChips) return parsed;
            continue;
        }
        // A cluster of short options; one that takes a value ends it.
        for (std::size_t at = 1; at < argument.size(); ++at) {
            const KnownOption* known = findShort(argument[at]);
            const std::string shown = std::string("-") + argument[at];
            if (known == nullptr) return fail("unknown option '" + shown + "'");
            std::string value;
            if (known->takesValue) {
                if (at + 1 < argument.size()) {
                    value = argument.substr(at + 1);
                } else if (i + 1 < arguments.size()) {
                    value = arguments[++i];
                } else {
                    return fail("option '" + shown + "' needs a value");
                }
                at = argument.size();
            }
            if (std::string error = apply(options, *known, value, shown); !error.empty()) return fail(error);
            if (options.help || options.version || options.listChips) return parsed;
        }
    }

    if (options.inputs.empty()) return fail("no input file given");
    if (std::count(options.inputs.begin(), options.inputs.end(), "-") > 1) {
        return fail("the standard input '-' can be read only once");
    }
    const std::string* outputs[] = {&options.asmFile,         &options.binFile, &options.wavFile,
                                    &options.originalWavFile, &options.hexFile, &options.programFile};
    if (std::count_if(std::begin(outputs), std::end(outputs), [](const std::string* name) { return *name == "-"; }) > 1) {
        return fail("only one output can be the standard output '-'");
    }
    if (options.compare && options.namesAnOutput()) {
        return fail("--compare writes no file; leave out --asm, --bin, --wav, --original-wav, --hex and --program");
    }
    if (!options.importRate && (!options.normalize || !options.trim)) {
        return fail("--no-normalize and --no-trim need --rate");
    }
    if (options.namesAnOutput() && options.inputs.size() > 1) {
        return fail("--asm, --bin, --wav, --original-wav, --hex and --program take exactly one input, not " +
                    std::to_string(options.inputs.size()));
    }
    if (const PicChip* chip = findPicChip(options.chipName);
        options.namesAProgram() && chip->internalClockHz == 0 && options.clockHz == 0) {
        return fail("the " + std::string(chip->name) + " has no internal oscillator: give its crystal's --clock");
    }
    return parsed;
}

std::string chipListText() {
    std::string text = "chip        words  pins      clock\n";
    for (const PicChip& chip : picChips()) {
        std::string row(chip.processor);
        row.resize(12, ' ');
        row += std::to_string(chip.programWords);
        row.resize(19, ' ');
        row += std::string(chip.pinA) + " " + std::string(chip.pinB);
        row.resize(29, ' ');
        row += chip.internalClockHz != 0
                   ? "internal " + std::to_string(chip.internalClockHz) + " Hz, or a crystal with --clock"
                   : std::string("a crystal: --clock needed");
        text += row + "\n";
    }
    return text;
}

}  // namespace ryx::cli
