#pragma once
// The bitstream as PIC assembler source: comment header with the decoder
// circuit, then retlw tables in org blocks of 256 bytes. CR LF line ends.

#include "io/AtomicFileWriter.h"
#include "core/Result.h"
#include "core/ProgramState.h"

namespace ryx {

// Writes the file whole or not at all.
Result<> exportAssembler(const ProgramState& state, const OutputTarget& target);

}  // namespace ryx
