#include "cli/OptionTable.h"

#include "core/CircuitParts.h"
#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "export/CHeaderExport.h"
#include "export/CPlayerTarget.h"
#include "firmware/PicChip.h"
#include "firmware/PicProgram.h"
#include "firmware/PlayerForm.h"
#include "firmware/PlaybackTiming.h"
#include "import/ImportOptions.h"
#include "io/DisplayName.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

namespace ryx::cli {
namespace {

// The help's name column: names shorter than this start their text here.
constexpr std::size_t kHelpColumn = 30;

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

// A whole number of at most nine digits, nothing else.
std::optional<std::uint32_t> wholeNumber(const std::string& text) {
    std::uint32_t number = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::from_chars(text.data(), end, number).ptr != end) {
        return std::nullopt;
    }
    return number;
}

Result<> applyScheme(CommandLine& options, const std::string& value) {
    for (const SchemeEntry& entry : schemeTable) {
        if (value == entry.optionValue) {
            options.algorithmType = entry.algorithmType;
            return {};
        }
    }
    return Result<>::failure("invalid scheme " + quotedText(value) + " (use " + schemeChoices(" or ") + ")");
}

Result<> applyFineness(CommandLine& options, const std::string& value) {
    if (value == "auto") {
        options.autoFineness = true;
        return {};
    }
    for (const FinenessEntry& entry : fineTable) {
        if (value == std::to_string(entry.fineness)) {
            options.fineness = entry.fineness;
            options.autoFineness = false;
            return {};
        }
    }
    return Result<>::failure("invalid fineness " + quotedText(value) + " (use " + finenessChoices() + ", or auto)");
}

Result<> applyChip(CommandLine& options, const std::string& value) {
    if (findPicChip(value) == nullptr) {
        return Result<>::failure("unknown chip " + quotedText(value) + " (ryxenc " + optionName(OptionId::listChips) +
                                 " shows them)");
    }
    options.chipName = value;
    options.chipGiven = true;
    return {};
}

Result<> applyMemory(CommandLine& options, const std::string& value) {
    if (findMemory(value) == nullptr) {
        return Result<>::failure("unknown memory " + quotedText(value) + " (ryxenc " +
                                 optionName(OptionId::listMemories) + " shows them)");
    }
    options.memoryName = value;
    return {};
}

Result<> applyClock(CommandLine& options, const std::string& value) {
    const std::optional<std::uint32_t> hz = wholeNumber(value);
    if (!hz || *hz < kMinClockHz || *hz > kMaxClockHz) {
        return Result<>::failure("invalid clock " + quotedText(value) + " (use a frequency in Hz from " +
                                 std::to_string(kMinClockHz) + " to " + std::to_string(kMaxClockHz) + ")");
    }
    options.clockHz = *hz;
    return {};
}

// A program address: decimal, or hexadecimal after 0x.
std::optional<std::uint32_t> addressNumber(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!hex) return wholeNumber(text);
    const std::string digits = text.substr(2);
    std::uint32_t number = 0;
    const char* end = digits.data() + digits.size();
    if (digits.size() > 6 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
        std::from_chars(digits.data(), end, number, 16).ptr != end) {
        return std::nullopt;
    }
    return number;
}

template <std::optional<std::uint32_t> CommandLine::*field>
Result<> applyAddress(CommandLine& options, const std::string& value) {
    const std::optional<std::uint32_t> address = addressNumber(value);
    if (!address) {
        return Result<>::failure("invalid address " + quotedText(value) + " (use decimal, or hexadecimal after 0x)");
    }
    options.*field = *address;
    return {};
}

Result<> applyOscillator(CommandLine& options, const std::string& value) {
    if (value == "internal") {
        options.oscillator = PicOscillator::internal;
    } else if (value == "crystal") {
        options.oscillator = PicOscillator::crystal;
    } else {
        return Result<>::failure("invalid oscillator " + quotedText(value) + " (use internal or crystal)");
    }
    return {};
}

Result<> applyCName(CommandLine& options, const std::string& value) {
    if (const std::string problem = cNameProblem(value); !problem.empty()) {
        return Result<>::failure("invalid array name " + quotedText(value) + ": it " + problem);
    }
    options.cName = value;
    return {};
}

Result<> applyTrigger(CommandLine& options, const std::string& value) {
    if (value == "reset") {
        options.trigger = PlayTrigger::reset;
    } else if (value == "pins") {
        options.trigger = PlayTrigger::pins;
    } else if (value == "select") {
        options.trigger = PlayTrigger::select;
    } else {
        return Result<>::failure("invalid trigger " + quotedText(value) + " (use reset, pins or select)");
    }
    return {};
}

Result<> applyPacking(CommandLine& options, const std::string& value) {
    if (value == "auto") {
        options.packing = PicPacking::automatic;
    } else if (value == "off") {
        options.packing = PicPacking::off;
    } else {
        return Result<>::failure("invalid packing " + quotedText(value) + " (use auto or off)");
    }
    options.packingGiven = true;
    return {};
}

Result<> applyRate(CommandLine& options, const std::string& value) {
    const std::optional<std::uint32_t> rate = wholeNumber(value);
    if (!rate || *rate < kMinImportRate || *rate > kMaxImportRate) {
        return Result<>::failure("invalid rate " + quotedText(value) + " (use a whole number of hertz, " +
                                 std::to_string(kMinImportRate) + " to " + std::to_string(kMaxImportRate) + ")");
    }
    options.importRate = *rate;
    return {};
}

Result<> applyModel(CommandLine& options, const std::string& value) {
    // "document" names the classic model too: the files it makes are the ones
    // this program has always made.
    if (value == "classic" || value == "document") {
        options.filterModel = FilterModelChoice::classic;
    } else if (value == "circuit") {
        options.filterModel = FilterModelChoice::circuit;
    } else {
        return Result<>::failure("invalid model " + quotedText(value) + " (use classic or circuit)");
    }
    return {};
}

// The core's reasons quote the text unescaped: the messages here quote it themselves.
Result<> applyParts(CommandLine& options, const std::string& value) {
    const Result<ResistorParts> parts = parseCircuitParts(value);
    if (!parts) {
        return Result<>::failure("invalid parts " + quotedText(value) +
                                 " (use exact, e12, e24, or one or two resistances from 1 to 100M such as 4.7k"
                                 " or 10k,8.2k)");
    }
    options.circuitParts.resistors = *parts;
    options.circuitPartsGiven = true;
    return {};
}

Result<> applyCapacitor(CommandLine& options, const std::string& value) {
    const Result<double> farads = parseCapacitance(value);
    if (!farads) {
        return Result<>::failure("invalid capacitor " + quotedText(value) +
                                 " (use a capacitance from 10p to 10m such as 0.22u, 220n or 2.2e-7)");
    }
    options.circuitParts.capacitanceFarads = *farads;
    options.circuitPartsGiven = true;
    return {};
}

Result<> applyLoad(CommandLine& options, const std::string& value) {
    const Result<double> ohms = parseLoad(value);
    if (!ohms) {
        return Result<>::failure("invalid load " + quotedText(value) +
                                 " (use a resistance from 1 to 100M such as 10k, or none)");
    }
    options.circuitParts.loadOhms = *ohms;
    options.circuitPartsGiven = true;
    return {};
}

// "atmega328p, attiny85 or generic": the chips --c-player knows.
std::string cPlayerTargetChoices() {
    std::string choices;
    const auto targets = cPlayerTargets();
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (i > 0) choices += i + 1 == targets.size() ? " or " : ", ";
        choices += targets[i].name;
    }
    return choices;
}

Result<> applyCPlayerTarget(CommandLine& options, const std::string& value) {
    if (findCPlayerTarget(value) == nullptr) {
        return Result<>::failure("invalid target " + quotedText(value) + " (use " + cPlayerTargetChoices() + ")");
    }
    options.cPlayerTarget = value;
    return {};
}

template <std::string CommandLine::*name>
Result<> storeName(CommandLine& options, const std::string& value) {
    options.*name = value;
    return {};
}

template <bool CommandLine::*flag, bool value>
Result<> setFlag(CommandLine& options, const std::string&) {
    options.*flag = value;
    return {};
}

std::vector<OptionRow> makeTable() {
    const CommandLine defaults;
    return {
        {OptionId::scheme, 's', "scheme", schemeChoices("|"),
         {"encoding scheme (default " + schemeOptionValue(defaults.algorithmType) + ")"}, applyScheme,
         OptionGroup::setting},
        {OptionId::fineness, 'f', "fineness", "N",
         {finenessChoices() + " (default " + std::to_string(defaults.fineness) + "), or auto:",
          "the one with the best SNR after a low-pass at", "0.45 x the sample rate"},
         applyFineness, OptionGroup::setting},
        {OptionId::optimal, 0, "optimal", "",
         {"choose the bits by a search over the whole sound", "(slower; less noise through the same circuit)"},
         setFlag<&CommandLine::optimal, true>, OptionGroup::setting},
        {OptionId::report, 0, "report", "", {"also print the quality figures of each sound"},
         setFlag<&CommandLine::report, true>, OptionGroup::setting},
        {OptionId::compare, 0, "compare", "",
         {"print the figures of all 16 scheme and fineness", "pairs for each sound and write no file"},
         setFlag<&CommandLine::compare, true>, OptionGroup::setting},
        {OptionId::model, 0, "model", "MODEL",
         {"the filter the bits are chosen for: classic (the",
          "default; a fixed share of the way per sample) or",
          "circuit (the drawn RC circuit with real parts,", "solved exactly)"},
         applyModel, OptionGroup::setting},
        {OptionId::parts, 0, "parts", "PARTS",
         {"with --model circuit, the resistors: exact (the",
          "default: as the fineness asks), e12 or e24 (the",
          "nearest value to buy), or OHMS, or OHMS,OHMS for", "pins A and B under 1.5 bit (1 to 100M each)"},
         applyParts, OptionGroup::circuitSetting},
        {OptionId::capacitor, 0, "capacitor", "VALUE",
         {"with --model circuit, the capacitor (default " +
          formatCapacitance(defaults.circuitParts.capacitanceFarads) + ";",
          "0.22u, 220n and 2.2e-7 are the same; 10p to 10m)"},
         applyCapacitor, OptionGroup::circuitSetting},
        {OptionId::load, 0, "load", "OHMS",
         {"with --model circuit, a load from the output to", "ground, such as an amplifier input (default none;",
          "1 to 100M)"},
         applyLoad, OptionGroup::circuitSetting},
        {OptionId::asmFile, 'o', "asm", "FILE", {"write the PIC assembler source to FILE"},
         storeName<&CommandLine::asmFile>, OptionGroup::output},
        {OptionId::binFile, 'b', "bin", "FILE", {"write the raw binary bitstream to FILE"},
         storeName<&CommandLine::binFile>, OptionGroup::output},
        {OptionId::wavFile, 0, "wav", "FILE",
         {"write the decoded sound (what \"Play Ryx Sound\" plays)", "as a WAV file"},
         storeName<&CommandLine::wavFile>, OptionGroup::output},
        {OptionId::originalWavFile, 0, "original-wav", "FILE", {"write the original-sound preview WAV file"},
         storeName<&CommandLine::originalWavFile>, OptionGroup::output},
        {OptionId::hexFile, 0, "hex", "FILE",
         {"write a whole PIC program (player and sound) as", "Intel HEX, ready to flash"},
         storeName<&CommandLine::hexFile>, OptionGroup::output},
        {OptionId::programFile, 0, "program", "FILE", {"write the same program as assembler source"},
         storeName<&CommandLine::programFile>, OptionGroup::output},
        {OptionId::includeFile, 0, "include", "FILE",
         {"write the sound (with --bank, every sound) and a", "routine ryx_play that plays the one W names, as",
          "an assembler include for your own PIC16 or PIC18", "program (see below)"},
         storeName<&CommandLine::includeFile>, OptionGroup::output},
        {OptionId::memory, 0, "memory", "KIND",
         {"play the sounds of --hex, --program or --include from", "a serial memory KIND on the chip's memory pins",
          "(ryxenc --list-memories shows them); needs --image"},
         applyMemory, OptionGroup::setting},
        {OptionId::image, 0, "image", "FILE",
         {"write that memory's image (an index, then the", "sounds): Intel HEX for NAME.hex, raw bytes",
          "otherwise, for an EEPROM or flash programmer"},
         storeName<&CommandLine::imageFile>, OptionGroup::output},
        {OptionId::org, 0, "org", "ADDR",
         {"with --include, the routine's first word, the tables", "right after it (default " +
          formatHexWord(kDefaultRoutineOrg) + "); decimal or 0x hex", "(on a PIC18 a word address too: byte 2 x ADDR)"},
         applyAddress<&CommandLine::org>, OptionGroup::setting},
        {OptionId::ram, 0, "ram", "ADDR",
         {"with --include, the first of its " + std::to_string(kRoutineRegisters) + " file registers in bank 0",
          "(default " + formatHexWord(kDefaultRoutineRam) + ", the bank every bank shares); on a",
          "PIC18 " + formatHexWord(kPic18RoutineRamLowest) + " to " +
              formatHexWord(kPic18RoutineRamEnd - kRoutineRegisters) + " in the access bank (default " +
              formatHexWord(kDefaultPic18RoutineRam) + ")"},
         applyAddress<&CommandLine::ram>, OptionGroup::setting},
        {OptionId::cHeaderFile, 0, "c", "FILE",
         {"write the bits as a C header: a const array of", "every encoded sample (eight to a byte as --bin,",
          "the last byte filled up), its samples, rate,", "pins and fineness"},
         storeName<&CommandLine::cHeaderFile>, OptionGroup::output},
        {OptionId::cName, 0, "name", "NAME",
         {"the C array's name, with --bank the table's", "(default: the input's name as a C identifier,",
          "changed where it would not compile; for a bank,", "sounds)"},
         applyCName, OptionGroup::setting},
        {OptionId::cPlayerFolder, 0, "c-player", "DIR",
         {"write a C player into DIR: ryx_player.h,", "ryx_player.c, sounds.h (as --c writes it; with",
          "--bank every sound) and, for a --target chip,", "main.c (see below)"},
         storeName<&CommandLine::cPlayerFolder>, OptionGroup::output},
        {OptionId::cPlayerTarget, 0, "target", "CHIP",
         {"the chip of --c-player's main.c, one of", cPlayerTargetChoices() + " (default:",
          "no main.c); --clock its clock"},
         applyCPlayerTarget, OptionGroup::setting},
        {OptionId::chip, 0, "chip", "NAME", {"the PIC for --hex and --program (default " + defaults.chipName + ")"},
         applyChip, OptionGroup::setting},
        {OptionId::clock, 0, "clock", "HZ",
         {"its clock (default: the internal oscillator;", "a crystal of HZ otherwise)"},
         applyClock, OptionGroup::setting},
        {OptionId::oscillator, 0, "oscillator", "KIND",
         {"internal or crystal (default: the internal", "oscillator when the chip has one and --clock is",
          "left out or its frequency, a crystal otherwise)"},
         applyOscillator, OptionGroup::setting},
        {OptionId::pack, 0, "pack", "HOW",
         {"auto: the sound packed 14 or 16 samples to a program", "word on chips that read their program memory,",
          "8 in a retlw on the others (default); off: retlw", "words on every chip"},
         applyPacking, OptionGroup::setting},
        {OptionId::loop, 0, "loop", "", {"play for ever instead of once after every reset"},
         setFlag<&CommandLine::loop, true>, OptionGroup::setting},
        {OptionId::bank, 0, "bank", "",
         {"put every INPUT in one program (--hex, --program)", "or one C header (--c), sound 1, 2... in order;",
          "they share one rate, scheme and fineness (-f auto:", "the best for the sound it suits least)"},
         setFlag<&CommandLine::bank, true>, OptionGroup::setting},
        {OptionId::trigger, 0, "trigger", "HOW",
         {"reset: the program plays sound 1 after every reset;", "pins: sound k plays, whole, when trigger pin k is",
          "pulled low, a short press will do (RB4 to RB7 on", "PORTB chips; see --list-chips), asleep in between",
          "(default with --bank); select: a controller sets", "the number of the sound (0 for sound 1) on the",
          "select pins, then pulls the strobe low (on PORTB", "chips RB4 is the strobe, RB5 to RB7 the number's",
          "bits 0 to 2)"},
         applyTrigger, OptionGroup::setting},
        {OptionId::listChips, 0, "list-chips", "", {"show the chips and exit"},
         setFlag<&CommandLine::listChips, true>, OptionGroup::query},
        {OptionId::listMemories, 0, "list-memories", "", {"show the serial memories a long sound can play from", "and exit"},
         setFlag<&CommandLine::listMemories, true>, OptionGroup::query},
        {OptionId::rate, 'r', "rate", "RATE",
         {"import every INPUT, a sound of any kind (WAV, FLAC, Ogg,",
          "MP3, AIFF), mixed to mono and converted to RATE Hz, " + std::to_string(kMinImportRate) + " to " +
              std::to_string(kMaxImportRate) + ";",
          "usual rates are " + offeredRates() + ";",
          std::to_string(kDefaultImportRate) + " suits a PIC at 4, 8 or 20 MHz"},
         applyRate, OptionGroup::setting},
        {OptionId::fit, 0, "fit", "",
         {"import at the highest rate up to --rate (default " + std::to_string(kDefaultImportRate) + ")",
          "at which the whole sound (every sound of a --bank)", "fits the chip, from its org with --include; needs",
          "--chip, --hex, --program or --include; below", std::to_string(kLowestSpeechRate) +
              " Hz it warns and names chips that hold the", "sound at " + std::to_string(kLowestSpeechRate) + " Hz"},
         setFlag<&CommandLine::fit, true>, OptionGroup::setting},
        {OptionId::noNormalize, 0, "no-normalize", "",
         {"with --rate: keep the level (no offset removal, no", "peak at -1 dBFS)"},
         setFlag<&CommandLine::normalize, false>, OptionGroup::importSetting},
        {OptionId::noTrim, 0, "no-trim", "", {"with --rate: keep leading and trailing silence", "(below -45 dBFS)"},
         setFlag<&CommandLine::trim, false>, OptionGroup::importSetting},
        {OptionId::quiet, 'q', "quiet", "", {"print nothing but errors and asked-for figures"},
         setFlag<&CommandLine::quiet, true>, OptionGroup::setting},
        {OptionId::help, 'h', "help", "", {"show this help and exit"}, setFlag<&CommandLine::help, true>,
         OptionGroup::query},
        {OptionId::version, 'V', "version", "", {"show the version and exit"}, setFlag<&CommandLine::version, true>,
         OptionGroup::query},
    };
}

}  // namespace

std::span<const OptionRow> optionTable() {
    static const std::vector<OptionRow> table = makeTable();
    return table;
}

const OptionRow* findShortOption(char name) {
    for (const OptionRow& row : optionTable()) {
        if (row.shortName != 0 && row.shortName == name) return &row;
    }
    return nullptr;
}

const OptionRow* findLongOption(std::string_view name) {
    for (const OptionRow& row : optionTable()) {
        if (row.longName == name) return &row;
    }
    return nullptr;
}

std::string optionName(OptionId id) {
    for (const OptionRow& row : optionTable()) {
        if (row.id == id) return "--" + std::string(row.longName);
    }
    throw std::logic_error("an option without a row");
}

std::string optionNames(OptionGroup group) {
    std::vector<std::string> names;
    for (const OptionRow& row : optionTable()) {
        if (row.group == group) names.push_back("--" + std::string(row.longName));
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) list += i + 1 == names.size() ? " and " : ", ";
        list += names[i];
    }
    return list;
}

std::string optionHelpText() {
    std::string text;
    for (const OptionRow& row : optionTable()) {
        std::string name = row.shortName != 0 ? std::string("  -") + row.shortName + ", --" : std::string("      --");
        name += row.longName;
        if (!row.valueName.empty()) name += " " + row.valueName;
        name.resize(std::max(name.size() + 1, kHelpColumn), ' ');
        for (const std::string& line : row.help) {
            text += name + line + "\n";
            name.assign(kHelpColumn, ' ');
        }
    }
    return text;
}

}  // namespace ryx::cli
