#pragma once
// Imports a sound of any kind as the current sound: decoded, converted to
// 8-bit mono samples and loaded by the same step as an open. Does not encode.
// A failed import leaves the state as it was; a damaged file fails rather
// than giving part of its sound.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "import/ImportOptions.h"
#include "import/ImportReport.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx {

Result<ImportReport> importSoundFile(ProgramState& state, const std::string& fileName, const ImportOptions& options);
// The same from a whole file's bytes in memory.
Result<ImportReport> importSoundBytes(ProgramState& state, std::span<const std::uint8_t> bytes,
                                      const ImportOptions& options);

// Whether the file is an 8-bit mono WAV laid out as the load step expects
// (its samples right after a 46-byte header), so opening it loses nothing.
bool isPlainEightBitWave(const std::string& fileName);

}  // namespace ryx
