#include "ui/PicTargetPanel.h"

#include "ui/PicChipSetting.h"
#include "ui/PicPlanText.h"
#include "ui/QtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace ryx::ui {
namespace {

// A crystal chip starts at the fastest crystal these chips take.
constexpr int kDefaultCrystalHz = 20000000;

const QString kPackedTip = QStringLiteral(
    "14 samples to a word (16 on a PIC18) instead of 8 in a retlw, on chips that can read their own program memory");

// Two or more ticking buttons under a title: one group each, so that a tick
// in one group leaves the dialog's other groups alone.
QGroupBox* buttonGroupBox(const QString& title, QWidget* parent, QButtonGroup*& group, QVBoxLayout*& rows) {
    auto* box = new QGroupBox(title, parent);
    group = new QButtonGroup(box);
    rows = new QVBoxLayout(box);
    return box;
}

QRadioButton* addRadio(const QString& caption, QButtonGroup& group, QVBoxLayout& rows) {
    auto* button = new QRadioButton(caption, rows.parentWidget());
    group.addButton(button);
    rows.addWidget(button);
    return button;
}

}  // namespace

PicTargetPanel::PicTargetPanel(const PlaysCaptions& plays, QWidget* parent) : QWidget(parent) {
    ChipBox = new QComboBox(this);
    for (const PicChip& chip : picChips()) ChipBox->addItem(fromView(chip.name));
    ClockBox = new QSpinBox(this);
    ClockBox->setRange(static_cast<int>(kMinClockHz), static_cast<int>(kMaxClockHz));
    ClockBox->setSuffix(QStringLiteral(" Hz"));
    ClockBox->setSingleStep(1000000);
    CrystalBox = new QCheckBox(QStringLiteral("Crystal"), this);
    PackedBox = new QCheckBox(QStringLiteral("&Packed: whole program words, read back"), this);
    PackedBox->setChecked(true);

    QButtonGroup* playsGroup = nullptr;
    QVBoxLayout* playsRows = nullptr;
    PlaysBox = buttonGroupBox(plays.title, this, playsGroup, playsRows);
    PlaysButtons = {addRadio(plays.first, *playsGroup, *playsRows), addRadio(plays.second, *playsGroup, *playsRows)};
    PlaysButtons[0]->setChecked(true);
    QGroupBox* fileBox = buttonGroupBox(QStringLiteral("File"), this, fileKinds_, fileKindRows_);
    HexButton = addFileKind(QStringLiteral("Intel HEX, ready to flash (.hex)"));
    AsmButton = addFileKind(QStringLiteral("Assembler source for gpasm (.asm)"));
    HexButton->setChecked(true);
    FiguresLabel = new QLabel(this);
    FiguresLabel->setWordWrap(true);
    FiguresLabel->setMinimumWidth(320);
    MemoryBar = new QProgressBar(this);
    MemoryBar->setFormat(QStringLiteral("Sound memory %p %"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Chip:"), ChipBox);
    auto* clock = new QHBoxLayout;
    clock->addWidget(ClockBox, 1);
    clock->addWidget(CrystalBox);
    form->addRow(QStringLiteral("Clock:"), clock);
    form->addRow(QString(), PackedBox);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(PlaysBox);
    layout->addWidget(fileBox);
    layout->addWidget(FiguresLabel);
    layout->addWidget(MemoryBar);

    connect(ChipBox, &QComboBox::currentIndexChanged, this, [this] { chipChanged(); });
    connect(ClockBox, &QSpinBox::valueChanged, this, [this] { clockChanged(); });
    connect(CrystalBox, &QCheckBox::toggled, this, &PicTargetPanel::changed);
    connect(PackedBox, &QCheckBox::toggled, this, [this](bool ticked) {
        packedWanted_ = ticked;
        emit changed();
    });
    connect(PlaysButtons[1], &QRadioButton::toggled, this, &PicTargetPanel::changed);
    const auto first = std::find_if(picChips().begin(), picChips().end(),
                                    [](const PicChip& chip) { return &chip == &rememberedPicChip(); });
    {
        const QSignalBlocker quiet(ChipBox);
        ChipBox->setCurrentIndex(static_cast<int>(first - picChips().begin()));
    }
    chipChanged();
}

// Packing as the user ticked it: on a chip that cannot read its program
// memory it means retlw either way, and the files stay as they always were.
PicProgramSettings PicTargetPanel::settings() const {
    const PicChip& chip = picChips()[static_cast<std::size_t>(std::max(ChipBox->currentIndex(), 0))];
    const auto clock = static_cast<std::uint32_t>(ClockBox->value());
    const PicOscillator oscillator = CrystalBox->isChecked() ? PicOscillator::crystal : PicOscillator::internal;
    const PicPacking packing = packedWanted_ ? PicPacking::automatic : PicPacking::off;
    return {&chip, clock, false, oscillator, packing};
}

QRadioButton* PicTargetPanel::addFileKind(const QString& caption) {
    return addRadio(caption, *fileKinds_, *fileKindRows_);
}

// Shown whatever the plan says: a sound too long is the refusal the bar helps with.
void PicTargetPanel::showPlan(const Result<PicProgramPlan>& planned, SoundBank sounds,
                              const PicProgramSettings& settings) {
    std::uint64_t samples = 0;
    for (const ProgramState* sound : sounds) samples += sound->encoder.sampleCount;
    // No sounds: refused, as any program that cannot be made.
    const std::uint32_t rate = sounds.empty() ? 0 : sounds.front()->encoder.sampleRate;
    const Result<std::uint32_t> room = picBankCapacity(sounds, settings, rate);
    const std::uint32_t capacity = room ? *room : picSampleCapacity(*settings.chip, settings.packing);
    MemoryBar->setRange(0, static_cast<int>(capacity));
    MemoryBar->setValue(static_cast<int>(std::min<std::uint64_t>(samples, capacity)));
    showPicPlan(*FiguresLabel, planned, *settings.chip);
}

void PicTargetPanel::chipChanged() {
    const PicChip& chip = *settings().chip;
    {
        const QSignalBlocker quiet(ClockBox);
        ClockBox->setValue(chip.internalClockHz != 0 ? static_cast<int>(chip.internalClockHz) : kDefaultCrystalHz);
    }
    {
        const QSignalBlocker quiet(PackedBox);
        const bool packs = storageFor(chip, PicPacking::automatic) != PicStorage::retlw;
        PackedBox->setChecked(packs && packedWanted_);
        PackedBox->setEnabled(packs);
        PackedBox->setToolTip(packs ? kPackedTip
                                    : QStringLiteral("The %1 cannot read its own program memory: each word "
                                                     "holds 8 samples in a retlw")
                                          .arg(fromView(chip.name)));
    }
    clockChanged();
}

// Any clock but the internal oscillator's needs a crystal; at that one the
// internal oscillator comes first, as it always did.
void PicTargetPanel::clockChanged() {
    const PicProgramSettings chosen = settings();
    const bool canChoose = defaultOscillator(*chosen.chip, chosen.clockHz) == PicOscillator::internal;
    {
        const QSignalBlocker quiet(CrystalBox);
        if (canChoose != CrystalBox->isEnabled()) CrystalBox->setChecked(!canChoose);
        CrystalBox->setEnabled(canChoose);
    }
    emit changed();
}

QPushButton* addSaveAndCancel(QDialog& dialog, QBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    QPushButton* save = buttons->addButton(QStringLiteral("Save..."), QDialogButtonBox::AcceptRole);
    save->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return save;
}

}  // namespace ryx::ui
