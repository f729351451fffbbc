// The sound output with no sound server: every case here must fail with a
// clear text, never crash, and leave the program able to go on.

#include "ui/QtSoundPlayer.h"

#include "core/PreviewWriter.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "ui/TFormMain.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>

namespace ryx::ui {
namespace {

// Before anything asks for an audio device: point the sound client at a
// server that does not exist (and so keep it from starting one of its own).
const bool kNoSoundServer = [] {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/ryx-test/native", 1);
    return true;
}();

void writePreview(const std::filesystem::path& path, std::uint32_t rate) {
    const auto header = previewHeader(200, rate);
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.resize(header.size() + 200, 128);
    test::writeFileBytes(path, bytes);
}

TEST(QtSoundPlayer, OpenFailsWithAClearTextAndLeavesNothingOpen) {
    ASSERT_TRUE(kNoSoundServer);
    test::TempDirectory folder;
    writePreview(folder / "good.wav", 22050);
    writePreview(folder / "rate0.wav", 0);
    test::writeFileBytes(folder / "text.wav", {'h', 'i'});

    struct Case {
        std::string file;
        std::string message;  // the whole text, or a part of it
    };
    const std::vector<Case> cases{
        {(folder / "missing.wav").string(), (folder / "missing.wav").string() + ": No such file or directory"},
        {(folder / "text.wav").string(), "text.wav: not a playable WAV file: it is not a RIFF WAVE file"},
        {(folder / "rate0.wav").string(), "rate0.wav: not a playable WAV file: its sample rate is 0 Hz"},
        {(folder / "good.wav").string(), kNoAudioDeviceMessage},
    };
    QtSoundPlayer player;
    for (const Case& c : cases) {
        const OperationResult opened = player.open(c.file);
        EXPECT_FALSE(opened) << c.file;
        EXPECT_NE(opened.error().find(c.message), std::string::npos) << opened.error();
        EXPECT_FALSE(player.isOpen());
        player.play();  // nothing open: nothing happens
        EXPECT_FALSE(player.isPlaying());
    }
    player.close();  // nothing open: harmless, also twice
    player.close();
    EXPECT_EQ(player.open((folder / "good.wav").string()).error(), kNoAudioDeviceMessage);
}

TEST(QtSoundPlayer, WithoutASoundServerTheErrorBoxNamesTheMissingDeviceAndTheProgramGoesOn) {
    test::TempDirectory folder;
    ProgramState state;
    state.previewDirectory = folder.path().string();
    QtSoundPlayer player;
    state.player = &player;
    QStringList errors;
    {
        TFormMain form(state);
        form.errorReporter = [&errors](QWidget*, const QString& message) { errors << message; };

        form.BitBtn1->click();
        form.BitBtn2->click();
        ASSERT_EQ(errors.size(), 2);
        EXPECT_EQ(errors[0], "No audio output device is available");
        EXPECT_EQ(errors[1], "No audio output device is available");

        form.BitBtn3->click();  // stop with nothing open
        form.ComboBox2->setCurrentText("1 bit");
        EXPECT_EQ(state.encoder.algorithmType, 1);
        EXPECT_EQ(std::filesystem::file_size(decodedPreviewPath(state)), 46u + 490u);
        EXPECT_EQ(errors.size(), 2);
    }
    state.player = &SilentSoundPlayer::instance();
}

}  // namespace
}  // namespace ryx::ui
