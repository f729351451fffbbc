#pragma once
// The bitstream as retlw lines in org blocks of 256 bytes, each group of
// eight lines after a counter line: the data part of the assembler file,
// shared by every file that carries the tables.

#include "core/EncodeProgress.h"
#include "export/TextChunkWriter.h"

#include <cstdint>

namespace ryx {

// With a progress, each group waits until its bits are final.
void writeRetlwTables(TextChunkWriter& out, const std::uint8_t* bits, std::uint32_t tableBytes,
                      const EncodeProgress* progress = nullptr);

}  // namespace ryx
