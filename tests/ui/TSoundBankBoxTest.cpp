#include "ui/TSoundBankBox.h"

#include "ListChoice.h"
#include "core/Encoder.h"
#include "firmware/MemoryImage.h"
#include "firmware/PicRoutineInclude.h"
#include "import/SoundImport.h"
#include "support/FileBytes.h"
#include "support/WaveBytes.h"
#include "support/WindowUnderTest.h"
#include "ui/ImportSettings.h"
#include "ui/PicChipSetting.h"
#include "ui/PicTargetPanel.h"
#include "ui/UserSettings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;

// Imported as they are, so that a sound keeps its frames: 8000 Hz, no trim.
constexpr ImportOptions kBankImport{8000, false, false};

class SoundBankTest : public ::testing::Test, public test::WindowUnderTest {
protected:
    SoundBankTest() { rememberImportOptions(kBankImport); }
    ~SoundBankTest() override { rememberImportOptions(ImportOptions{}); }

    // A WAV of `frames` frames at 8000 Hz in the test's folder.
    QString soundFile(const char* name, std::size_t frames) {
        const fs::path path = folder / name;
        test::writeFileBytes(path, test::wave44(test::squareSamples(frames), 8000));
        return QString::fromStdString(path.string());
    }

    static QStringList rowTexts(const TSoundBankBox& box, int column) {
        QStringList texts;
        for (int row = 0; row < box.SoundList->topLevelItemCount(); ++row) {
            texts << box.SoundList->topLevelItem(row)->text(column);
        }
        return texts;
    }
};

// Added, reordered and thinned out in the dialog, then saved through the
// window's save dialog: the same bytes as the bank written directly.
TEST_F(SoundBankTest, SavesTheListedSoundsInTheirOrderWithTheWindowsEncoding) {
    chooseListItem(*form->ComboBox1, QStringLiteral("Ryx4"));
    const EncoderState windowSound = state->encoder;
    const QStringList files{soundFile("a.wav", 4000), soundFile("b.wav", 2400), soundFile("c.wav", 1600)};
    userSettings().setValue(QStringLiteral("PicProgram/folder"), QString::fromStdString(folder.path().string()));
    choose(folder / "bank.hex");
    int shown = 0;
    form->soundBankRunner = [&](TSoundBankBox& box) {
        ++shown;
        box.filesChooser = [&](QWidget*, const FileDialogRequest&) { return files; };
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
        box.AddButton->click();
        EXPECT_EQ(rowTexts(box, 0), QStringList({"a", "b", "c"}));
        box.SoundList->setCurrentItem(box.SoundList->topLevelItem(2));
        box.UpButton->click();  // a, c, b
        box.SoundList->setCurrentItem(box.SoundList->topLevelItem(0));
        box.RemoveButton->click();  // c, b
        EXPECT_EQ(rowTexts(box, 0), QStringList({"c", "b"}));
        EXPECT_EQ(rowTexts(box, 1), QStringList({"0.20 s", "0.30 s"}));
        EXPECT_EQ(rowTexts(box, 2), QStringList({"RB4 (pin 10)", "RB5 (pin 11)"}));
        EXPECT_EQ(box.Target->MemoryBar->maximum(), 14336 - 7);  // less what sound 1 may leave of its last word
        EXPECT_EQ(box.Target->MemoryBar->value(), 4000);
        box.ResetButton->click();
        EXPECT_EQ(rowTexts(box, 2), QStringList({"After reset", "Not played"}));
        box.PinsButton->click();
        EXPECT_TRUE(box.SaveButton->isEnabled()) << box.Target->FiguresLabel->text().toStdString();
        EXPECT_TRUE(box.Target->FiguresLabel->text().contains("Plays at 8000.000 Hz")) << box.Target->FiguresLabel->text().toStdString();
        return true;
    };
    form->FileSaveAs4->trigger();
    ASSERT_EQ(shown, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fileName, "sounds-16f628a.hex");
    EXPECT_EQ(requests[0].directory.toStdString(), folder.path().string());

    std::vector<std::unique_ptr<ProgramState>> expected;
    for (const QString& file : {files[2], files[1]}) {
        expected.push_back(std::make_unique<ProgramState>());
        expected.back()->encoder.fineness = windowSound.fineness;
        expected.back()->encoder.algorithmType = windowSound.algorithmType;
        ASSERT_TRUE(importSoundFile(*expected.back(), file.toStdString(), kBankImport));
        encodeSound(*expected.back());
    }
    PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    settings.trigger = PlayTrigger::pins;
    const std::vector<const ProgramState*> bank{expected[0].get(), expected[1].get()};
    ASSERT_TRUE(writePicBankHex(bank, settings, folder / "direct.hex"));
    EXPECT_EQ(test::readFileBytes(folder / "bank.hex"), test::readFileBytes(folder / "direct.hex"));
    // The window's own sound is left as it was.
    EXPECT_EQ(state->encoder.sampleCount, windowSound.sampleCount);
    EXPECT_EQ(state->encoder.sampleRate, windowSound.sampleRate);
}

// As an include for the user's own program: ryx_play and the tables, the
// same text as the library writes, proposed as .inc.
TEST_F(SoundBankTest, SavesAnIncludeForTheUsersOwnProgram) {
    const QStringList files{soundFile("a.wav", 2400), soundFile("b.wav", 1600)};
    choose(folder / "bank.inc");
    form->soundBankRunner = [&](TSoundBankBox& box) {
        box.filesChooser = [&](QWidget*, const FileDialogRequest&) { return files; };
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
        box.AddButton->click();
        box.IncludeButton->click();
        // The user's program names each sound in W, from 0, whatever the trigger said.
        EXPECT_EQ(rowTexts(box, 2), QStringList({"ryx_play, W = 0", "ryx_play, W = 1"}));
        box.ResetButton->click();
        EXPECT_EQ(rowTexts(box, 2), QStringList({"ryx_play, W = 0", "ryx_play, W = 1"}));
        EXPECT_TRUE(box.SaveButton->isEnabled()) << box.Target->FiguresLabel->text().toStdString();
        return true;
    };
    form->FileSaveAs4->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fileName, "sounds-16f628a.inc");

    std::vector<std::unique_ptr<ProgramState>> expected;
    for (const QString& file : files) {
        expected.push_back(std::make_unique<ProgramState>());
        expected.back()->encoder.fineness = state->encoder.fineness;
        expected.back()->encoder.algorithmType = state->encoder.algorithmType;
        ASSERT_TRUE(importSoundFile(*expected.back(), file.toStdString(), kBankImport));
        encodeSound(*expected.back());
    }
    PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    settings.form = PlayerForm::routine;
    settings.ram = defaultRoutineRam(*settings.chip);
    const std::vector<const ProgramState*> bank{expected[0].get(), expected[1].get()};
    ASSERT_TRUE(writePicRoutineInclude(bank, settings, folder / "direct.inc"));
    EXPECT_EQ(test::readFileBytes(folder / "bank.inc"), test::readFileBytes(folder / "direct.inc"));
}

// A bank too large names the sound that runs past the chip's memory and
// cannot be saved; a file that cannot be imported is reported and left out,
// one longer than a bank's sound keeps is cut and marked so.
TEST_F(SoundBankTest, ABankThatDoesNotFitIsRefusedAndNamesTheSound) {
    TSoundBankBox box(*state, [this](const QString& failed, const Error&) { errors << failed; });
    box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
    const QString missing = QString::fromStdString((folder / "none.wav").string());
    box.addFiles({soundFile("a.wav", 6000), soundFile("b.wav", 6000), missing, soundFile("c.wav", 6000)});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("none.wav")) << errors[0].toStdString();
    EXPECT_EQ(box.SoundList->topLevelItemCount(), 3);
    EXPECT_FALSE(box.SaveButton->isEnabled());
    EXPECT_TRUE(box.Target->FiguresLabel->text().contains("sound 3 runs past")) << box.Target->FiguresLabel->text().toStdString();
    EXPECT_FALSE(box.Target->FiguresLabel->styleSheet().isEmpty());
    EXPECT_EQ(box.Target->MemoryBar->value(), box.Target->MemoryBar->maximum());

    // A sound past the samples a bank's sound keeps says it was cut.
    box.addFiles({soundFile("long.wav", kMaxSamples + 800)});
    EXPECT_EQ(rowTexts(box, 1).last(), QStringLiteral("32.81 s, cut"));
    const QString cut = box.SoundList->topLevelItem(3)->toolTip(1);
    EXPECT_TRUE(cut.contains(QStringLiteral("262500"))) << cut.toStdString();
    EXPECT_EQ(rowTexts(box, 1).first(), QStringLiteral("0.75 s"));
    box.SoundList->setCurrentItem(box.SoundList->topLevelItem(3));
    box.RemoveButton->click();

    box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F88"));  // twice the words, packed
    EXPECT_TRUE(box.SaveButton->isEnabled()) << box.Target->FiguresLabel->text().toStdString();
    EXPECT_TRUE(box.Target->FiguresLabel->styleSheet().isEmpty());
}

// The bar measures the room the tables have in the program chosen: a whole
// program's from word 256, an include's after the routine at its org. An
// include plays the sound its program names in W, so the ways of playing are
// greyed, and say why, while it is chosen.
TEST_F(SoundBankTest, AnIncludeMeasuresItsRoomAfterTheRoutineAndGreysTheWaysOfPlaying) {
    TSoundBankBox box(*state, {});
    box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
    box.addFiles({soundFile("a.wav", 2400), soundFile("b.wav", 1600)});
    const int programRoom = box.Target->MemoryBar->maximum();
    for (QRadioButton* kind : {box.IncludeButton, box.Target->AsmButton, box.IncludeButton, box.Target->HexButton}) {
        kind->click();
        const bool include = kind == box.IncludeButton;
        SCOPED_TRACE(kind->text().toStdString());
        const Result<std::uint32_t> room = picBankCapacity(box.sounds(), box.choice().settings, 8000);
        ASSERT_TRUE(room) << room.error();
        EXPECT_EQ(box.Target->MemoryBar->maximum(), static_cast<int>(*room));
        EXPECT_EQ(box.Target->MemoryBar->maximum() < programRoom, include);
        EXPECT_EQ(box.Target->MemoryBar->value(), 4000);
        EXPECT_EQ(box.Target->PlaysBox->isEnabled(), !include);
        EXPECT_EQ(box.Target->PlaysBox->toolTip().contains(QStringLiteral("chooses the sound by W")), include);
    }
}

// With a memory the bank's room is the memory's after a three-sound index,
// pins the memory takes are refused, and Save writes the program and the
// image beside it, or, when the image cannot be written, neither.
TEST_F(SoundBankTest, WithAMemoryTheBankAndItsImageAreSavedTogether) {
    const QStringList files{soundFile("a.wav", 4000), soundFile("b.wav", 2400), soundFile("c.wav", 1600)};
    form->soundBankRunner = [&](TSoundBankBox& box) {
        box.filesChooser = [&](QWidget*, const FileDialogRequest&) { return files; };
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC12F683"));
        box.AddButton->click();
        box.Target->MemoryBox->setCurrentText(QStringLiteral("24LC256"));
        const QString figures = box.Target->FiguresLabel->text();
        EXPECT_FALSE(box.SaveButton->isEnabled());
        EXPECT_TRUE(figures.contains("SCL and SDA take the PIC12F683's GP4 (pin 3) and GP5 (pin 2), which the "
                                     "sounds' trigger pins need"))
            << figures.toStdString();
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
        EXPECT_TRUE(box.SaveButton->isEnabled()) << box.Target->FiguresLabel->text().toStdString();
        EXPECT_EQ(box.Target->MemoryBar->maximum(), (32768 - 22) * 8);
        EXPECT_EQ(box.Target->MemoryBar->value(), 8000);
        return true;
    };
    choose(folder / "bank.hex");
    form->FileSaveAs4->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(rememberedMemory(), findMemory("24LC256"));

    std::vector<std::unique_ptr<ProgramState>> expected;
    std::vector<SoundBits> bits;
    for (const QString& file : files) {
        expected.push_back(std::make_unique<ProgramState>());
        expected.back()->encoder.fineness = state->encoder.fineness;
        expected.back()->encoder.algorithmType = state->encoder.algorithmType;
        ASSERT_TRUE(importSoundFile(*expected.back(), file.toStdString(), kBankImport));
        encodeSound(*expected.back());
        bits.emplace_back(expected.back()->bitStream.data(), storedSampleCount(expected.back()->encoder.sampleCount));
    }
    PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    settings.trigger = PlayTrigger::pins;
    settings.memory = findMemory("24LC256");
    const std::vector<const ProgramState*> bank{expected[0].get(), expected[1].get(), expected[2].get()};
    ASSERT_TRUE(writePicBankHex(bank, settings, folder / "direct.hex"));
    ASSERT_TRUE(writeMemoryImage(*settings.memory, bits, 8000, folder / "direct-image.hex"));
    EXPECT_EQ(test::readFileBytes(folder / "bank.hex"), test::readFileBytes(folder / "direct.hex"));
    EXPECT_EQ(test::readFileBytes(folder / "bank-24lc256.hex"), test::readFileBytes(folder / "direct-image.hex"));

    // The memory is remembered; an image that cannot be written takes the program with it.
    fs::create_directory(folder / "again-24lc256.hex");
    choose(folder / "again.hex");
    form->soundBankRunner = [&](TSoundBankBox& box) {
        EXPECT_EQ(box.Target->MemoryBox->currentText(), QStringLiteral("24LC256"));
        box.addFiles(files);
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
        return true;
    };
    form->FileSaveAs4->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("The sound bank and its 24LC256 image were not written.")))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("again-24lc256.hex"))) << errors[0].toStdString();
    EXPECT_FALSE(fs::exists(folder / "again.hex"));
    rememberMemory(nullptr);
}

}  // namespace
}  // namespace ryx::ui
