#include "ui/TPicProgramBox.h"

#include "ui/PicChipSetting.h"
#include "ui/QtText.h"
#include "ui/SoundFit.h"

#include "ui/WindowFont.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
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

}  // namespace

Result<> writePicProgram(const ProgramState& state, const PicProgramChoice& choice,
                                const std::filesystem::path& path) {
    return choice.hex ? writePicHex(state, choice.settings, path) : writePicAssembler(state, choice.settings, path);
}

PicProgramProposal proposePicProgramFile(const QString& soundFile, const QString& lastFolder,
                                         const PicProgramChoice& choice) {
    const QFileInfo sound(soundFile);
    const QString name = soundFile.isEmpty() ? QStringLiteral("sound") : sound.completeBaseName();
    const QString chip = fromView(choice.settings.chip->processor).toLower();
    const QString suffix = choice.hex ? QStringLiteral(".hex") : QStringLiteral(".asm");
    const QString folder = !lastFolder.isEmpty() ? lastFolder : soundFile.isEmpty() ? QString() : sound.absolutePath();
    return {folder, name + QLatin1Char('-') + chip + suffix};
}

std::optional<PicProgramChoice> choosePicProgram(QWidget* parent, const ProgramState& state) {
    TPicProgramBox box(state, parent);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    rememberPicChip(*box.choice().settings.chip);
    return box.choice();
}

TPicProgramBox::TPicProgramBox(const ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("Export PIC program"));
    setObjectName(QStringLiteral("PicProgramBox"));
    setFont(windowFont());

    ChipBox = new QComboBox(this);
    for (const PicChip& chip : picChips()) ChipBox->addItem(fromView(chip.name));
    ClockBox = new QSpinBox(this);
    ClockBox->setRange(static_cast<int>(kMinClockHz), static_cast<int>(kMaxClockHz));
    ClockBox->setSuffix(QStringLiteral(" Hz"));
    ClockBox->setSingleStep(1000000);
    CrystalBox = new QCheckBox(QStringLiteral("Crystal"), this);
    PackedBox = new QCheckBox(QStringLiteral("&Packed: whole program words, read back"), this);
    PackedBox->setToolTip(QStringLiteral("14 samples to a word (16 on a PIC18) instead of 8 in a retlw, "
                                         "on chips that can read their own program memory"));
    PackedBox->setChecked(true);
    OnceButton = new QRadioButton(QStringLiteral("Once after every reset, then sleep"), this);
    LoopButton = new QRadioButton(QStringLiteral("For ever"), this);
    HexButton = new QRadioButton(QStringLiteral("Intel HEX, ready to flash (.hex)"), this);
    AsmButton = new QRadioButton(QStringLiteral("Assembler source for gpasm (.asm)"), this);
    // One group each: with the dialog as every button's parent, ticking a
    // file kind would untick the play mode.
    auto* playsButtons = new QButtonGroup(this);
    playsButtons->addButton(OnceButton);
    playsButtons->addButton(LoopButton);
    auto* kindButtons = new QButtonGroup(this);
    kindButtons->addButton(HexButton);
    kindButtons->addButton(AsmButton);
    OnceButton->setChecked(true);
    HexButton->setChecked(true);
    FiguresLabel = new QLabel(this);
    FiguresLabel->setWordWrap(true);
    FiguresLabel->setMinimumWidth(320);
    MemoryBar = new QProgressBar(this);
    MemoryBar->setFormat(QStringLiteral("Sound memory %p %"));
    FitLabel = new QLabel(this);
    FitLabel->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Chip:"), ChipBox);
    auto* clock = new QHBoxLayout;
    clock->addWidget(ClockBox, 1);
    clock->addWidget(CrystalBox);
    form->addRow(QStringLiteral("Clock:"), clock);
    form->addRow(QString(), PackedBox);
    auto* plays = new QVBoxLayout;
    plays->addWidget(OnceButton);
    plays->addWidget(LoopButton);
    auto* playsGroup = new QGroupBox(QStringLiteral("Plays"), this);
    playsGroup->setLayout(plays);
    auto* kinds = new QVBoxLayout;
    kinds->addWidget(HexButton);
    kinds->addWidget(AsmButton);
    auto* kindGroup = new QGroupBox(QStringLiteral("File"), this);
    kindGroup->setLayout(kinds);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    SaveButton = buttons->addButton(QStringLiteral("Save..."), QDialogButtonBox::AcceptRole);
    SaveButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(playsGroup);
    layout->addWidget(kindGroup);
    layout->addWidget(FiguresLabel);
    layout->addWidget(MemoryBar);
    layout->addWidget(FitLabel);
    layout->addWidget(buttons);

    connect(ChipBox, &QComboBox::currentIndexChanged, this, [this] { chipChanged(); });
    connect(ClockBox, &QSpinBox::valueChanged, this, [this] { clockChanged(); });
    connect(CrystalBox, &QCheckBox::toggled, this, [this] { updateFigures(); });
    connect(PackedBox, &QCheckBox::toggled, this, [this] { updateFigures(); });
    connect(LoopButton, &QRadioButton::toggled, this, [this] { updateFigures(); });
    const auto first = std::find_if(picChips().begin(), picChips().end(),
                                    [](const PicChip& chip) { return &chip == &rememberedPicChip(); });
    {
        const QSignalBlocker quiet(ChipBox);
        ChipBox->setCurrentIndex(static_cast<int>(first - picChips().begin()));
    }
    chipChanged();
}

PicProgramChoice TPicProgramBox::choice() const {
    const PicChip& chip = picChips()[static_cast<std::size_t>(std::max(ChipBox->currentIndex(), 0))];
    const auto clock = static_cast<std::uint32_t>(ClockBox->value());
    const PicOscillator oscillator = CrystalBox->isChecked() ? PicOscillator::crystal : PicOscillator::internal;
    const PicPacking packing = PackedBox->isChecked() ? PicPacking::automatic : PicPacking::off;
    return {{&chip, clock, LoopButton->isChecked(), oscillator, packing}, HexButton->isChecked()};
}

void TPicProgramBox::chipChanged() {
    const PicChip& chip = *choice().settings.chip;
    {
        const QSignalBlocker quiet(ClockBox);
        ClockBox->setValue(chip.internalClockHz != 0 ? static_cast<int>(chip.internalClockHz) : kDefaultCrystalHz);
    }
    PackedBox->setEnabled(chip.readsProgramMemory);
    clockChanged();
}

// Any clock but the internal oscillator's needs a crystal; at that one the
// internal oscillator comes first, as it always did.
void TPicProgramBox::clockChanged() {
    const PicProgramChoice chosen = choice();
    const bool canChoose = defaultOscillator(*chosen.settings.chip, chosen.settings.clockHz) == PicOscillator::internal;
    {
        const QSignalBlocker quiet(CrystalBox);
        if (canChoose != CrystalBox->isEnabled()) CrystalBox->setChecked(!canChoose);
        CrystalBox->setEnabled(canChoose);
    }
    updateFigures();
}

// Shown whatever the plan says: a sound too long is the refusal this helps with.
void TPicProgramBox::updateFit() {
    const PicProgramSettings settings = choice().settings;
    const PicChip& chip = *settings.chip;
    const EncoderState& sound = state_.encoder;
    const std::uint32_t capacity = picSampleCapacity(chip, settings.packing);
    MemoryBar->setRange(0, static_cast<int>(capacity));
    MemoryBar->setValue(static_cast<int>(std::min(sound.sampleCount, capacity)));
    const SoundFit fit = soundFit(chip, sound.sampleCount, sound.sampleRate, sound.sampleRate, settings.packing);
    if (fit.fits) {
        FitLabel->setText(QStringLiteral("%1 s to spare.").arg(QString::fromStdString(formatFixed(fit.spareSeconds, 2))));
        return;
    }
    const bool fitsAtAll = soundFit(chip, sound.sampleCount, sound.sampleRate, fit.highestRate, settings.packing).fits;
    FitLabel->setText(QStringLiteral("%1 s too long at %2 Hz: %3")
                          .arg(QString::fromStdString(formatFixed(-fit.spareSeconds, 2)))
                          .arg(sound.sampleRate)
                          .arg(fitsAtAll ? QStringLiteral("the whole sound fits at %1 Hz or below.").arg(fit.highestRate)
                                         : QStringLiteral("it does not fit even at %1 Hz.").arg(fit.highestRate)));
}

void TPicProgramBox::updateFigures() {
    updateFit();
    const PicProgramChoice chosen = choice();
    const Result<PicProgramPlan> planned = planPicProgram(state_, chosen.settings);
    SaveButton->setEnabled(planned.ok());
    if (!planned) {
        FiguresLabel->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
        QString reason = QString::fromStdString(planned.error());
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        FiguresLabel->setText(reason + QLatin1Char('.'));
        return;
    }
    const PicProgramPlan& plan = *planned;
    const PicChip& chip = *chosen.settings.chip;
    FiguresLabel->setStyleSheet(QString());
    FiguresLabel->setText(
        QStringLiteral("%1 oscillator. Plays at %2 Hz (pitch %3 %), %4 cycles per sample.\n"
                       "Memory: %5 of %6 words (player %7, tables %8). Pins %9 and %10.")
            .arg(plan.oscillator == PicOscillator::internal ? QStringLiteral("Internal") : QStringLiteral("Crystal"))
            .arg(QString::fromStdString(formatFixed(plan.timing.playbackRate, 3)))
            .arg(QString::fromStdString(formatFixed(plan.timing.pitchErrorPercent, 3, true)))
            .arg(plan.timing.cyclesPerSample)
            .arg(plan.usedWords)
            .arg(plan.totalWords)
            .arg(plan.playerWords)
            .arg(plan.tableWords)
            .arg(QString::fromStdString(pinLabel(chip.pinA)))
            .arg(QString::fromStdString(pinLabel(chip.pinB))));
}

}  // namespace ryx::ui
