#include "ui/PicPlanText.h"

#include <QLabel>
#include <QString>

namespace ryx::ui {

void showPicPlan(QLabel& label, const Result<PicProgramPlan>& planned, const PicChip& chip) {
    if (!planned) {
        label.setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
        QString reason = QString::fromStdString(planned.error());
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        label.setText(reason + QLatin1Char('.'));
        return;
    }
    const PicProgramPlan& plan = *planned;
    label.setStyleSheet(QString());
    label.setText(
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
