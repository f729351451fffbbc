#include "ui/TPicProgramBox.h"

#include "ui/PicChipSetting.h"
#include "ui/PicPlanText.h"
#include "ui/PicTargetControls.h"
#include "ui/QtText.h"
#include "ui/SoundFit.h"

#include "ui/WindowFont.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ryx::ui {

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

    target_ = new PicTargetControls(this);
    ChipBox = target_->ChipBox;
    ClockBox = target_->ClockBox;
    CrystalBox = target_->CrystalBox;
    PackedBox = target_->PackedBox;
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
    target_->addRows(*form);
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

    connect(target_, &PicTargetControls::changed, this, [this] { updateFigures(); });
    connect(LoopButton, &QRadioButton::toggled, this, [this] { updateFigures(); });
    updateFigures();
}

PicProgramChoice TPicProgramBox::choice() const {
    PicProgramSettings settings = target_->settings();
    settings.loop = LoopButton->isChecked();
    return {settings, HexButton->isChecked()};
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
    showPicPlan(*FiguresLabel, planned, *chosen.settings.chip);
}

}  // namespace ryx::ui
