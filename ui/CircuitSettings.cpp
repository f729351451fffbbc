#include "ui/CircuitSettings.h"

#include "ui/UserSettings.h"

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

template <typename T>
void readInto(const QSettings& stored, const QString& key, Result<T> (*parse)(std::string_view), T& target) {
    if (!stored.contains(key)) return;
    const std::string text = stored.value(key).toString().toStdString();
    if (const Result<T> parsed = parse(text)) target = *parsed;
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

CircuitChoice rememberedCircuitChoice() {
    const QSettings stored = userSettings();
    CircuitChoice choice;
    if (stored.value(kModelKey).toString() == kCircuitValue) choice.model = FilterModelChoice::circuit;
    readInto(stored, kResistorsKey, &parseCircuitParts, choice.parts.resistors);
    readInto(stored, kCapacitorKey, &parseCapacitance, choice.parts.capacitanceFarads);
    readInto(stored, kLoadKey, &parseLoad, choice.parts.loadOhms);
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
