#pragma once
// The options of ryxenc, one row each: the names, the value, the help lines
// and what the option does. Parsing, --help and the messages come from here.

#include "cli/CommandLine.h"
#include "core/Result.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ryx::cli {

enum class OptionId {
    scheme, fineness, optimal, report, compare, model, parts, capacitor, load, asmFile, binFile, wavFile,
    originalWavFile, hexFile, programFile, includeFile, memory, image, org, ram, cHeaderFile, cName,
    cPlayerFolder, cPlayerTarget,
    chip, clock, oscillator, pack, loop, bank, trigger, listChips, listMemories, rate, fit, noNormalize, noTrim, quiet,
    help, version
};

// What the checks across options need to know of a row.
enum class OptionGroup {
    setting,
    output,         // names a file to write; needs a name, and a single input
    importSetting,  // only with --rate
    circuitSetting, // only with --model circuit
    query,          // prints something and ends the parse: --help, --version, the lists
};

// Stores the value (empty for an option without one), or says why it is not usable.
using OptionAction = Result<> (*)(CommandLine& options, const std::string& value);

struct OptionRow {
    OptionId id;
    char shortName;                 // 0: long form only
    std::string_view longName;
    std::string valueName;          // empty: the option takes no value
    std::vector<std::string> help;  // the first line beside the name, the others under it
    OptionAction apply;
    OptionGroup group;
};

// In the order --help shows them.
std::span<const OptionRow> optionTable();

const OptionRow* findShortOption(char name);
const OptionRow* findLongOption(std::string_view name);

// "--rate": the long form as messages name it.
std::string optionName(OptionId id);

// "--no-normalize and --no-trim": the long forms of a group, as a list.
std::string optionNames(OptionGroup group);

// The rows as --help shows them, one or more lines each.
std::string optionHelpText();

}  // namespace ryx::cli
