#include "ui/TPicProgramBox.h"

#include "firmware/MemoryImage.h"
#include "ui/PicChipSetting.h"
#include "ui/PicTargetPanel.h"
#include "ui/ProgramImageFiles.h"
#include "ui/QtText.h"
#include "ui/SoundFit.h"
#include "ui/WindowFont.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ryx::ui {

Result<> writePicProgram(const ProgramState& state, const PicProgramChoice& choice,
                                const std::filesystem::path& path) {
    const ProgramState* const sounds[] = {&state};
    return writeProgramAndImage(sounds, choice.settings, path, [&](const std::filesystem::path& program) {
        return choice.hex ? writePicHex(state, choice.settings, program)
                          : writePicAssembler(state, choice.settings, program);
    });
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
    rememberMemory(box.choice().settings.memory);
    return box.choice();
}

TPicProgramBox::TPicProgramBox(const ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("Export PIC program"));
    setObjectName(QStringLiteral("PicProgramBox"));
    setFont(windowFont());

    Target = new PicTargetPanel(
        {QStringLiteral("Plays"), QStringLiteral("Once after every reset, then sleep"), QStringLiteral("For ever")},
        this);
    OnceButton = Target->PlaysButtons[0];
    LoopButton = Target->PlaysButtons[1];
    FitLabel = new QLabel(this);
    FitLabel->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Target);
    layout->addWidget(FitLabel);
    SaveButton = addSaveAndCancel(*this, *layout);

    connect(Target, &PicTargetPanel::changed, this, [this] { updateFigures(); });
    updateFigures();
}

PicProgramChoice TPicProgramBox::choice() const {
    PicProgramSettings settings = Target->settings();
    settings.loop = LoopButton->isChecked();
    return {settings, Target->HexButton->isChecked()};
}

// Shown whatever the plan says: a sound too long is the refusal this helps with.
void TPicProgramBox::updateFit() {
    const PicProgramSettings settings = choice().settings;
    const EncoderState& sound = state_.encoder;
    // The room of the chip's tables, or of the serial memory after a one-sound index.
    const std::uint64_t capacity = settings.memory != nullptr ? memorySampleCapacity(*settings.memory, 1, imagePlacementOf(settings))
                                                              : picSampleCapacity(*settings.chip, settings.packing);
    const auto fitAt = [&](std::uint32_t rate) {
        return soundFit(capacity, sound.sampleCount, sound.sampleRate, rate);
    };
    const SoundFit fit = fitAt(sound.sampleRate);
    if (fit.fits) {
        FitLabel->setText(QStringLiteral("%1 s to spare.").arg(QString::fromStdString(formatFixed(fit.spareSeconds, 2))));
        return;
    }
    const bool fitsAtAll = fitAt(fit.highestRate).fits;
    QString text = QStringLiteral("%1 s too long at %2 Hz: %3")
                       .arg(QString::fromStdString(formatFixed(-fit.spareSeconds, 2)))
                       .arg(sound.sampleRate)
                       .arg(fitsAtAll ? QStringLiteral("the whole sound fits at %1 Hz or below.").arg(fit.highestRate)
                                      : QStringLiteral("it does not fit even at %1 Hz.").arg(fit.highestRate));
    // As ryxenc --fit warns when it comes down that far; a sound that fits
    // nowhere is told by the plan's refusal.
    if (fitsAtAll) {
        const ProgramState* const sounds[] = {&state_};
        const QString notice = lowRateSentence(sounds, settings, fit.highestRate, sound.sampleCount, sound.sampleRate);
        if (!notice.isEmpty()) text += QLatin1Char('\n') + notice;
    }
    FitLabel->setText(text);
}

void TPicProgramBox::updateFigures() {
    updateFit();
    const PicProgramSettings settings = choice().settings;
    const Result<PicProgramPlan> planned = planPicProgram(state_, settings);
    SaveButton->setEnabled(planned.ok());
    const ProgramState* const sounds[] = {&state_};
    Target->showPlan(planned, sounds, settings);
}

}  // namespace ryx::ui
