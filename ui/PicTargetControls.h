#pragma once
// The chip, its clock, the crystal and packing, as both PIC dialogs offer
// them: the clock follows the chip, the crystal the clock, packing the chip.

#include "firmware/PicProgram.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QSpinBox;
class QWidget;

namespace ryx::ui {

class PicTargetControls : public QObject {
    Q_OBJECT
public:
    // The controls are made inside dialog, on the remembered chip.
    explicit PicTargetControls(QWidget* dialog);

    // The chosen chip, clock, oscillator and packing; the rest as by default.
    PicProgramSettings settings() const;
    // Chip, clock beside the crystal, packing: three rows.
    void addRows(QFormLayout& form) const;

    QComboBox* ChipBox = nullptr;
    QSpinBox* ClockBox = nullptr;  // Hz
    // A crystal instead of the internal oscillator: a choice only at the
    // internal oscillator's frequency, ticked and disabled at any other clock.
    QCheckBox* CrystalBox = nullptr;
    QCheckBox* PackedBox = nullptr;

signals:
    // After any choice, once the others have followed it.
    void changed();

private:
    void chipChanged();
    void clockChanged();
};

}  // namespace ryx::ui
