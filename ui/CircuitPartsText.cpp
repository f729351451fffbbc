#include "ui/CircuitPartsText.h"

#include "ui/QtText.h"

#include "core/CircuitModel.h"
#include "core/ListSelection.h"

#include <QStringList>

namespace ryx::ui {
namespace {

const QString kOhmSign = QStringLiteral("\u03a9");

QString ohmsText(double ohms) { return QString::fromStdString(formatOhms(ohms)) + kOhmSign; }

// A rate of 0 leaves no rule for the exact value.
QString resistorLine(const QString& name, const ResistorValue& value) {
    const QString bought = value.boughtOhms > 0 ? ohmsText(value.boughtOhms) : QStringLiteral("none");
    const QString exact =
        value.exactOhms > 0 ? QStringLiteral("exact ") + ohmsText(value.exactOhms) : QStringLiteral("no exact value");
    return QStringLiteral("%1: %2 (%3)").arg(name, bought, exact);
}

}  // namespace

QString circuitPartsText(const CircuitParts& parts, const EncoderState& encoder) {
    const CircuitResistors resistors =
        circuitResistors(parts, encoder.algorithmType, encoder.fineness, encoder.sampleRate);
    QStringList lines;
    lines << QStringLiteral("Parts for %1, %2 at %3 Hz:")
                 .arg(fromView(schemeItemText(encoder.algorithmType)), fromView(finenessItemText(encoder.fineness)))
                 .arg(encoder.sampleRate);
    if (resistors.count == 1) {
        lines << resistorLine(QStringLiteral("Resistor"), resistors.values[0]);
    } else {
        lines << resistorLine(QStringLiteral("Resistor A (this bit)"), resistors.values[0]);
        lines << resistorLine(QStringLiteral("Resistor B (the bit before)"), resistors.values[1]);
    }
    lines << QStringLiteral("Capacitor: %1F").arg(QString::fromStdString(formatCapacitance(parts.capacitanceFarads)));
    lines << QStringLiteral("Load: %1").arg(parts.loadOhms > 0 ? ohmsText(parts.loadOhms) : QStringLiteral("none"));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace ryx::ui
