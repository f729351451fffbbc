#include "BenchSound.h"
#include "firmware/PicProgram.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace ryx::bench {
namespace {

// The largest sound that fits a PIC16F877A: 111,104 samples packed 14 to a word over all four pages.
std::unique_ptr<ProgramState> makeLargestFit(PicProgramSettings& settings) {
    auto state = makeLargestSound();
    settings = {findPicChip("16f877a"), 20000000, false};
    state->encoder.sampleCount = picSampleCapacity(*settings.chip);
    state->encoder.sampleRate = 22050;
    return state;
}

// Player, tables and config words to Intel HEX text, in memory.
void timeHexText(benchmark::State& run, const ProgramState& state, const PicProgramSettings& settings) {
    std::size_t bytes = 0;
    for (auto _ : run) {
        const Result<std::string> hex = picProgramHex(state, settings);
        if (!hex) {
            run.SkipWithError("refused");
            break;
        }
        bytes = hex->size();
        benchmark::DoNotOptimize(hex->data());
    }
    run.counters["bytes"] = static_cast<double>(bytes);
}

void BM_PicHexLargestFit(benchmark::State& run) {
    PicProgramSettings settings;
    auto state = makeLargestFit(settings);
    timeHexText(run, *state, settings);
}

// The same, written to a file through the atomic writer.
void BM_WritePicHexLargestFit(benchmark::State& run) {
    BenchFolder folder;
    PicProgramSettings settings;
    auto state = makeLargestFit(settings);
    const auto path = folder.path() / "largest.hex";
    for (auto _ : run) {
        if (!writePicHex(*state, settings, path)) run.SkipWithError("not written");
    }
    run.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

// The longest sound there is (262,500 samples at 15,625 Hz), packed two bytes
// a word on a PIC18F26K22 at 16 MHz: player, 16,406 table words, config bytes.
void BM_PicHexLongestPic18(benchmark::State& run) {
    auto state = makeLargestSound();
    state->encoder.sampleCount = kMaxSamples;
    state->encoder.sampleRate = 15625;
    const PicProgramSettings settings{findPicChip("18f26k22"), 16000000, false};
    timeHexText(run, *state, settings);
}

BENCHMARK(BM_PicHexLargestFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PicHexLongestPic18)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePicHexLargestFit)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
