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

class QLabel;
class QPushButton;
class QRadioButton;

namespace ryx::ui {

class PicTargetPanel;

struct PicProgramChoice {
    PicProgramSettings settings;
    bool hex = true;  // Intel HEX; otherwise assembler source
};

// Writes the chosen kind of file for the chosen chip; with a serial memory
// chosen, its image beside it too (writeProgramAndImage): both or neither.
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

    PicTargetPanel* Target = nullptr;    // chip, clock, how it plays, file, memory and figures
    QRadioButton* OnceButton = nullptr;  // Target's ways of playing
    QRadioButton* LoopButton = nullptr;
    QLabel* FitLabel = nullptr;  // seconds to spare, or the highest rate that fits and what it loses below 8000 Hz
    QPushButton* SaveButton = nullptr;

private:
    void updateFigures();
    void updateFit();

    const ProgramState& state_;
};

}  // namespace ryx::ui
