#include "BenchSound.h"
#include "core/PreviewWriter.h"
#include "core/WavReader.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace ryx::bench {
namespace {

// The largest sound as a file in the 46-byte layout, beside its previews.
std::filesystem::path writeLargestWave(ProgramState& state) {
    const auto path = std::filesystem::path(state.previewDirectory) / "largest.wav";
    state.encoder.sampleRate = 15625;
    writePreviewFile(state, PreviewMode::originalSound, path);
    return path;
}

// Reader, overview, encode, smoothing and both preview files.
void BM_LoadLargestSound(benchmark::State& run) {
    auto state = makeLargestSound();
    const auto path = writeLargestWave(*state);
    for (auto _ : run) {
        if (loadWaveFile(*state, path.string()) != LoadResult::loaded) run.SkipWithError("not loaded");
    }
    std::filesystem::remove_all(state->previewDirectory);
}

void BM_ExportAssemblerLargest(benchmark::State& run) {
    auto state = makeLargestSound();
    loadWaveFile(*state, writeLargestWave(*state).string());
    const auto path = std::filesystem::path(state->previewDirectory) / "largest.asm";
    for (auto _ : run) {
        if (!exportAssembler(*state, path)) run.SkipWithError("export failed");
    }
    run.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(state->previewDirectory);
}

void BM_ExportBinaryLargest(benchmark::State& run) {
    auto state = makeLargestSound();
    loadWaveFile(*state, writeLargestWave(*state).string());
    const auto path = std::filesystem::path(state->previewDirectory) / "largest.ryx";
    for (auto _ : run) {
        if (!exportBinary(*state, path)) run.SkipWithError("export failed");
    }
    run.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(state->previewDirectory);
}

BENCHMARK(BM_LoadLargestSound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAssemblerLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportBinaryLargest)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
