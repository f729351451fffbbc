#pragma once
// A preview WAV file written at any path, whole or not at all.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "formats/PreviewBytes.h"
#include "io/AtomicFileWriter.h"

namespace ryx {

Result<> writePreviewFile(const ProgramState& state, PreviewMode mode, const OutputTarget& target);

}  // namespace ryx
