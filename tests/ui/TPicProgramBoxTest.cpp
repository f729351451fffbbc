#include "ui/TPicProgramBox.h"

#include "firmware/MemoryImage.h"
#include "ui/PicChipSetting.h"
#include "ui/PicTargetPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <memory>

namespace ryx::ui {
namespace {

std::unique_ptr<ProgramState> soundOf(std::uint32_t sampleCount, std::uint32_t sampleRate) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = sampleCount;
    state->encoder.sampleRate = sampleRate;
    return state;
}

std::string figures(const TPicProgramBox& box) { return box.Target->FiguresLabel->text().toStdString(); }

TEST(PicProgramBox, ShowsRateCyclesAndMemoryForEachChip) {
    auto state = soundOf(8000, 8000);
    TPicProgramBox box(*state);
    ASSERT_EQ(box.Target->ChipBox->count(), static_cast<int>(picChips().size()));
    box.Target->ChipBox->setCurrentText("PIC12F683");
    EXPECT_EQ(box.Target->ClockBox->value(), 8000000);  // its internal oscillator
    EXPECT_NE(figures(box).find("Plays at 8000.000 Hz (pitch +0.000 %), 250 cycles per sample"), std::string::npos)
        << figures(box);
    EXPECT_NE(figures(box).find("Memory: 1256 of 2048 words"), std::string::npos) << figures(box);
    EXPECT_NE(figures(box).find("Pins GP0 (pin 7) and GP1 (pin 6)"), std::string::npos) << figures(box);
    EXPECT_TRUE(box.SaveButton->isEnabled());

    // A crystal chip starts at 20 MHz; the clock can be changed, and the pitch follows.
    box.Target->ChipBox->setCurrentText("PIC16F877A");
    EXPECT_EQ(box.Target->ClockBox->value(), 20000000);
    EXPECT_NE(figures(box).find("625 cycles per sample"), std::string::npos) << figures(box);
    box.Target->ClockBox->setValue(4000000);
    EXPECT_NE(figures(box).find("125 cycles per sample"), std::string::npos) << figures(box);
    box.Target->ClockBox->setValue(3579545);  // a colour-burst crystal: 111.86 cycles
    EXPECT_NE(figures(box).find("Plays at 7990.056 Hz (pitch -0.124 %), 112 cycles"), std::string::npos)
        << figures(box);

    box.LoopButton->setChecked(true);
    box.Target->AsmButton->setChecked(true);
    const PicProgramChoice chosen = box.choice();
    EXPECT_EQ(chosen.settings.chip, findPicChip("16f877a"));
    EXPECT_EQ(chosen.settings.clockHz, 3579545u);
    EXPECT_TRUE(chosen.settings.loop);
    EXPECT_FALSE(chosen.hex);
}

// It opens on ryxenc's default chip, one button ticked in each group; a
// tick in one group leaves the other alone.
TEST(PicProgramBox, OpensOnTheDefaultChipWithEachGroupTicked) {
    auto state = soundOf(8000, 8000);
    TPicProgramBox box(*state);
    EXPECT_EQ(box.Target->ChipBox->currentText(), "PIC16F628A");
    EXPECT_EQ(box.Target->ClockBox->value(), 4000000);
    EXPECT_NE(figures(box).find("Pins RB0 (pin 6) and RB1 (pin 7)"), std::string::npos) << figures(box);
    EXPECT_TRUE(box.OnceButton->isChecked());
    EXPECT_TRUE(box.Target->HexButton->isChecked());
    box.Target->AsmButton->setChecked(true);
    box.LoopButton->setChecked(true);
    EXPECT_TRUE(box.Target->AsmButton->isChecked());
    EXPECT_FALSE(box.Target->HexButton->isChecked());
    EXPECT_FALSE(box.OnceButton->isChecked());
    box.Target->HexButton->setChecked(true);
    EXPECT_TRUE(box.LoopButton->isChecked());
}

// The chip last chosen comes back; packing is offered only where the chip reads its program memory.
TEST(PicProgramBox, OpensOnTheRememberedChipAndOffersPackingWhereItReads) {
    auto state = soundOf(8000, 8000);
    rememberPicChip(*findPicChip("16f877a"));
    {
        TPicProgramBox box(*state);
        EXPECT_EQ(box.Target->ChipBox->currentText(), "PIC16F877A");
        EXPECT_TRUE(box.Target->PackedBox->isEnabled());
        EXPECT_EQ(box.Target->MemoryBar->maximum(), 111104);
        box.Target->PackedBox->setChecked(false);
        EXPECT_EQ(box.Target->MemoryBar->maximum(), 63488);
        box.Target->ChipBox->setCurrentText("PIC16F628A");
        EXPECT_FALSE(box.Target->PackedBox->isEnabled());
    }
    rememberPicChip(defaultPicChip());
    EXPECT_EQ(&rememberedPicChip(), &defaultPicChip());
}

TEST(PicProgramBox, ProposedFileIsNamedAfterSoundAndChip) {
    struct Case {
        const char* sound;
        const char* lastFolder;
        const char* chip;
        bool hex;
        const char* folder;
        const char* fileName;
    };
    const Case cases[] = {
        {"/s/hello.wav", "", "16f628a", true, "/s", "hello-16f628a.hex"},
        {"/s/my.voice.wav", "/p", "12F683", false, "/p", "my.voice-12f683.asm"},
        {"", "/p", "16f877a", true, "/p", "sound-16f877a.hex"},
        {"", "", "16f88", false, "", "sound-16f88.asm"},
    };
    for (const Case& c : cases) {
        const PicProgramChoice choice{{findPicChip(c.chip), 0, false}, c.hex};
        const PicProgramProposal proposed = proposePicProgramFile(c.sound, c.lastFolder, choice);
        EXPECT_EQ(proposed.folder.toStdString(), c.folder) << c.sound;
        EXPECT_EQ(proposed.fileName.toStdString(), c.fileName) << c.sound;
    }
}

TEST(PicProgramBox, ARefusalDisablesSavingAndSaysWhy) {
    auto state = soundOf(20000, 8000);
    TPicProgramBox box(*state);
    box.Target->ChipBox->setCurrentText("PIC16F628A");
    EXPECT_FALSE(box.SaveButton->isEnabled());
    EXPECT_NE(figures(box).find("14336 samples fit, 1.79 s at 8000 Hz"), std::string::npos) << figures(box);
    box.Target->ChipBox->setCurrentText("PIC16F88");
    EXPECT_TRUE(box.SaveButton->isEnabled()) << figures(box);

    state->encoder.sampleRate = 44100;  // at 4 MHz: 22.7 cycles, fewer than the player needs
    box.Target->ChipBox->setCurrentText("PIC16F648A");
    EXPECT_FALSE(box.SaveButton->isEnabled());
    EXPECT_NE(figures(box).find("highest rate this clock allows is 28985 Hz"), std::string::npos) << figures(box);
}

// The bar and the line under it say how much of the sound memory is used and,
// for a sound too long, the highest rate at which it would fit; below 8000 Hz,
// as ryxenc --fit warns, what that loses and the chips that hold it at 8000 Hz.
TEST(PicProgramBox, ShowsMemoryUseAndTheRateThatFits) {
    struct Case {
        std::uint32_t samples;
        std::uint32_t rate;
        const char* chip;
        int barValue;
        int barMaximum;
        const char* fit;
    };
    const Case cases[] = {
        {8000, 8000, "PIC16F628A", 8000, 14336, "0.79 s to spare."},
        {14336, 15625, "PIC16F628A", 14336, 14336, "0.00 s to spare."},
        {20000, 8000, "PIC16F628A", 14336, 14336,
         "0.71 s too long at 8000 Hz: the whole sound fits at 5734 Hz or below.\n"
         "The sound fits the PIC16F628A only at 5734 Hz, below the 8000 Hz that speech needs to stay clear: nothing "
         "above 2867 Hz survives; at 8000 Hz it fits the PIC16F648A, the PIC16F88 or the PIC12F1840 (4096 words)."},
        {20000, 15625, "PIC16F628A", 14336, 14336,
         "0.36 s too long at 15625 Hz: the whole sound fits at 11200 Hz or below."},
        {20000, 8000, "PIC16F88", 20000, 53760, "4.22 s to spare."},  // packed, 14 samples a word
        {200000, 8000, "PIC16F628A", 14336, 14336, "23.21 s too long at 8000 Hz: it does not fit even at 1000 Hz."},
    };
    for (const Case& c : cases) {
        auto state = soundOf(c.samples, c.rate);
        TPicProgramBox box(*state);
        box.Target->ChipBox->setCurrentText(c.chip);
        SCOPED_TRACE(std::string(c.chip) + " " + std::to_string(c.samples));
        EXPECT_EQ(box.Target->MemoryBar->value(), c.barValue);
        EXPECT_EQ(box.Target->MemoryBar->maximum(), c.barMaximum);
        EXPECT_EQ(box.FitLabel->text().toStdString(), c.fit);
    }
}

// A crystal can replace the internal oscillator at its own frequency; any
// other clock is a crystal's, and a chip without one always has a crystal.
TEST(PicProgramBox, CrystalIsAChoiceAtTheInternalFrequency) {
    auto state = soundOf(8000, 8000);
    TPicProgramBox box(*state);
    struct Step {
        const char* chip;
        int clock;   // 0: as the chip leaves it
        bool tick;   // tick the crystal box
        bool enabled, crystal;
        const char* figures;
    };
    const Step steps[] = {
        {"PIC16F628A", 0, false, true, false, "Internal oscillator. Plays at 8000.000 Hz (pitch +0.000 %), 125 cycles"},
        {"PIC16F628A", 0, true, true, true, "Crystal oscillator. Plays at 8000.000 Hz (pitch +0.000 %), 125 cycles"},
        {"PIC16F628A", 20000000, false, false, true,
         "Crystal oscillator. Plays at 8000.000 Hz (pitch +0.000 %), 625 cycles"},
        {"PIC16F628A", 4000000, false, true, false, "Internal oscillator."},
        {"PIC16F877A", 0, false, false, true, "Crystal oscillator."},
        {"PIC16F88", 0, false, true, false, "Internal oscillator. Plays at 8000.000 Hz (pitch +0.000 %), 250 cycles"},
    };
    for (const Step& step : steps) {
        box.Target->ChipBox->setCurrentText(step.chip);
        if (step.clock != 0) box.Target->ClockBox->setValue(step.clock);
        if (step.tick) box.Target->CrystalBox->setChecked(true);
        SCOPED_TRACE(std::string(step.chip) + " at " + std::to_string(box.Target->ClockBox->value()));
        EXPECT_EQ(box.Target->CrystalBox->isEnabled(), step.enabled);
        EXPECT_EQ(box.Target->CrystalBox->isChecked(), step.crystal);
        EXPECT_EQ(box.choice().settings.oscillator, step.crystal ? PicOscillator::crystal : PicOscillator::internal);
        EXPECT_TRUE(figures(box).starts_with(step.figures)) << figures(box);
        EXPECT_TRUE(box.SaveButton->isEnabled());
    }
}

// A memory chosen: the bar counts its room after a one-sound index, the plan
// names its wiring as the program's header does and the bus's fewest cycles,
// and packing is greyed with the
// reason; back in the chip, all is as before, the user's tick kept.
TEST(PicProgramBox, AMemoryShowsItsRoomWiringAndBus) {
    struct Case {
        const char* chip;
        const char* memory;
        int barMaximum;  // (size - 8) x 8
        const char* bus;
        const char* wiring;
        const char* fit;
    };
    const Case cases[] = {
        {"PIC16F628A", "24LC256", 262080, "I2C",
         "External 24LC256: SCL RA0 (pin 17), SDA RA1 (pin 18), 4.7k pull-ups.", "31.76 s to spare."},
        {"PIC16F88", "24LC512", 524224, "I2C", "External 24LC512: SCL RA0 (pin 17), SDA RA1 (pin 18), 4.7k pull-ups.",
         "64.53 s to spare."},
        {"PIC16F628A", "W25Q32", 33554368, "SPI",
         "External W25Q32: CS RA2 (pin 1), SCK RA0 (pin 17), SI RA1 (pin 18), SO RA3 (pin 2).",
         "4193.30 s to spare."},
    };
    auto state = soundOf(8000, 8000);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " " + c.memory);
        TPicProgramBox box(*state);
        box.Target->ChipBox->setCurrentText(c.chip);
        const bool packs = box.Target->PackedBox->isEnabled();
        box.Target->MemoryBox->setCurrentText(c.memory);
        EXPECT_EQ(box.choice().settings.memory, findMemory(c.memory));
        EXPECT_EQ(box.Target->MemoryBar->maximum(), c.barMaximum);
        EXPECT_EQ(box.Target->MemoryBar->value(), 8000);
        EXPECT_TRUE(box.Target->MemoryBar->format().startsWith(c.memory));
        EXPECT_NE(figures(box).find(c.wiring), std::string::npos) << figures(box);
        const Result<PicProgramPlan> plan = planPicProgram(*state, box.choice().settings);
        ASSERT_TRUE(plan.ok()) << plan.error();
        EXPECT_NE(figures(box).find(std::string("the ") + c.bus + " bus needs at least " +
                                    std::to_string(plan->minCycles) + ")"),
                  std::string::npos)
            << figures(box);
        EXPECT_EQ(box.FitLabel->text().toStdString(), c.fit);
        EXPECT_FALSE(box.Target->PackedBox->isEnabled());
        EXPECT_FALSE(box.Target->PackedBox->isChecked());
        EXPECT_TRUE(box.Target->PackedBox->toolTip().contains(c.memory));
        EXPECT_TRUE(box.SaveButton->isEnabled());

        box.Target->MemoryBox->setCurrentText("in the chip");
        EXPECT_EQ(box.choice().settings.memory, nullptr);
        EXPECT_EQ(box.Target->PackedBox->isChecked(), packs);
        EXPECT_EQ(box.Target->MemoryBar->maximum(), packs ? 53760 : 14336);
        EXPECT_NE(figures(box).find("(player "), std::string::npos) << figures(box);
    }
}

// What the memory cannot take is refused as the chip's limits are, Save greyed.
TEST(PicProgramBox, AMemorysRefusalsDisableSaving) {
    struct Case {
        const char* chip;
        int clock;  // 0: the chip's own
        bool crystal;
        std::uint32_t samples;
        const char* memory;
        const char* refusal;
    };
    const Case cases[] = {
        {"PIC16F628A", 0, false, 262500, "24LC256",
         "The sound does not fit the 24LC256 (32768 bytes, 32.76 s at 8000 Hz): it is 0.06 s too long."},
        {"PIC12F683", 0, true, 8000, "24LC256",
         "The 24LC256's SCL and SDA take the PIC12F683's GP4 (pin 3) and GP5 (pin 2), which the crystal needs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " " + c.memory);
        auto state = soundOf(c.samples, 8000);
        TPicProgramBox box(*state);
        box.Target->ChipBox->setCurrentText(c.chip);
        if (c.crystal) box.Target->CrystalBox->setChecked(true);
        box.Target->MemoryBox->setCurrentText(c.memory);
        EXPECT_FALSE(box.SaveButton->isEnabled());
        EXPECT_NE(figures(box).find(c.refusal), std::string::npos) << figures(box);
        EXPECT_EQ(box.Target->MemoryBar->maximum(), static_cast<int>(memorySampleCapacity(*findMemory(c.memory))));
    }
}

}  // namespace
}  // namespace ryx::ui
