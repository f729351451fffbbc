#include "ui/CircuitSettings.h"

#include "ui/UserSettings.h"

#include <QStringList>

#include <array>
#include <charconv>
#include <string>

namespace ryx::ui {
namespace {

const QString kModelKey = QStringLiteral("circuit/model");
const QString kResistorsKey = QStringLiteral("circuit/resistors");
const QString kCapacitorKey = QStringLiteral("circuit/capacitor");
const QString kLoadKey = QStringLiteral("circuit/load");
const QString kClassicValue = QStringLiteral("classic");
const QString kCircuitValue = QStringLiteral("circuit");
const QString kNoLoadValue = QStringLiteral("none");

// A restart encodes exactly as before.
QString ohmsText(double ohms) { return partValueText(ohms, &formatOhms, &parseOhms); }

QString resistorsText(const ResistorParts& resistors) {
    if (resistors.series != ResistorSeries::given) return QString::fromStdString(formatCircuitParts(resistors));
    QString text = ohmsText(resistors.givenOhms[0]);
    if (resistors.givenOhms[1] > 0) text += QLatin1Char(',') + ohmsText(resistors.givenOhms[1]);
    return text;
}

constexpr qsizetype kShownStoredLength = 16;

// A stored text that does not read (or is out of range) leaves the default
// and says so, once per run, naming the setting and the default kept.
template <typename T>
void readInto(const QSettings& stored, const QString& key, Result<T> (*parse)(std::string_view), T& target,
              const QString& defaultText, QStringList& notices) {
    if (!stored.contains(key)) return;
    const QString text = stored.value(key).toString();
    if (const Result<T> parsed = parse(text.toStdString())) {
        target = *parsed;
        return;
    }
    const QString shown =
        text.size() > kShownStoredLength ? text.left(kShownStoredLength) + QStringLiteral("...") : text;
    notices << QStringLiteral("%1 \"%2\" refused, %3 used").arg(key.section(QLatin1Char('/'), 1), shown, defaultText);
}

}  // namespace

QString partValueText(double value, std::string (*format)(double), Result<double> (*parse)(std::string_view)) {
    const std::string text = format(value);
    if (const Result<double> read = parse(text); read && *read == value) return QString::fromStdString(text);
    // The shortest digits that read back to the same value.
    std::array<char, 32> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return QString::fromLatin1(buffer.data(), static_cast<qsizetype>(written.ptr - buffer.data()));
}

CircuitChoice circuitChoiceOf(const ProgramState& state) { return {state.filterModel, state.circuitParts}; }

void applyCircuitChoice(ProgramState& state, const CircuitChoice& choice) {
    state.filterModel = choice.model;
    state.circuitParts = choice.parts;
}

CircuitChoice rememberedCircuitChoice(QString* notice) {
    const QSettings stored = userSettings();
    CircuitChoice choice;
    if (stored.value(kModelKey).toString() == kCircuitValue) choice.model = FilterModelChoice::circuit;
    QStringList notices;
    readInto(stored, kResistorsKey, &parseCircuitParts, choice.parts.resistors,
             resistorsText(choice.parts.resistors), notices);
    readInto(stored, kCapacitorKey, &parseCapacitance, choice.parts.capacitanceFarads,
             partValueText(choice.parts.capacitanceFarads, &formatCapacitance, &parseCapacitance), notices);
    readInto(stored, kLoadKey, &parseLoad, choice.parts.loadOhms, kNoLoadValue, notices);
    if (notice != nullptr) {
        *notice =
            notices.isEmpty() ? QString() : QStringLiteral("Circuit settings: ") + notices.join(QStringLiteral("; "));
    }
    return choice;
}

void rememberCircuitChoice(const CircuitChoice& choice) {
    QSettings stored = userSettings();
    stored.setValue(kModelKey, choice.model == FilterModelChoice::circuit ? kCircuitValue : kClassicValue);
    stored.setValue(kResistorsKey, resistorsText(choice.parts.resistors));
    stored.setValue(kCapacitorKey, partValueText(choice.parts.capacitanceFarads, &formatCapacitance, &parseCapacitance));
    stored.setValue(kLoadKey, choice.parts.loadOhms > 0 ? ohmsText(choice.parts.loadOhms) : kNoLoadValue);
}

}  // namespace ryx::ui
