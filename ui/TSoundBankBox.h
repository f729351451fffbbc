#pragma once
// File > Export sound bank: several sounds in one PIC program, each started
// by a trigger pin of its own, or the first after every reset. The sounds
// are imported into the dialog's own states at the remembered import rate
// and encoded as the window's sound is; the window's sound stays as it was.
// A state keeps at most kMaxSamples of a sound; where the program plays from
// a serial memory or on a PIC18 (an include aside), each sound is read and
// encoded whole beside it, as long as the target holds (LongSoundImport.h).

#include "core/EncodedSound.h"
#include "core/ProgramState.h"
#include "core/Result.h"
#include "firmware/PicProgram.h"
#include "import/ImportOptions.h"
#include "ui/FileChooser.h"
#include "ui/SoundImporter.h"
#include "ui/TPicProgramBox.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
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
// The same for sounds of any length.
Result<> writeSoundBank(EncodedBank sounds, const PicProgramChoice& choice, const std::filesystem::path& path);

// Whether a program of these settings takes its sounds whole past
// kMaxSamples: one that plays them from a serial memory (an include's
// routine too) or from a PIC18's own memory (not an include's own tables,
// which keep the window's limit).
bool takesWholeSounds(const PicProgramSettings& settings);

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
    // The sounds in the bank's order, each at most kMaxSamples long.
    std::vector<const ProgramState*> sounds() const;
    // The sounds as the chosen program takes them: whole where it takes
    // whole sounds (their bits live as long as the dialog and its sounds).
    std::vector<EncodedSound> encodedSounds() const;
    // Writes the bank as chosen (writeSoundBank), with the sounds it takes.
    Result<> save(const std::filesystem::path& path) const;
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
    // A sound as the state keeps it (cut past kMaxSamples) and, once a target
    // that takes whole sounds asked for it, as long as it is.
    struct BankSound {
        QString name;
        std::string file;                     // read again when a target wants the sound whole
        ImportOptions options;                // as it was imported
        std::unique_ptr<ProgramState> state;  // its first kMaxSamples, encoded
        QString cut;                          // the cut's notice; empty when the state holds it all
        // Read whole: the samples, and the bits kept (at most keptAtMost).
        bool readWhole = false;
        std::uint64_t samples = 0;
        std::vector<std::uint8_t> bits;
        bool bitsComplete = false;
        std::uint64_t keptAtMost = 0;
        QString unread;  // why it could not be read whole again
    };

    bool wholeSounds() const;
    // Imports the file into `sound`: whole when the target takes whole sounds,
    // its bits kept up to keepAtMost; otherwise cut as the window imports.
    Result<> importSound(BankSound& sound, bool whole, std::uint64_t keepAtMost) const;
    // Reads again, whole, each cut sound that the chosen target takes whole.
    void readWholeWhereWanted();
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
