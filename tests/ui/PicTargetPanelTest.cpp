#include "ui/PicTargetPanel.h"

#include "ui/PicChipSetting.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace ryx::ui {
namespace {

const PlaysCaptions kPlays{QStringLiteral("Plays"), QStringLiteral("First"), QStringLiteral("Second")};

// The box is ticked exactly where the program keeps packed words, greyed with
// the reason where the chip cannot read them; the user's untick holds on every chip.
TEST(PicTargetPanel, PackedBoxShowsWhatTheChipStores) {
    PicTargetPanel panel(kPlays, nullptr);
    for (const bool wanted : {true, false}) {
        panel.ChipBox->setCurrentText(QStringLiteral("PIC16F88"));
        panel.PackedBox->setChecked(wanted);
        for (const PicChip& chip : picChips()) {
            panel.ChipBox->setCurrentText(fromView(chip.name));
            SCOPED_TRACE(std::string(chip.name) + (wanted ? " wanted" : " unticked"));
            const PicStorage stored = storageFor(chip, panel.settings().packing);
            EXPECT_EQ(panel.PackedBox->isChecked(), stored != PicStorage::retlw);
            EXPECT_EQ(panel.PackedBox->isChecked(), wanted && chip.readsProgramMemory);
            EXPECT_EQ(panel.PackedBox->isEnabled(), chip.readsProgramMemory);
            EXPECT_EQ(panel.PackedBox->toolTip().contains(QStringLiteral("cannot read its own program memory")),
                      !chip.readsProgramMemory)
                << panel.PackedBox->toolTip().toStdString();
        }
    }
}

// A further file kind joins Hex and Asm in one group; the ways of playing are
// a group of their own, and only they (not the file kind) change the plan.
TEST(PicTargetPanel, FileKindsAndWaysOfPlayingAreSeparateGroups) {
    PicTargetPanel panel(kPlays, nullptr);
    QRadioButton* include = panel.addFileKind(QStringLiteral("Include"));
    QSignalSpy changes(&panel, &PicTargetPanel::changed);
    EXPECT_TRUE(panel.PlaysButtons[0]->isChecked());
    EXPECT_TRUE(panel.HexButton->isChecked());
    include->click();
    EXPECT_FALSE(panel.HexButton->isChecked());
    EXPECT_TRUE(panel.PlaysButtons[0]->isChecked());
    EXPECT_EQ(changes.count(), 0);
    panel.PlaysButtons[1]->click();
    EXPECT_TRUE(include->isChecked());
    EXPECT_FALSE(panel.PlaysButtons[0]->isChecked());
    EXPECT_EQ(changes.count(), 1);
}

// "in the chip" first, then the memories in the table's order; the dialog
// opens on the memory chosen last.
TEST(PicTargetPanel, OffersTheMemoriesAndOpensOnTheRememberedOne) {
    {
        PicTargetPanel panel(kPlays, nullptr);
        ASSERT_EQ(panel.MemoryBox->count(), static_cast<int>(serialMemories().size()) + 1);
        EXPECT_EQ(panel.MemoryBox->itemText(0), QStringLiteral("in the chip"));
        for (std::size_t k = 0; k < serialMemories().size(); ++k) {
            EXPECT_EQ(panel.MemoryBox->itemText(static_cast<int>(k) + 1), fromView(serialMemories()[k].name));
        }
        EXPECT_EQ(panel.settings().memory, nullptr);
    }
    rememberMemory(findMemory("w25q64"));
    {
        PicTargetPanel panel(kPlays, nullptr);
        EXPECT_EQ(panel.MemoryBox->currentText(), QStringLiteral("W25Q64"));
        EXPECT_EQ(panel.settings().memory, findMemory("W25Q64"));
        EXPECT_FALSE(panel.PackedBox->isEnabled());
    }
    rememberMemory(nullptr);
    EXPECT_EQ(rememberedMemory(), nullptr);
}

}  // namespace
}  // namespace ryx::ui
