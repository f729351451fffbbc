#include "ui/PicPlanText.h"

#include "firmware/MemoryWiring.h"

#include "ui/QtText.h"

#include <QLabel>
#include <QString>

namespace ryx::ui {
namespace {

// The program header's wiring line without its comment mark and columns.
QString wiringText(const PicChip& chip, const SerialMemory& memory) {
    QString line = QString::fromStdString(externalMemoryLine(chip, memory));
    if (line.startsWith(QLatin1Char(';'))) line.remove(0, 1);
    return line.simplified() + QLatin1Char('.');
}

}  // namespace

void showPicPlan(QLabel& label, const Result<PicProgramPlan>& planned, const PicProgramSettings& settings) {
    if (!planned) {
        label.setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
        QString reason = QString::fromStdString(planned.error());
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        label.setText(reason + QLatin1Char('.'));
        return;
    }
    const PicProgramPlan& plan = *planned;
    const PicChip& chip = *settings.chip;
    const QString timing =
        QStringLiteral("%1 oscillator. Plays at %2 Hz (pitch %3 %), %4 cycles per sample")
            .arg(plan.oscillator == PicOscillator::internal ? QStringLiteral("Internal") : QStringLiteral("Crystal"))
            .arg(QString::fromStdString(formatFixed(plan.timing.playbackRate, 3)))
            .arg(QString::fromStdString(formatFixed(plan.timing.pitchErrorPercent, 3, true)))
            .arg(plan.timing.cyclesPerSample);
    const QString pins = QStringLiteral("Pins %1 and %2.")
                             .arg(QString::fromStdString(pinLabel(chip.pinA)))
                             .arg(QString::fromStdString(pinLabel(chip.pinB)));
    label.setStyleSheet(QString());
    if (settings.memory != nullptr) {
        const SerialMemory& memory = *settings.memory;
        label.setText(QStringLiteral("%1 (the %2 bus needs at least %3).\nMemory: %4 of %5 words (the player); the "
                                     "sounds in the %6's image. %7\n%8")
                          .arg(timing)
                          .arg(fromView(busName(memory.bus)))
                          .arg(plan.minCycles)
                          .arg(plan.usedWords)
                          .arg(plan.totalWords)
                          .arg(fromView(memory.name))
                          .arg(pins)
                          .arg(wiringText(chip, memory)));
        return;
    }
    label.setText(QStringLiteral("%1.\nMemory: %2 of %3 words (player %4, tables %5). %6")
                      .arg(timing)
                      .arg(plan.usedWords)
                      .arg(plan.totalWords)
                      .arg(plan.playerWords)
                      .arg(plan.tableWords)
                      .arg(pins));
}

}  // namespace ryx::ui
