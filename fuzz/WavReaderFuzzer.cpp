// Feeds arbitrary bytes, through a file, to the WAV reader and checks that the
// state afterwards is one of the two the rest of the program expects.

#include "core/ProgramState.h"
#include "core/WavReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// A private folder for the input file.
struct Harness {
    Harness() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ryxfuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        directory = pattern;
        inputPath = (directory / "input.wav").string();
        state = std::make_unique<ryx::ProgramState>();
        ryx::resetSound(*state);
    }
    ~Harness() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::filesystem::path directory;
    std::string inputPath;
    std::unique_ptr<ryx::ProgramState> state;
};

void require(bool condition) {
    if (!condition) __builtin_trap();
}

void checkLoaded(const ryx::ProgramState& state, const std::uint8_t* data, std::size_t size) {
    const ryx::EncoderState& encoder = state.encoder;
    require(state.statusText.empty());
    require(size >= 54);
    const std::size_t count = std::min<std::size_t>(size - 46, ryx::kMaxSamples);
    require(encoder.sampleCount == count);
    require(std::equal(data + 46, data + 46 + count, state.origSamples.begin()));
    require(encoder.sampleRate == (std::uint32_t{data[24]} | std::uint32_t{data[25]} << 8 | std::uint32_t{data[26]} << 16));
    require(encoder.overviewStep >= 256);
    require(state.overviewLevels[0] == 0);
    for (std::uint8_t level : state.overviewLevels) require(level <= 15 && (level < 5 || level > 7));
    require(std::all_of(state.bitStream.begin(), state.bitStream.end(), [](std::uint8_t bit) { return bit <= 1; }));
    require(state.bitStream[count - 1] == 0 && state.decodedSamples[count - 1] == 128);
    require(encoder.showEncoded == 1);
}

void checkRefused(const ryx::ProgramState& state) {
    require(state.statusText.view() == ryx::kNotWaveMessage ||
            state.statusText.view() == ryx::kUnsupportedFormatMessage);
    require(state.encoder.sampleCount == 490 && state.encoder.overviewStep == 256);
    require(std::all_of(state.origSamples.begin(), state.origSamples.begin() + ryx::kMaxSamples,
                        [](std::uint8_t sample) { return sample == 128; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    std::FILE* file = std::fopen(harness.inputPath.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();

    switch (ryx::loadWaveFile(*harness.state, harness.inputPath)) {
    case ryx::LoadResult::loaded:
        checkLoaded(*harness.state, data, size);
        break;
    case ryx::LoadResult::refused:
        checkRefused(*harness.state);
        break;
    case ryx::LoadResult::cannotOpen:
        require(false);  // the file is there and readable
        break;
    }
    return 0;
}
