#include "core/WavReader.h"

#include "core/Encoder.h"
#include "core/PreviewWriter.h"
#include "core/SoundPlayer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace ryx {
namespace {

constexpr long kHeaderSize = 46;
constexpr long kSmallestWave = 54;  // the header and 8 samples

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The file's length as the open file reports it; -1 when it cannot tell.
long lengthOf(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long length = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    return length;
}

std::uint8_t overviewLevel(std::uint8_t sample) {
    const unsigned distance = sample >= 128 ? sample - 128u : 128u - sample;
    unsigned level = distance / 8;
    if (level > 4) level += 3;  // levels 5 to 7 are skipped
    return static_cast<std::uint8_t>(level > 15 ? 15 : level);
}

LoadResult refuse(ProgramState& state, std::string_view message, LoadResult result) {
    state.statusText.set(message);
    resetSound(state);
    return result;
}

LoadResult readSound(ProgramState& state, const std::string& fileName) {
    std::error_code ignored;
    if (fileName.empty() || std::filesystem::is_directory(fileName, ignored)) {
        return refuse(state, kCannotOpenMessage, LoadResult::cannotOpen);
    }
    FileHandle file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return refuse(state, kCannotOpenMessage, LoadResult::cannotOpen);

    const long length = lengthOf(file.get());
    std::uint8_t* header = state.origSamples.data();  // the sample buffer holds the header
    if (length > 0) {
        const std::size_t wanted = static_cast<std::size_t>(std::min(length, kHeaderSize));
        if (std::fread(header, 1, wanted, file.get()) != wanted && std::ferror(file.get())) {
            return refuse(state, kCannotOpenMessage, LoadResult::cannotOpen);
        }
    }
    if (length < kSmallestWave || header[8] != 'W' || header[9] != 'A' || header[10] != 'V' ||
        header[11] != 'E') {
        return refuse(state, kNotWaveMessage, LoadResult::refused);
    }
    if (header[22] != 1 || header[34] != 8) {
        return refuse(state, kUnsupportedFormatMessage, LoadResult::refused);
    }

    state.encoder.sampleRate = header[24] | header[25] << 8 | static_cast<std::uint32_t>(header[26]) << 16;
    const auto available = static_cast<unsigned long>(length - kHeaderSize);
    state.encoder.sampleCount = static_cast<std::uint32_t>(std::min<unsigned long>(available, kMaxSamples));
    // Continues at offset 46, where the header read stopped.
    std::fread(state.origSamples.data(), 1, state.encoder.sampleCount, file.get());

    buildOverview(state);
    encodeSound(state);
    return LoadResult::loaded;
}

}  // namespace

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
    state.player->close();
    resetSound(state);
    state.statusText.clear();
    const LoadResult result = readSound(state, fileName);
    writePreviewWav(state, PreviewMode::originalSound);
    return result;
}

}  // namespace ryx
