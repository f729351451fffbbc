#include "import/SoundImport.h"

#include "core/PreviewWriter.h"
#include "core/WaveHeader.h"
#include "core/WavReader.h"
#include "import/SoundConversion.h"
#include "import/SoundDecoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

namespace ryx {
namespace {

// Loads the converted sound into a scratch state and copies it over only
// when the load step took it.
ImportReport adoptConverted(ProgramState& state, const ConvertedSound& converted, std::uint32_t rate) {
    ImportReport report{converted.error, converted.cutSamples, rate};
    if (!report.ok()) return report;
    // A copy keeps every setting (scheme, fineness, encoder choice) for the load's encode.
    auto scratch = std::make_unique<ProgramState>(state);
    if (readWaveBytes(*scratch, eightBitWaveBytes(converted.samples, rate)) != LoadResult::loaded) {
        report.error = std::string(scratch->statusText.view());
        return report;
    }
    state = *scratch;
    return report;
}

}  // namespace

ImportReport importSoundFile(ProgramState& state, const std::string& fileName, const ImportOptions& options) {
    const DecodedSound decoded = decodeSoundFile(fileName);
    if (!decoded.error.empty()) return {decoded.error, 0, options.rate};
    return adoptConverted(state, convertSound(decoded, options), options.rate);
}

ImportReport importSoundBytes(ProgramState& state, std::span<const std::uint8_t> bytes, const ImportOptions& options) {
    const DecodedSound decoded = decodeSoundBytes(bytes);
    if (!decoded.error.empty()) return {decoded.error, 0, options.rate};
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
    std::array<char, kWaveHeaderSize> header{};
    std::ifstream file(fileName, std::ios::binary);
    if (!file.read(header.data(), header.size())) return false;
    const auto at = [&header](std::size_t offset, const char* text) {
        return std::memcmp(&header[offset], text, std::strlen(text)) == 0;
    };
    return at(0, "RIFF") && at(8, "WAVEfmt ") && header[20] == 1 && header[21] == 0 && header[22] == 1 &&
           header[23] == 0 && header[34] == 8 && header[35] == 0 && at(38, "data");
}

}  // namespace ryx
