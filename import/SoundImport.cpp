#include "import/SoundImport.h"

#include "core/SoundLoad.h"
#include "formats/WaveHeader.h"
#include "import/SoundConversion.h"
#include "import/SoundDecoder.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace ryx {
namespace {

Result<ImportReport> importDecoded(ProgramState& state, const Result<DecodedSound>& decoded,
                                   const ImportOptions& options) {
    if (!decoded) return decoded.failureDetail();
    const Result<ConvertedSound> converted = convertSound(*decoded, options);
    if (!converted) return converted.failureDetail();
    loadSamples(state, converted->samples, options.rate);
    return ImportReport{.cutSamples = converted->cutSamples,
                        .undecodedFrames = decoded->framesLeftOut,
                        .sourceRate = decoded->sampleRate,
                        .sampleRate = options.rate,
                        .nonFiniteSamples = decoded->nonFiniteSamples};
}

}  // namespace

Result<ImportReport> importSoundFile(ProgramState& state, const std::string& fileName, const ImportOptions& options) {
    return importDecoded(state, decodeSoundFile(fileName), options);
}

Result<ImportReport> importSoundBytes(ProgramState& state, std::span<const std::uint8_t> bytes,
                                      const ImportOptions& options) {
    return importDecoded(state, decodeSoundBytes(bytes), options);
}

bool isPlainEightBitWave(const std::string& fileName) {
    // Only a regular file is opened: a FIFO would block the open for good.
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) return false;
    std::array<std::uint8_t, kWaveHeaderSize> header{};
    std::ifstream file(fileName, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
    return isPlainEightBitHeader(header);
}

}  // namespace ryx
