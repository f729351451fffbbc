#pragma once
// The bitstream as PIC assembler source: comment header with the decoder
// circuit, then retlw tables in org blocks of 256 bytes. CR LF line ends.

#include "core/AtomicFileWriter.h"
#include "core/EncodeProgress.h"
#include "core/Result.h"
#include "core/ProgramState.h"

#include <filesystem>

namespace ryx {

// Writes the file whole or not at all.
Result<> exportAssembler(const ProgramState& state, const OutputTarget& target);
// The same while the bitstream is still being made on another thread: each
// bit is read once the progress says it is final.
Result<> exportAssembler(const ProgramState& state, const OutputTarget& target,
                                const EncodeProgress& progress);

}  // namespace ryx
