#pragma once
// "Export PIC program": chip, clock and oscillator, once or for ever, and the file kind,
// with the exact playback rate, cycles per sample and memory use shown
// before anything is written. Modal; it reads the state and changes nothing.

#include "core/Result.h"
#include "core/ProgramState.h"
#include "firmware/PicProgram.h"

#include <QDialog>
#include <QString>

#include <filesystem>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ryx::ui {

class PicTargetControls;

struct PicProgramChoice {
    PicProgramSettings settings;
    bool hex = true;  // Intel HEX; otherwise assembler source
};

// Writes the chosen kind of file for the chosen chip.
Result<> writePicProgram(const ProgramState& state, const PicProgramChoice& choice,
                                const std::filesystem::path& path);

// Where the save dialog proposes the program: NAME-CHIP.hex or .asm (NAME the
// sound file's base name, "sound" without one; chip in lower case) in the
// last folder used for a PIC program, else the sound's folder.
struct PicProgramProposal {
    QString folder;  // empty: neither is known
    QString fileName;
};
PicProgramProposal proposePicProgramFile(const QString& soundFile, const QString& lastFolder,
                                         const PicProgramChoice& choice);

// Shows the dialog modally: the choice when the user saves, else nothing.
std::optional<PicProgramChoice> choosePicProgram(QWidget* parent, const ProgramState& state);

class TPicProgramBox : public QDialog {
    Q_OBJECT
public:
    explicit TPicProgramBox(const ProgramState& state, QWidget* parent = nullptr);

    PicProgramChoice choice() const;

    QComboBox* ChipBox = nullptr;
    QSpinBox* ClockBox = nullptr;  // Hz
    // A crystal instead of the internal oscillator: a choice only at the
    // internal oscillator's frequency, ticked and disabled at any other clock.
    QCheckBox* CrystalBox = nullptr;
    QCheckBox* PackedBox = nullptr;
    QRadioButton* OnceButton = nullptr;
    QRadioButton* LoopButton = nullptr;
    QRadioButton* HexButton = nullptr;
    QRadioButton* AsmButton = nullptr;
    QLabel* FiguresLabel = nullptr;  // rate, cycles and memory, or why not
    QProgressBar* MemoryBar = nullptr;  // the sound's share of the chip's sound memory
    QLabel* FitLabel = nullptr;         // seconds to spare, or the highest rate that fits
    QPushButton* SaveButton = nullptr;

private:
    void updateFigures();
    void updateFit();

    const ProgramState& state_;
    PicTargetControls* target_ = nullptr;
};

}  // namespace ryx::ui
