#include "core/WavReader.h"

#include "core/Encoder.h"
#include "core/WaveHeader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace ryx {
namespace {

constexpr std::size_t kSmallestWave = kWaveHeaderSize + 8;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::uint8_t overviewLevel(std::uint8_t sample) {
    const unsigned distance = sample >= 128 ? sample - 128u : 128u - sample;
    unsigned level = distance / 8;
    if (level > 4) level += 3;  // levels 5 to 7 are skipped
    return static_cast<std::uint8_t>(level > 15 ? 15 : level);
}

// The margin behind the sound's positions is always 0; a file read into the
// buffer may have put bytes there.
void clearMargin(ProgramState& state) {
    std::fill(state.origSamples.begin() + kMaxSamples, state.origSamples.end(), std::uint8_t{0});
}

LoadResult refuse(ProgramState& state, std::string_view message, LoadResult result) {
    state.statusText.set(message);
    resetSound(state);
    return result;
}

// Everything that decides the sound: the file's first kWaveHeaderSize bytes, its
// length and the samples after the header, up to kMaxSamples of them.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& fileName) {
    // A pipe, device or folder is never waited on.
    struct stat status {};
    if (fileName.empty() || ::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    FileHandle file(std::fopen(fileName.c_str(), "rb"));
    if (!file || ::fstat(::fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    // Bytes past the longest sound cannot change it.
    const auto length = static_cast<std::uint64_t>(status.st_size);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(length, kLongestUsefulWave));
    std::vector<std::uint8_t> bytes(wanted);
    // A short read is an unreadable file, never a shorter sound.
    if (std::fread(bytes.data(), 1, wanted, file.get()) != wanted) return std::nullopt;
    return bytes;
}

}  // namespace

LoadResult readWaveBytes(ProgramState& state, std::span<const std::uint8_t> bytes) {
    // Bytes past the longest sound cannot change the load.
    const std::size_t held = std::min(bytes.size(), kLongestUsefulWave);
    std::copy_n(bytes.begin(), held, state.origSamples.begin());
    const LoadResult result = readWaveSamplesInPlace(state, held);
    if (result == LoadResult::loaded) encodeSound(state);
    return result;
}

LoadResult readWaveSamplesInPlace(ProgramState& state, std::size_t heldBytes) {
    const std::size_t held = std::min(heldBytes, kLongestUsefulWave);
    std::uint8_t* samples = state.origSamples.data();
    state.statusText.clear();
    if (const auto refusal = waveRefusal(std::span(state.origSamples).first(held))) {
        clearMargin(state);
        return refuse(state, *refusal, LoadResult::refused);
    }
    state.encoder.sampleRate = std::uint32_t{samples[24]} | std::uint32_t{samples[25]} << 8 | std::uint32_t{samples[26]} << 16;
    const std::size_t count = std::min<std::size_t>(held - kWaveHeaderSize, kMaxSamples);
    std::copy_n(samples + kWaveHeaderSize, count, samples);
    // The sample buffer held the header: of a sound shorter than the header,
    // the header's later bytes stay behind it; the rest is silence.
    std::fill(samples + std::max(count, kWaveHeaderSize), samples + kMaxSamples, std::uint8_t{128});
    clearMargin(state);
    resetSoundExceptOriginal(state);
    state.encoder.sampleCount = static_cast<std::uint32_t>(count);
    buildOverview(state);
    return LoadResult::loaded;
}

std::optional<std::string_view> waveRefusal(std::span<const std::uint8_t> firstBytes) {
    const std::uint8_t* header = firstBytes.data();
    if (firstBytes.size() < kSmallestWave || header[8] != 'W' || header[9] != 'A' || header[10] != 'V' ||
        header[11] != 'E') {
        return kNotWaveMessage;
    }
    if (header[22] != 1 || header[34] != 8) return kUnsupportedFormatMessage;
    return std::nullopt;
}

void buildOverview(ProgramState& state) {
    const std::uint32_t count = state.encoder.sampleCount;
    state.encoder.overviewStep = count < 491 ? 256u : ((count - 1) * 256u) / kOverviewColumns;
    state.overviewLevels[0] = 0;
    for (std::uint32_t column = 1; column < kOverviewColumns; ++column) {
        const std::uint32_t position = (column * state.encoder.overviewStep) / 256u;
        state.overviewLevels[column] = overviewLevel(state.origSamples[position]);
    }
}

LoadResult loadWaveFile(ProgramState& state, const std::string& fileName) {
    resetSound(state);
    state.statusText.clear();
    const auto bytes = readFileBytes(fileName);
    return bytes ? readWaveBytes(state, *bytes) : refuse(state, kCannotOpenMessage, LoadResult::cannotOpen);
}

}  // namespace ryx
