#include "import/SoundImport.h"

#include "core/SoundLoad.h"
#include "formats/PreviewBytes.h"
#include "formats/WaveHeader.h"
#include "import/SoundConversion.h"
#include "import/SoundDecoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace ryx {
namespace {

Result<ImportReport> adoptConverted(ProgramState& state, const ConvertedSound& converted, std::uint32_t rate) {
    if (!converted.error.empty()) return Error{converted.error};
    loadSamples(state, converted.samples, rate);
    return ImportReport{converted.cutSamples, rate};
}

}  // namespace

Result<ImportReport> importSoundFile(ProgramState& state, const std::string& fileName, const ImportOptions& options) {
    const DecodedSound decoded = decodeSoundFile(fileName);
    if (!decoded.error.empty()) return Error{decoded.error};
    return adoptConverted(state, convertSound(decoded, options), options.rate);
}

Result<ImportReport> importSoundBytes(ProgramState& state, std::span<const std::uint8_t> bytes,
                                      const ImportOptions& options) {
    const DecodedSound decoded = decodeSoundBytes(bytes);
    if (!decoded.error.empty()) return Error{decoded.error};
    return adoptConverted(state, convertSound(decoded, options), options.rate);
}
std::string cutNotice(const ImportReport& report) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f",
                  static_cast<double>(report.cutSamples) / static_cast<double>(report.sampleRate));
    return "The sound is longer than " + std::to_string(kMaxSamples) + " samples at " +
           std::to_string(report.sampleRate) + " Hz: its last " + std::to_string(report.cutSamples) +
           " samples (" + seconds + " s) were cut.";
}

std::vector<std::uint8_t> eightBitWaveBytes(std::span<const std::uint8_t> samples, std::uint32_t sampleRate) {
    const auto header = previewHeader(static_cast<std::uint32_t>(samples.size()), sampleRate);
    std::vector<std::uint8_t> bytes(header.size() + samples.size());
    std::copy(header.begin(), header.end(), bytes.begin());
    std::copy(samples.begin(), samples.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return bytes;
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
