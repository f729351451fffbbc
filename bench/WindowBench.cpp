// Through the main window: a change of a drop-down list on the largest sound
// (encode, smoothing, the decoded preview file and the repaint), and an import.

#include "BenchSound.h"
#include "MinuteSound.h"
#include "core/SoundLoad.h"
#include "core/Encoder.h"
#include "formats/WaveLoad.h"
#include "import/ImportOptions.h"
#include "ui/FormCanvas.h"
#include "ui/QtSoundPlayer.h"
#include "ui/SoundImporter.h"
#include "ui/TFormMain.h"

#include <QApplication>
#include <QAction>
#include <QComboBox>
#include <QSettings>

#include <benchmark/benchmark.h>
#include <sndfile.h>

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

// From the chosen file (a minute of 44.1 kHz stereo FLAC) to the repainted
// picture: File > Import sound with both dialogs answered at once, the
// import, the previews and the repaint. The cut notice is left out.
void BM_WindowImportOfMinuteFlac(benchmark::State& loop) {
    const ryx::bench::BenchFolder folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder.path().string()));
    const auto path = ryx::bench::minuteSoundFile(folder.path(), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "minute.flac");
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::ui::QtSoundPlayer player;
    {
        ryx::ui::TFormMain form(*state, player, folder.path().string());
        const QString fileName = QString::fromStdString(path.string());
        form.fileChooser = [&fileName](QWidget*, const ryx::ui::FileDialogRequest&) { return fileName; };
        form.importer()->optionsChooser = [](QWidget*, const ryx::ImportOptions& remembered, const QString&) { return remembered; };
        form.importer()->noticeReporter = nullptr;
        form.show();
        QApplication::processEvents();
        for (auto _ : loop) {
            form.FileImport1->trigger();
            form.canvas()->repaint();
        }
        if (state->encoder.sampleRate != ryx::kDefaultImportRate) loop.SkipWithError("the sound was not imported");
        form.close();
    }
}
BENCHMARK(BM_WindowImportOfMinuteFlac)->Unit(benchmark::kMillisecond);

}  // namespace
