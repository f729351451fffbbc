// For the end-to-end sound test: opens a test tone in the main window,
// presses "  Play Orig Sound" and waits until the sound has been heard.
// Usage: ryx_play_tone FOLDER FREQUENCY MILLISECONDS RATE

#include "formats/PreviewBytes.h"
#include "core/ProgramState.h"
#include "ui/QtSoundPlayer.h"
#include "ui/TFormMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr double kAmplitude = 100.0;  // of 127, well clear of clipping

// The tone as an 8-bit mono WAV file in the reader's 46-byte layout.
bool writeTone(const std::string& path, double frequency, int milliseconds, std::uint32_t rate) {
    const auto count = static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * static_cast<std::uint64_t>(milliseconds) / 1000);
    const auto header = ryx::previewHeader(count, rate);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    for (std::uint32_t i = 0; i < count; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequency * i / rate;
        out.put(static_cast<char>(static_cast<std::uint8_t>(std::lround(128.0 + kAmplitude * std::sin(phase)))));
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 5) return 2;
    const std::string folder = argv[1];
    const int milliseconds = std::atoi(argv[3]);
    const std::string tone = folder + "/tone.wav";
    if (!writeTone(tone, std::atof(argv[2]), milliseconds, static_cast<std::uint32_t>(std::atoi(argv[4])))) return 2;

    auto state = std::make_unique<ryx::ProgramState>();
    ryx::ui::QtSoundPlayer player;
    int status = 0;
    {
        ryx::ui::TFormMain form(*state, player, folder);
        form.errorReporter = [&status](QWidget*, const QString& message) {
            std::fprintf(stderr, "error box: %s\n", qPrintable(message));
            status = 1;
        };
        form.FileOpen1Accept(QString::fromStdString(tone));
        if (!state->statusText.empty()) {
            std::fprintf(stderr, "refused: %s\n", state->statusText.c_str());
            return 1;
        }
        form.BitBtn1->click();
        // Play must not block: the window's loop runs while the sound plays.
        bool heardPlaying = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] { heardPlaying = heardPlaying || player.isPlaying(); });
        watch.start(5);
        QTimer::singleShot(milliseconds + 1000, &application, &QCoreApplication::quit);
        QApplication::exec();
        if (status == 0 && !heardPlaying) {
            std::fprintf(stderr, "the sound never played\n");
            status = 1;
        }
    }
    return status;
}
