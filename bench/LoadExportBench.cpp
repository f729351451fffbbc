#include "BenchSound.h"
#include "io/PreviewFile.h"
#include "core/Encoder.h"
#include "io/WaveFile.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace ryx::bench {
namespace {

// As the window opens a file: loaded, then encoded.
bool openWave(ProgramState& state, const std::string& fileName) {
    if (!loadWaveFile(state, fileName)) return false;
    encodeSound(state);
    return true;
}

// The largest sound as a file in the 46-byte layout.
std::filesystem::path writeLargestWave(ProgramState& state, const BenchFolder& folder) {
    const auto path = folder.path() / "largest.wav";
    state.encoder.sampleRate = 15625;
    if (!writePreviewFile(state, PreviewMode::originalSound, path)) return {};
    return path;
}

// Reader, overview, encode and smoothing, and the two preview files an open
// in the window writes after it.
void BM_LoadLargestSound(benchmark::State& run) {
    BenchFolder folder;
    auto state = makeLargestSound();
    const auto path = writeLargestWave(*state, folder);
    for (auto _ : run) {
        if (!openWave(*state, path.string())) run.SkipWithError("not loaded");
        if (!writePreviewFile(*state, PreviewMode::decodedSound, folder.path() / "decoded.wav") ||
            !writePreviewFile(*state, PreviewMode::originalSound, folder.path() / "original.wav")) {
            run.SkipWithError("not written");
        }
    }
}

void BM_ExportAssemblerLargest(benchmark::State& run) {
    BenchFolder folder;
    auto state = makeLargestSound();
    if (!openWave(*state, writeLargestWave(*state, folder).string())) run.SkipWithError("not loaded");
    const auto path = folder.path() / "largest.asm";
    for (auto _ : run) {
        if (!exportAssembler(*state, path)) run.SkipWithError("export failed");
    }
    run.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void BM_ExportBinaryLargest(benchmark::State& run) {
    BenchFolder folder;
    auto state = makeLargestSound();
    if (!openWave(*state, writeLargestWave(*state, folder).string())) run.SkipWithError("not loaded");
    const auto path = folder.path() / "largest.ryx";
    for (auto _ : run) {
        if (!exportBinary(*state, path)) run.SkipWithError("export failed");
    }
    run.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

BENCHMARK(BM_LoadLargestSound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAssemblerLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportBinaryLargest)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
