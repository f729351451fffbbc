#pragma once
// The bitstream as a C header for any toolchain: the binary export's bytes
// in a const array with the figures a player needs beside them, one array per
// sound, and for several sounds a table of them.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "io/AtomicFileWriter.h"

#include <span>
#include <string>
#include <string_view>

namespace ryx {

struct CHeaderSound {
    const ProgramState* state = nullptr;
    std::string name;    // a C identifier: the array's name and its figures' prefix
    std::string source;  // the file it came from, for the comment
};

// A C identifier from a file's base name: other characters become '_', a
// leading digit gets "sound_" before it; nothing usable gives "sound".
std::string cIdentifierFor(std::string_view baseName);

// Letters, digits and '_', not starting with a digit, and no C keyword.
bool isCIdentifier(std::string_view name);

// Refuses a sound without a whole byte of bits (C has no empty arrays) and
// two sounds of one name. `bankName` names the table of a bank of several.
Result<> exportCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName, const OutputTarget& target);

}  // namespace ryx
