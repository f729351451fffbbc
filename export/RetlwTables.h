#pragma once
// The bitstream as retlw lines in org blocks of 256 bytes, each group of
// eight lines after a counter line: the data part of the assembler file,
// shared by every file that carries the tables.

#include "export/TextChunkWriter.h"

#include <cstdint>

namespace ryx {

void writeRetlwTables(TextChunkWriter& out, const std::uint8_t* bits, std::uint32_t tableBytes);

}  // namespace ryx
