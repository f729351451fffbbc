#pragma once
// What both PIC dialogs choose and show for the program: the chip, its clock
// beside the crystal, where the sounds are (the chip or a serial memory),
// packing, how it plays, the file kind, then the plan's figures and the sound
// memory used. The clock follows the chip, the crystal the clock, packing the
// chip and the memory.

#include "core/Result.h"
#include "firmware/PicProgram.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

namespace ryx::ui {

// The group that says how the program plays: its title and its two ways.
struct PlaysCaptions {
    QString title;
    QString first;  // ticked at the start
    QString second;
};

class PicTargetPanel : public QWidget {
    Q_OBJECT
public:
    // On the remembered chip and memory, packed where the chip can read its program
    // memory, the first way of playing, Intel HEX.
    PicTargetPanel(const PlaysCaptions& plays, QWidget* parent);

    // The chosen chip, clock, oscillator, packing and memory; the rest as by default.
    PicProgramSettings settings() const;
    // One more kind of file, after the assembler source in the same group.
    QRadioButton* addFileKind(const QString& caption);
    // The plan's figures or its refusal, and the sounds against the room their
    // tables have in a program of `settings` (picBankCapacity; the chip's
    // whole sound memory, or the serial memory's after the index, when no
    // such program can be made).
    void showPlan(const Result<PicProgramPlan>& planned, SoundBank sounds, const PicProgramSettings& settings);
    void showPlan(const Result<PicProgramPlan>& planned, EncodedBank sounds, const PicProgramSettings& settings);

    QComboBox* ChipBox = nullptr;
    QSpinBox* ClockBox = nullptr;  // Hz
    // A crystal instead of the internal oscillator: a choice only at the
    // internal oscillator's frequency, ticked and disabled at any other clock.
    QCheckBox* CrystalBox = nullptr;
    // "in the chip", then the serial memories in their table's order.
    QComboBox* MemoryBox = nullptr;
    // Ticked where the program keeps packed words; unticked and disabled
    // where the chip cannot read its program memory or the sounds are in a
    // serial memory (packing concerns the chip's tables), the user's tick kept.
    QCheckBox* PackedBox = nullptr;
    QGroupBox* PlaysBox = nullptr;                 // the ways of playing, under the captions' title
    std::array<QRadioButton*, 2> PlaysButtons{};  // the captions' first and second way
    QRadioButton* HexButton = nullptr;
    QRadioButton* AsmButton = nullptr;
    QLabel* FiguresLabel = nullptr;     // the plan's figures, or its refusal
    QProgressBar* MemoryBar = nullptr;  // the sounds' share of the chip's sound memory or the serial memory

signals:
    // After any choice but the file kind, once the others have followed it.
    void changed();

private:
    void chipChanged();
    void clockChanged();
    void updatePacked();

    bool packedWanted_ = true;  // the box's tick where the chip can pack
    QButtonGroup* fileKinds_ = nullptr;
    QVBoxLayout* fileKindRows_ = nullptr;
};

// Save... (the default button) and Cancel at the foot of a PIC dialog.
QPushButton* addSaveAndCancel(QDialog& dialog, QBoxLayout& layout);

}  // namespace ryx::ui
