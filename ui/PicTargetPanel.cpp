#include "ui/PicTargetPanel.h"

#include "firmware/MemoryImage.h"
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
#include <limits>

namespace ryx::ui {
namespace {

// A crystal chip starts at the fastest crystal these chips take.
constexpr int kDefaultCrystalHz = 20000000;

const QString kPackedTip = QStringLiteral(
    "14 samples to a word (16 on a PIC18) instead of 8 in a retlw, on chips that can read their own program memory");
const QString kInTheChip = QStringLiteral("in the chip");

const SerialMemory* memoryAt(int index) {
    return index > 0 ? &serialMemories()[static_cast<std::size_t>(index - 1)] : nullptr;
}

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
    MemoryBox = new QComboBox(this);
    MemoryBox->addItem(kInTheChip);
    for (const SerialMemory& memory : serialMemories()) MemoryBox->addItem(fromView(memory.name));
    MemoryBox->setToolTip(QStringLiteral("Where the sounds are: in the chip's program memory, or in a serial memory "
                                         "on the chip's memory pins, written from an image saved beside the program"));
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
    form->addRow(QStringLiteral("Memory:"), MemoryBox);
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
    connect(MemoryBox, &QComboBox::currentIndexChanged, this, [this] {
        updatePacked();
        emit changed();
    });
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
    if (const SerialMemory* memory = rememberedMemory(); memory != nullptr) {
        const QSignalBlocker quiet(MemoryBox);
        MemoryBox->setCurrentIndex(static_cast<int>(memory - serialMemories().data()) + 1);
    }
    chipChanged();
}

// Packing as the user ticked it: on a chip that cannot read its program
// memory it means retlw either way, and the files stay as they always were.
// With a memory it plays no part: as ryxenc --memory leaves it.
PicProgramSettings PicTargetPanel::settings() const {
    const PicChip& chip = picChips()[static_cast<std::size_t>(std::max(ChipBox->currentIndex(), 0))];
    const auto clock = static_cast<std::uint32_t>(ClockBox->value());
    const PicOscillator oscillator = CrystalBox->isChecked() ? PicOscillator::crystal : PicOscillator::internal;
    const SerialMemory* memory = memoryAt(MemoryBox->currentIndex());
    const PicPacking packing = packedWanted_ || memory != nullptr ? PicPacking::automatic : PicPacking::off;
    PicProgramSettings chosen{&chip, clock, false, oscillator, packing};
    chosen.memory = memory;
    return chosen;
}

QRadioButton* PicTargetPanel::addFileKind(const QString& caption) {
    return addRadio(caption, *fileKinds_, *fileKindRows_);
}

// Shown whatever the plan says: a sound too long is the refusal the bar helps with.
void PicTargetPanel::showPlan(const Result<PicProgramPlan>& planned, SoundBank sounds,
                              const PicProgramSettings& settings) {
    showPlan(planned, encodedSoundsOf(sounds), settings);
}

void PicTargetPanel::showPlan(const Result<PicProgramPlan>& planned, EncodedBank sounds,
                              const PicProgramSettings& settings) {
    std::uint64_t samples = 0;
    for (const EncodedSound& sound : sounds) samples += sound.encoder.sampleCount;
    // No sounds: refused, as any program that cannot be made.
    const std::uint32_t rate = sounds.empty() ? 0 : sounds.front().encoder.sampleRate;
    const Result<std::uint32_t> room = picBankCapacity(sounds, settings, rate);
    const std::uint64_t capacity =
        room                          ? *room
        : settings.memory != nullptr ? memorySampleCapacity(*settings.memory, std::max<std::size_t>(sounds.size(), 1),
                                                            imagePlacementOf(settings))
                                     : picSampleCapacity(*settings.chip, settings.packing);
    // A bar counts in int: a W25Q128's 134 million samples still fit it.
    const auto top = static_cast<int>(std::min<std::uint64_t>(capacity, std::numeric_limits<int>::max()));
    MemoryBar->setRange(0, top);
    MemoryBar->setValue(static_cast<int>(std::min<std::uint64_t>(samples, static_cast<std::uint64_t>(top))));
    MemoryBar->setFormat(settings.memory != nullptr ? fromView(settings.memory->name) + QStringLiteral(" %p %")
                                                    : QStringLiteral("Sound memory %p %"));
    showPicPlan(*FiguresLabel, planned, settings);
}

void PicTargetPanel::chipChanged() {
    const PicChip& chip = *settings().chip;
    {
        const QSignalBlocker quiet(ClockBox);
        ClockBox->setValue(chip.internalClockHz != 0 ? static_cast<int>(chip.internalClockHz) : kDefaultCrystalHz);
    }
    updatePacked();
    clockChanged();
}

void PicTargetPanel::updatePacked() {
    const PicProgramSettings chosen = settings();
    const PicChip& chip = *chosen.chip;
    const bool reads = storageFor(chip, PicPacking::automatic) != PicStorage::retlw;
    const bool packs = reads && chosen.memory == nullptr;
    const QSignalBlocker quiet(PackedBox);
    PackedBox->setChecked(packs && packedWanted_);
    PackedBox->setEnabled(packs);
    PackedBox->setToolTip(
        chosen.memory != nullptr
            ? QStringLiteral("The sounds are in the %1: packing concerns only tables in the chip's program memory")
                  .arg(fromView(chosen.memory->name))
        : packs ? kPackedTip
                : QStringLiteral("The %1 cannot read its own program memory: each word holds 8 samples in a retlw")
                      .arg(fromView(chip.name)));
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
