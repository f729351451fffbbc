// A change of a drop-down list on the largest sound, through the main window:
// encode, smoothing, the decoded preview file and the repaint.

#include "BenchSound.h"
#include "core/Encoder.h"
#include "core/WavReader.h"
#include "ui/FormCanvas.h"
#include "ui/QtSoundPlayer.h"
#include "ui/TFormMain.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_ListChangeOnLargestSound(benchmark::State& loop) {
    const ryx::bench::BenchFolder folder;
    const auto source = ryx::bench::makeLargestSound();
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::ui::QtSoundPlayer player;
    {
        ryx::ui::TFormMain form(*state, player, folder.path().string());
        // The window starts with the empty sound; load the largest one as an open would.
        state->origSamples = source->origSamples;
        state->encoder.sampleCount = source->encoder.sampleCount;
        ryx::buildOverview(*state);
        ryx::encodeSound(*state);
        form.show();
        QApplication::processEvents();

        int item = 0;
        for (auto _ : loop) {
            form.ComboBox1->setCurrentIndex(item);  // "Ryx4", "Ryx5", ... in turn
            emit form.ComboBox1->activated(item);   // as the user's choice reports it
            form.canvas()->repaint();
            item = (item + 1) % form.ComboBox1->count();
        }
        form.close();
    }
}
BENCHMARK(BM_ListChangeOnLargestSound)->Unit(benchmark::kMillisecond);

}  // namespace
