// File > Import sound, a sound named at start-up or dropped, the import
// dialog and its remembered choices.

#include "SameState.h"
#include "TestSounds.h"
#include "formats/PreviewBytes.h"
#include "firmware/SerialMemory.h"
#include "import/SoundImport.h"
#include "import/SoundLength.h"
#include "support/WaveBytes.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WindowUnderTest.h"
#include "ui/ImportSettings.h"
#include "ui/TFormMain.h"
#include "ui/TImportDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

QString qPath(const fs::path& path) { return QString::fromStdString(path.string()); }

using Window = test::WindowUnderTest;

class ImportWindowTest : public ::testing::Test {
protected:
    ImportWindowTest() {
        // The user's own settings are never read or written.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, qPath(settingsFolder.path()));
    }

    fs::path writeTone(const char* name, int format, int channels = 2, int rate = 44100) {
        test::ToneSound tone;
        tone.format = format;
        tone.channels = channels;
        tone.rate = rate;
        test::writeSoundFile(sounds / name, tone);
        return sounds / name;
    }

    test::TempDirectory settingsFolder;
    test::TempDirectory sounds;
};

TEST_F(ImportWindowTest, ImportLooksAndSoundsAsAnOpenOfTheSameEightBitSound) {
    const fs::path flac = writeTone("voice.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    Window imported;
    imported.nextChoice = qPath(flac);
    imported.form->FileImport1->trigger();
    ASSERT_EQ(imported.requests.size(), 1u);
    EXPECT_EQ(imported.requests[0].title, "Import sound");
    for (const char* kind : {"*.wav", "*.flac", "*.ogg", "*.opus", "*.mp3", "*.aiff"}) {
        EXPECT_TRUE(imported.requests[0].filter.contains(QLatin1String(kind))) << kind;
    }
    EXPECT_TRUE(imported.errors.isEmpty()) << imported.errors.join("; ").toStdString();
    EXPECT_EQ(imported.state->encoder.sampleRate, kDefaultImportRate);

    // The same sound as a plain 8-bit file, opened in a second window.
    const fs::path plain = sounds / "plain.wav";
    test::writeFileBytes(plain, test::previewFileBytes({imported.state->origSamples.data(),
                                                   imported.state->encoder.sampleCount},
                                                  imported.state->encoder.sampleRate));
    Window opened;
    opened.form->FileOpen1Accept(qPath(plain));
    test::expectSameState(*opened.state, *imported.state);
    EXPECT_EQ(opened.picture(), imported.picture());
    EXPECT_EQ(opened.preview(false), imported.preview(false));
    EXPECT_EQ(opened.preview(true), imported.preview(true));
    // The player was let go of before the previews were rewritten.
    EXPECT_EQ(imported.player.operations().back(), "close");
}

TEST_F(ImportWindowTest, FailedImportKeepsTheLoadedSoundAndSaysWhy) {
    const fs::path good = writeTone("good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const fs::path broken = sounds / "broken.dat";
    test::writeFileBytes(broken, Bytes(500, 0x33));
    const fs::path empty = sounds / "empty.wav";
    test::writeFileBytes(empty, {});
    Window window;
    window.nextChoice = qPath(good);
    window.form->FileImport1->trigger();
    ASSERT_TRUE(window.errors.isEmpty());
    const auto before = std::make_unique<ProgramState>(*window.state);
    const QImage picture = window.picture();
    const Bytes original = window.preview(false);
    const std::size_t playerCalls = window.player.calls.size();

    for (const fs::path& bad : {broken, empty}) {
        window.nextChoice = qPath(bad);
        window.form->FileImport1->trigger();
    }
    window.nextOptions = ImportOptions{999, true, true};
    window.nextChoice = qPath(good);
    window.form->FileImport1->trigger();
    ASSERT_EQ(window.errors.size(), 3);
    EXPECT_EQ(window.errors[0], "The sound \"" + qPath(broken) + "\" was not imported.\n\nFormat not recognised.");
    EXPECT_TRUE(window.errors[1].startsWith("The sound \"" + qPath(empty) + "\" was not imported.\n\n"));
    EXPECT_TRUE(window.errors[2].endsWith("the rate 999 Hz is out of range (1000 to 48000 Hz)"));
    test::expectSameState(*before, *window.state);
    EXPECT_EQ(window.picture(), picture);
    EXPECT_EQ(window.preview(false), original);
    EXPECT_EQ(window.player.calls.size(), playerCalls);
}

TEST_F(ImportWindowTest, LongSoundIsCutAndTheUserIsTold) {
    test::ToneSound tone = test::monoTone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 35.0);
    test::writeSoundFile(sounds / "long.flac", tone);
    Window window;
    window.nextChoice = qPath(sounds / "long.flac");
    window.nextOptions = ImportOptions{8000, true, false};
    window.form->FileImport1->trigger();
    EXPECT_EQ(window.state->encoder.sampleCount, kMaxSamples);
    ASSERT_EQ(window.notices.size(), 1);
    EXPECT_EQ(window.notices[0].toStdString(), "The sound is longer than 262500 samples at 8000 Hz: its last 17500 samples "
                                 "(2.19 s) were cut.");
}

TEST_F(ImportWindowTest, ChoicesAndFolderAreRememberedAndCancelChangesNothing) {
    const fs::path wav = writeTone("a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Window window;
    window.nextChoice = qPath(wav);
    window.nextOptions = ImportOptions{12345, false, true};
    window.form->FileImport1->trigger();
    EXPECT_EQ(window.state->encoder.sampleRate, 12345u);
    EXPECT_EQ(window.offered.back().rate, kDefaultImportRate);  // nothing remembered yet

    window.nextOptions.reset();  // cancelled
    window.form->FileImport1->trigger();
    EXPECT_EQ(window.requests.back().directory, qPath(sounds.path()));
    EXPECT_EQ(window.offered.back().rate, 12345u);
    EXPECT_FALSE(window.offered.back().normalize);
    EXPECT_TRUE(window.offered.back().trim);
    EXPECT_EQ(window.state->encoder.sampleRate, 12345u);

    const ImportOptions remembered = rememberedImportOptions();
    EXPECT_EQ(remembered.rate, 12345u);
    EXPECT_FALSE(remembered.normalize);
    EXPECT_TRUE(fs::exists(settingsFolder / "ryx-encoder/ryx-encoder.ini"));
}

// From the header alone the dialog tells the length and whether the sound
// fits the chip at the chosen rate; "fit to chip" lowers the rate to one that
// does and, below 8000 Hz, warns as ryxenc --fit does. A rate typed that low
// is the user's own choice: no warning.
TEST(ImportDialogFit, TellsWhetherTheSoundFitsAndOffersTheRateThatDoes) {
    test::TempDirectory folder;
    const struct {
        double seconds;
        const char* rate;
        const char* shown;
        std::uint32_t fitRate;
        const char* fitted;  // the label with "fit to chip" ticked
    } cases[] = {
        {0.5, "15625", "Length 0.50 s: fits the PIC16F628A at 15625 Hz.", 15625,
         "Length 0.50 s: fits the PIC16F628A at 15625 Hz."},
        {3.0, "15625", "Length 3.00 s: does not fit the PIC16F628A at 15625 Hz.", 4778,
         "Length 3.00 s: fits the PIC16F628A at 4778 Hz.\nThe sound fits the PIC16F628A only at 4778 Hz, below the 8000 Hz that speech "
         "needs to stay clear: nothing above 2389 Hz survives; at 8000 Hz it fits the PIC16F648A, the PIC16F88 or the "
         "PIC12F1840 (4096 words)."},
        {3.0, "4000", "Length 3.00 s: fits the PIC16F628A at 4000 Hz.", 4000,
         "Length 3.00 s: fits the PIC16F628A at 4000 Hz."},
        {1.0, "15625", "Length 1.00 s: does not fit the PIC16F628A at 15625 Hz.", 14336,
         "Length 1.00 s: fits the PIC16F628A at 14336 Hz."},
        {60.0, "15625", "Length 60.00 s: does not fit the PIC16F628A at 15625 Hz.", 1000,
         "Length 60.00 s: does not fit the PIC16F628A at 1000 Hz."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const fs::path file = folder.path() / "tone.wav";
        test::writeSoundFile(file, test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, c.seconds));
        const Result<SoundLength> length = readSoundLength(file.string());
        ASSERT_TRUE(length) << length.error();
        TImportDialog dialog(ImportOptions{});
        dialog.showFit(*length, *findPicChip("16f628a"));
        dialog.RateBox->setEditText(QLatin1String(c.rate));
        EXPECT_EQ(dialog.LengthLabel->text().toStdString(), c.shown);
        dialog.FitBox->setChecked(true);
        ASSERT_TRUE(dialog.options());
        EXPECT_EQ(dialog.options()->rate, c.fitRate);
        EXPECT_EQ(dialog.LengthLabel->text().toStdString(), c.fitted);
    }
    EXPECT_FALSE(readSoundLength((folder.path() / "missing.wav").string()));
}

// With a serial memory remembered, the fit is to its room after the index
// (24LC256: 262,080 samples), and names no chips below 8000 Hz.
TEST(ImportDialogFit, FitsTheRememberedMemory) {
    test::TempDirectory folder;
    const fs::path file = folder.path() / "tone.wav";
    test::writeSoundFile(file, test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 60.0));
    const Result<SoundLength> length = readSoundLength(file.string());
    ASSERT_TRUE(length) << length.error();
    TImportDialog dialog(ImportOptions{});
    dialog.showFit(*length, *findPicChip("16f628a"), findMemory("24LC256"));
    dialog.RateBox->setEditText(QStringLiteral("15625"));
    EXPECT_EQ(dialog.FitBox->text(), "Rate: &fit to memory");
    EXPECT_EQ(dialog.LengthLabel->text(), "Length 60.00 s: does not fit the 24LC256 at 15625 Hz.");
    dialog.FitBox->setChecked(true);
    ASSERT_TRUE(dialog.options());
    EXPECT_EQ(dialog.options()->rate, 4368u);
    EXPECT_EQ(dialog.LengthLabel->text(), "Length 60.00 s: fits the 24LC256 at 4368 Hz.");
}

TEST_F(ImportWindowTest, DialogOffersTheRatesAndTakesAWholeNumberInRange) {
    TImportDialog dialog(ImportOptions{});
    QStringList items;
    for (int i = 0; i < dialog.RateBox->count(); ++i) items << dialog.RateBox->itemText(i);
    EXPECT_EQ(items, QStringList({"8000", "10000", "11025", "12500", "15625", "16000", "20000", "22050"}));
    EXPECT_EQ(dialog.RateBox->currentText(), "15625");
    EXPECT_TRUE(dialog.NormalizeBox->isChecked());
    EXPECT_TRUE(dialog.TrimBox->isChecked());
    const struct {
        const char* typed;
        std::optional<std::uint32_t> rate;
    } cases[] = {{"1000", 1000},       {"48000", 48000},      {"31250", 31250},
                 {"999", std::nullopt}, {"48001", std::nullopt}, {"", std::nullopt}};
    for (const auto& c : cases) {
        dialog.RateBox->setEditText(QLatin1String(c.typed));
        EXPECT_EQ(dialog.OKButton->isEnabled(), c.rate.has_value()) << c.typed;
        EXPECT_EQ(dialog.options() ? std::optional(dialog.options()->rate) : std::nullopt, c.rate) << c.typed;
    }
    dialog.TrimBox->setChecked(false);
    dialog.RateBox->setEditText(QStringLiteral("8000"));
    EXPECT_FALSE(dialog.options()->trim);
}

TEST_F(ImportWindowTest, NamedOrDroppedFileIsOpenedWhenPlainAndImportedOtherwise) {
    const fs::path stereo = writeTone("stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Bytes samples(3000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 7);
    const fs::path plain = sounds / "plain.wav";
    test::writeFileBytes(plain, test::previewFileBytes(samples, 9000));
    rememberImportOptions({8000, true, true});

    Window named, opened;
    named.form->openSoundFile(qPath(plain));
    opened.form->FileOpen1Accept(qPath(plain));
    test::expectSameState(*opened.state, *named.state);  // not normalised, trimmed or converted
    EXPECT_EQ(named.state->encoder.sampleRate, 9000u);

    named.form->openSoundFile(qPath(stereo));
    EXPECT_EQ(named.state->encoder.sampleRate, 8000u);  // the remembered rate

    Window dropped;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(qPath(stereo))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dropped.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dropped.form.get(), &drop);
    test::expectSameState(*named.state, *dropped.state);
    EXPECT_TRUE(dropped.errors.isEmpty());
}

// A pipe named at start-up or dropped is refused at once: were it opened,
// the window would wait for a writer for good.
TEST_F(ImportWindowTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    const fs::path pipe = sounds / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << std::strerror(errno);
    Window window;
    const auto before = std::make_unique<ProgramState>(*window.state);
    window.form->openSoundFile(qPath(pipe));
    ASSERT_EQ(window.errors.size(), 1);
    EXPECT_EQ(window.errors[0], "The sound \"" + qPath(pipe) + "\" was not imported.\n\nit is not a readable file");
    test::expectSameState(*before, *window.state);
}

}  // namespace
}  // namespace ryx::ui
