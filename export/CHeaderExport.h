#pragma once
// The bitstream as a C header for any toolchain: every encoded sample, eight
// to a byte as the binary export packs them, the last byte padded, in a const
// array with the figures a player needs beside it; for a bank a table of them.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "export/CHeaderNames.h"
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

// Refuses a sound with no encoded sample (C has no empty arrays), a name
// that would not compile and a name defined twice. An empty `bankName`: one
// sound and no table; otherwise a table of the sounds under that name,
// whatever their number.
Result<> checkCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName);

// Writes the header once checkCHeader has passed it.
Result<> exportCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName, const OutputTarget& target);

}  // namespace ryx
