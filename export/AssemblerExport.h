#pragma once
// The bitstream as PIC assembler source: comment header with the decoder
// circuit, then retlw tables in org blocks of 256 bytes. CR LF line ends.

#include "core/AtomicFileWriter.h"
#include "core/OperationResult.h"
#include "core/ProgramState.h"

#include <filesystem>

namespace ryx {

// Writes the file whole or not at all.
OperationResult exportAssembler(const ProgramState& state, const OutputTarget& target);

}  // namespace ryx
