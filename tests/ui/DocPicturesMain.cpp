// Makes the pictures of the README and the help page: the main window and
// each of its dialogs, drawn offscreen with examples/hello.wav open.
// Usage: ryx_doc_pictures SOUND.wav FOLDER

#include "core/ProgramState.h"
#include "support/WaveOpen.h"
#include "ui/CompareSettingsDialog.h"
#include "ui/PicTargetPanel.h"
#include "ui/SoundPlayer.h"
#include "ui/TAboutBox.h"
#include "ui/TCircuitBox.h"
#include "ui/TFilterBox.h"
#include "ui/TFormMain.h"
#include "ui/TImportDialog.h"
#include "ui/TPicProgramBox.h"
#include "ui/TSoundBankBox.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <optional>
#include <string>

namespace {

class SilentPlayer final : public ryx::SoundPlayer {
public:
    ryx::Result<> open(const std::string&) override { return {}; }
    void play() override {}
    void close() override {}
};

// Shows the widget, lets it paint, and saves it as a PNG of few colours.
bool shoot(QWidget& widget, const QString& folder, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const QImage picture = widget.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    widget.hide();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool saved = picture.save(path, "PNG", 0);
    std::fprintf(saved ? stdout : stderr, "%s %s (%dx%d)\n", saved ? "wrote" : "could not write",
                 qPrintable(path), picture.width(), picture.height());
    return saved;
}

void chooseChip(ryx::ui::PicTargetPanel& target, const QString& chip) {
    target.ChipBox->setCurrentIndex(target.ChipBox->findText(chip, Qt::MatchContains));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: ryx_doc_pictures SOUND.wav FOLDER\n");
        return 2;
    }
    // Remembered choices stay out of the pictures: a settings folder of our own.
    const QTemporaryDir settings, previews;
    if (!settings.isValid() || !previews.isValid()) return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    const QString sound = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);

    ryx::ProgramState state;
    if (const ryx::Result<> opened = ryx::test::openWave(state, argv[1]); !opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        return 1;
    }
    SilentPlayer player;
    ryx::ui::TFormMain window(state, player, previews.path().toStdString());
    // Opened as File > Open does, shown in the middle of a word.
    window.fileChooser = [&sound](QWidget*, const ryx::ui::FileDialogRequest&) { return std::optional(sound); };
    window.FileOpen1Execute();
    state.encoder.viewOffset = 5988;
    window.Button1->click();  // a step on, which repaints at the new offset
    window.Button3->click();  // Show Smoothed
    bool ok = shoot(window, folder, QStringLiteral("window"));

    ryx::ui::TImportDialog import(ryx::ImportOptions{});
    ok = shoot(import, folder, QStringLiteral("import")) && ok;
    ryx::ui::TFilterBox filter(state);
    ok = shoot(filter, folder, QStringLiteral("filter-model")) && ok;
    ryx::ui::TCircuitBox circuit(state);
    ok = shoot(circuit, folder, QStringLiteral("circuit")) && ok;

    ryx::ui::CompareSettingsDialog compare;
    compare.measure(state, state.encoderChoice);
    QElapsedTimer waited;
    waited.start();
    while (compare.measuring() && waited.elapsed() < 60000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ok = shoot(compare, folder, QStringLiteral("compare")) && ok;

    ryx::ui::TPicProgramBox program(state);
    chooseChip(*program.Target, QStringLiteral("16F88"));
    ok = shoot(program, folder, QStringLiteral("pic-program")) && ok;
    ryx::ui::TPicProgramBox fromMemory(state);
    chooseChip(*fromMemory.Target, QStringLiteral("16F628A"));
    fromMemory.Target->MemoryBox->setCurrentText(QStringLiteral("24LC256"));
    ok = shoot(fromMemory, folder, QStringLiteral("pic-program-memory")) && ok;

    ryx::ui::TSoundBankBox bank(state, [](const QString&, const ryx::Error&) {});
    QStringList bell;  // three sounds of a doorbell, named as in the README
    for (const char* name : {"ding.wav", "dong.wav", "buzz.wav"}) {
        bell << previews.filePath(QString::fromLatin1(name));
        QFile::copy(sound, bell.back());
    }
    bank.addFiles(bell);
    chooseChip(*bank.Target, QStringLiteral("12F1840"));
    ok = shoot(bank, folder, QStringLiteral("sound-bank")) && ok;

    ryx::ui::TAboutBox about;
    ok = shoot(about, folder, QStringLiteral("about")) && ok;
    return ok ? 0 : 1;
}
