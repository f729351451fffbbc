#pragma once
// Special > "Circuit...": the classic filter model or the circuit as built,
// the circuit's resistors (exact, a series one can buy, or given values), its
// capacitor and load, and the parts list for the sound's scheme, fineness
// and rate, and the output level of the bits the sound holds now through
// the chosen parts. A field that does not read shows why, and OK waits for it.

#include "core/Result.h"
#include "core/ProgramState.h"
#include "ui/CircuitSettings.h"

#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ryx::ui {

class TCircuitBox : public QDialog {
    Q_OBJECT
public:
    // The parts list follows the state's settings whenever the fields change.
    explicit TCircuitBox(const ProgramState& state, QWidget* parent = nullptr);

    // Fills the fields from a choice.
    void showChoice(const CircuitChoice& choice);
    // The fields read back, or the first field's problem.
    Result<CircuitChoice> choice() const;

    QRadioButton* ClassicButton = nullptr;
    QRadioButton* CircuitButton = nullptr;
    QComboBox* SeriesBox = nullptr;
    QLineEdit* ResistorABox = nullptr;  // given values only
    QLineEdit* ResistorBBox = nullptr;  // "1.5 bit" only; empty takes A's value
    QLineEdit* CapacitorBox = nullptr;
    QLineEdit* LoadBox = nullptr;
    QLabel* PartsLabel = nullptr;
    QLabel* ProblemLabel = nullptr;
    QPushButton* OKButton = nullptr;

private:
    struct FieldProblem {
        QLineEdit* field;
        QString reason;
    };

    void fieldsChanged();
    // As choice(), and each field that does not read with its reason.
    Result<CircuitChoice> readFields(std::vector<FieldProblem>* problems) const;
    ResistorSeries chosenSeries() const;
    bool twoResistors() const;

    const ProgramState& state_;
    QFormLayout* partsForm_ = nullptr;
};

}  // namespace ryx::ui
