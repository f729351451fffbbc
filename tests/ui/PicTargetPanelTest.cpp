#include "ui/PicTargetPanel.h"

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

}  // namespace
}  // namespace ryx::ui
