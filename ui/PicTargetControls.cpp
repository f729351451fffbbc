#include "ui/PicTargetControls.h"

#include "ui/PicChipSetting.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace ryx::ui {
namespace {

// A crystal chip starts at the fastest crystal these chips take.
constexpr int kDefaultCrystalHz = 20000000;

}  // namespace

PicTargetControls::PicTargetControls(QWidget* dialog) : QObject(dialog) {
    ChipBox = new QComboBox(dialog);
    for (const PicChip& chip : picChips()) ChipBox->addItem(fromView(chip.name));
    ClockBox = new QSpinBox(dialog);
    ClockBox->setRange(static_cast<int>(kMinClockHz), static_cast<int>(kMaxClockHz));
    ClockBox->setSuffix(QStringLiteral(" Hz"));
    ClockBox->setSingleStep(1000000);
    CrystalBox = new QCheckBox(QStringLiteral("Crystal"), dialog);
    PackedBox = new QCheckBox(QStringLiteral("&Packed: whole program words, read back"), dialog);
    PackedBox->setToolTip(QStringLiteral("14 samples to a word (16 on a PIC18) instead of 8 in a retlw, "
                                         "on chips that can read their own program memory"));
    PackedBox->setChecked(true);

    connect(ChipBox, &QComboBox::currentIndexChanged, this, [this] { chipChanged(); });
    connect(ClockBox, &QSpinBox::valueChanged, this, [this] { clockChanged(); });
    connect(CrystalBox, &QCheckBox::toggled, this, &PicTargetControls::changed);
    connect(PackedBox, &QCheckBox::toggled, this, &PicTargetControls::changed);
    const auto first = std::find_if(picChips().begin(), picChips().end(),
                                    [](const PicChip& chip) { return &chip == &rememberedPicChip(); });
    {
        const QSignalBlocker quiet(ChipBox);
        ChipBox->setCurrentIndex(static_cast<int>(first - picChips().begin()));
    }
    chipChanged();
}

PicProgramSettings PicTargetControls::settings() const {
    const PicChip& chip = picChips()[static_cast<std::size_t>(std::max(ChipBox->currentIndex(), 0))];
    const auto clock = static_cast<std::uint32_t>(ClockBox->value());
    const PicOscillator oscillator = CrystalBox->isChecked() ? PicOscillator::crystal : PicOscillator::internal;
    const PicPacking packing = PackedBox->isChecked() ? PicPacking::automatic : PicPacking::off;
    return {&chip, clock, false, oscillator, packing};
}

void PicTargetControls::addRows(QFormLayout& form) const {
    form.addRow(QStringLiteral("Chip:"), ChipBox);
    auto* clock = new QHBoxLayout;
    clock->addWidget(ClockBox, 1);
    clock->addWidget(CrystalBox);
    form.addRow(QStringLiteral("Clock:"), clock);
    form.addRow(QString(), PackedBox);
}

void PicTargetControls::chipChanged() {
    const PicChip& chip = *settings().chip;
    {
        const QSignalBlocker quiet(ClockBox);
        ClockBox->setValue(chip.internalClockHz != 0 ? static_cast<int>(chip.internalClockHz) : kDefaultCrystalHz);
    }
    PackedBox->setEnabled(chip.readsProgramMemory);
    clockChanged();
}

// Any clock but the internal oscillator's needs a crystal; at that one the
// internal oscillator comes first, as it always did.
void PicTargetControls::clockChanged() {
    const PicProgramSettings chosen = settings();
    const bool canChoose = defaultOscillator(*chosen.chip, chosen.clockHz) == PicOscillator::internal;
    {
        const QSignalBlocker quiet(CrystalBox);
        if (canChoose != CrystalBox->isEnabled()) CrystalBox->setChecked(!canChoose);
        CrystalBox->setEnabled(canChoose);
    }
    emit changed();
}

}  // namespace ryx::ui
