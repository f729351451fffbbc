// One full paint of the main window's picture: the same fixed work for the
// placeholder sound and for the largest sound.

#include "BenchSound.h"
#include "core/SoundLoad.h"
#include "core/Encoder.h"
#include "formats/WaveLoad.h"
#include "ui/WaveformPainter.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void paintLoop(benchmark::State& loop, const ryx::ProgramState& state) {
    QImage image(500, 499, QImage::Format_RGB32);
    for (auto _ : loop) {
        image.fill(qRgb(240, 240, 240));  // as the platform fills the window first
        QPainter painter(&image);
        ryx::ui::FormDraw(painter, state);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The 490 silent samples of start-up, with all three traces shown.
void BM_PaintPlaceholderSound(benchmark::State& loop) {
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::resetSound(*state);
    state->encoder.showSmoothed = 1;
    paintLoop(loop, *state);
}
BENCHMARK(BM_PaintPlaceholderSound)->Unit(benchmark::kMicrosecond);

// The largest sound (262,500 samples), encoded, viewed at the given sample
// with all three traces shown: 10000 lies in a tone, 50000 in silence,
// 262488 at the end with the columns past it.
void BM_PaintLargestSound(benchmark::State& loop) {
    auto state = ryx::bench::makeLargestSound();
    ryx::buildOverview(*state);
    ryx::encodeSamples(*state);
    ryx::smoothDecoded(*state);
    state->encoder.showSmoothed = 1;
    state->encoder.viewOffset = static_cast<std::uint32_t>(loop.range(0));
    paintLoop(loop, *state);
}
BENCHMARK(BM_PaintLargestSound)->Arg(10000)->Arg(50000)->Arg(262488)->Unit(benchmark::kMicrosecond);

}  // namespace
