#pragma once
// Imports a sound of any kind as the current sound: decoded, converted to
// 8-bit mono samples and loaded by the same step as an open. Does not encode.
// A failed import leaves the state as it was.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "import/ImportOptions.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx {

struct ImportReport {
    std::uint64_t cutSamples = 0;  // dropped past kMaxSamples
    std::uint32_t sampleRate = 0;  // the chosen rate
};

Result<ImportReport> importSoundFile(ProgramState& state, const std::string& fileName, const ImportOptions& options);
// The same from a whole file's bytes in memory.
Result<ImportReport> importSoundBytes(ProgramState& state, std::span<const std::uint8_t> bytes,
                                      const ImportOptions& options);

// "The sound was N samples longer than ... ": what was cut, for the user.
std::string cutNotice(const ImportReport& report);

// The 46-byte header and the samples: the file an open loads as these samples.
std::vector<std::uint8_t> eightBitWaveBytes(std::span<const std::uint8_t> samples, std::uint32_t sampleRate);

// Whether the file is an 8-bit mono WAV laid out as the load step expects
// (its samples right after a 46-byte header), so opening it loses nothing.
bool isPlainEightBitWave(const std::string& fileName);

}  // namespace ryx
