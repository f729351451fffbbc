// Importing a minute of 44.1 kHz 16-bit stereo sound, WAV and FLAC: decode,
// mix, rate change to 15625 Hz, normalise, trim, cut, load and encode.

#include "BenchSound.h"
#include "MinuteSound.h"
#include "core/ProgramState.h"
#include "import/SoundImport.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <memory>

namespace {

void importMinute(benchmark::State& loop, int format, const char* name) {
    const ryx::bench::BenchFolder folder;
    const auto path = ryx::bench::minuteSoundFile(folder.path(), format, name);
    auto state = std::make_unique<ryx::ProgramState>();
    for (auto _ : loop) {
        const ryx::Result<ryx::ImportReport> report = ryx::importSoundFile(*state, path.string(), {});
        if (!report.ok()) loop.SkipWithError(report.error().c_str());
    }
}

void BM_ImportMinuteOfWav(benchmark::State& loop) { importMinute(loop, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "wav.wav"); }
void BM_ImportMinuteOfFlac(benchmark::State& loop) {
    importMinute(loop, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "flac.flac");
}
BENCHMARK(BM_ImportMinuteOfWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportMinuteOfFlac)->Unit(benchmark::kMillisecond);

}  // namespace
