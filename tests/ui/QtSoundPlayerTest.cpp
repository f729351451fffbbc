// The sound output with no sound server: opening must fail with a clear
// text, never crash, and leave the program able to go on.

#include "ui/QtSoundPlayer.h"

#include "ListChoice.h"
#include "formats/PreviewBytes.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "ui/PreviewFiles.h"
#include "ui/TFormMain.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>

namespace ryx::ui {
namespace {

// Before anything asks for an audio device: point the sound client at a
// server that does not exist (which also keeps it from starting one).
const bool kNoSoundServer = ::setenv("PULSE_SERVER", "unix:/nonexistent/ryx-test/native", 1) == 0;

TEST(QtSoundPlayer, OpenFailsWithAClearTextAndLeavesNothingOpen) {
    ASSERT_TRUE(kNoSoundServer);
    test::TempDirectory folder;
    for (std::uint32_t rate : {22050u, 0u}) {
        test::writeFileBytes(folder / ("rate" + std::to_string(rate) + ".wav"),
                             test::previewFileBytes(test::Bytes(200, 128), rate));
    }
    const std::vector<std::pair<std::string, std::string>> cases{
        {(folder / "gone.wav").string(), (folder / "gone.wav").string() + ": No such file or directory"},
        {(folder / "rate0.wav").string(), (folder / "rate0.wav").string() + ": not a playable WAV file: its sample rate is 0 Hz"},
        {(folder / "rate22050.wav").string(), kNoAudioDeviceMessage},
    };
    QtSoundPlayer player;
    for (const auto& [file, message] : cases) {
        EXPECT_EQ(player.open(file).error(), message);
        EXPECT_FALSE(player.isOpen());
        player.play();  // nothing open: nothing happens
        EXPECT_FALSE(player.isPlaying());
        player.close();
    }
}

TEST(QtSoundPlayer, WithoutASoundServerTheErrorBoxNamesTheMissingDeviceAndTheProgramGoesOn) {
    test::TempDirectory folder;
    ProgramState state;
    QtSoundPlayer player;
    QStringList errors;
    {
        TFormMain form(state, player, folder.path().string());
        form.errorReporter = [&errors](QWidget*, const QString& message) { errors << message; };
        form.BitBtn1->click();
        form.BitBtn2->click();
        EXPECT_EQ(errors, QStringList({"No audio output device is available", "No audio output device is available"}));

        form.BitBtn3->click();  // stop with nothing open
        chooseListItem(*form.ComboBox2, "1 bit");
        EXPECT_EQ(state.encoder.algorithmType, 1);
        EXPECT_EQ(std::filesystem::file_size(form.previews().decodedPath()), 46u + 490u);
        EXPECT_EQ(errors.size(), 2);
    }
}

}  // namespace
}  // namespace ryx::ui
