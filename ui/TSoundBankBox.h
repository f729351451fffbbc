#pragma once
// File > Export sound bank: several sounds in one PIC program, each started
// by a trigger pin of its own, or the first after every reset. The sounds
// are imported into the dialog's own states at the remembered import rate
// and encoded as the window's sound is; the window's sound stays as it was.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "firmware/PicProgram.h"
#include "ui/FileChooser.h"
#include "ui/SoundImporter.h"
#include "ui/TPicProgramBox.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace ryx::ui {

class PicTargetPanel;

// Returns the chosen files in order; none when the user cancels.
using SoundFilesChooser = std::function<QStringList(QWidget* parent, const FileDialogRequest& request)>;

// Where the save dialog proposes the bank: sounds-CHIP.hex or .asm (chip in
// lower case) in the last folder used for a PIC program.
PicProgramProposal proposeSoundBankFile(const QString& lastFolder, const PicProgramChoice& choice);

// Writes the sounds, in order, as the chosen kind of file; with a serial
// memory chosen, its image beside it too (writeProgramAndImage).
Result<> writeSoundBank(SoundBank sounds, const PicProgramChoice& choice, const std::filesystem::path& path);

class TSoundBankBox : public QDialog {
    Q_OBJECT
public:
    // Each added sound is encoded with encoding's scheme, fineness and filter
    // model; a file that cannot be imported goes to failureReporter.
    TSoundBankBox(const ProgramState& encoding, FailureReporter failureReporter, QWidget* parent = nullptr);
    ~TSoundBankBox() override;

    // Replaceable for tests; the default is Qt's dialog for several sound files.
    SoundFilesChooser filesChooser;

    // Imports each file and adds it at the end; one that fails is left out.
    void addFiles(const QStringList& files);
    // The sounds in the bank's order.
    std::vector<const ProgramState*> sounds() const;
    // Plays once: for ever is no choice for a bank.
    PicProgramChoice choice() const;

    QTreeWidget* SoundList = nullptr;  // name, length, what starts it
    QPushButton* AddButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QPushButton* UpButton = nullptr;
    QPushButton* DownButton = nullptr;
    PicTargetPanel* Target = nullptr;    // chip, clock, trigger, file, memory and figures
    QRadioButton* PinsButton = nullptr;  // Target's ways of playing
    QRadioButton* ResetButton = nullptr;
    QRadioButton* IncludeButton = nullptr;  // a file kind: ryx_play for the user's own program
    QPushButton* SaveButton = nullptr;

private:
    // Long sounds: a bank's sound is a ProgramState, which keeps kMaxSamples
    // of it however much the chosen memory holds; `cut` says what the import
    // dropped past that. A representation of longer sounds replaces `state`
    // here, and the import in addFiles.
    struct BankSound {
        QString name;
        std::unique_ptr<ProgramState> state;
        QString cut;  // the import's notice; empty when nothing was cut
    };

    void addClicked();
    void removeClicked();
    void moveSelected(int step);
    void showSounds(int selected);
    void updateButtons();
    void updateFigures();
    QString triggerText(std::size_t index) const;

    const ProgramState& encoding_;
    FailureReporter failureReporter_;
    std::vector<BankSound> sounds_;
};

}  // namespace ryx::ui
