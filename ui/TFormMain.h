#pragma once
// The main window: the picture, the two lists, the view and sound buttons,
// and the menus. Every handler forwards to the core and then repaints.

#include "core/Result.h"
#include "core/ProgramState.h"
#include "ui/FileChooser.h"
#include "ui/SoundPlayer.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QPushButton;

namespace ryx {
enum class PreviewMode : int;
}

namespace ryx::ui {

class FormCanvas;
class HelpViewer;
class PreviewFiles;
class QualityCommands;
class SoundImporter;
class TCircuitBox;
class TSoundBankBox;
struct PicProgramChoice;
// Shows an error's whole text in the standard error box.
using ErrorReporter = std::function<void(QWidget* parent, const QString& message)>;
// Returns the chip, clock and file kind for a PIC program, or nothing.
using PicProgramChooser = std::function<std::optional<PicProgramChoice>(QWidget* parent, const ProgramState& state)>;
// Shows the sound bank dialog; returns whether the user chose to save.
using SoundBankRunner = std::function<bool(TSoundBankBox& box)>;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // The window plays through player and keeps its previews in a fresh
    // folder inside previewBase (a private folder); it throws when that
    // folder cannot be made.
    TFormMain(ProgramState& state, SoundPlayer& player, const std::string& previewBase, QWidget* parent = nullptr);
    ~TFormMain() override;

    // The dialogs are created after the main window; it only shows them.
    void setAboutBox(QDialog* aboutBox) { aboutBox_ = aboutBox; }
    void setFilterBox(QDialog* filterBox) { filterBox_ = filterBox; }

    // Replaceable for tests; the defaults are Qt's own dialogs.
    FileChooser fileChooser;
    ErrorReporter errorReporter;
    PicProgramChooser picProgramChooser;
    SoundBankRunner soundBankRunner;
    QStringList helpSearchFolders;

    FormCanvas* canvas() const { return canvas_; }
    HelpViewer* helpViewer() const { return helpViewer_; }
    const PreviewFiles& previews() const { return *previews_; }
    QualityCommands* quality() const { return quality_; }
    SoundImporter* importer() const { return importer_.get(); }
    // Made when Special > Circuit... is first chosen.
    TCircuitBox* circuitBox() const { return circuitBox_; }

    // Controls and commands, under the names they are known by.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    QAction* FileOpen1 = nullptr;
    QAction* FileImport1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* FileSaveAs2 = nullptr;
    QAction* FileSaveAs3 = nullptr;  // the whole PIC program
    QAction* FileSaveAs4 = nullptr;  // several sounds in one PIC program
    QAction* FileExit1 = nullptr;
    QAction* FilterBox = nullptr;
    QAction* Circuit1 = nullptr;
    QAction* HelpContents1 = nullptr;
    QAction* About = nullptr;

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void FormMouseDown(int x, int y);
    void ComboBox1Change();
    void ComboBox2Change();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FileOpen1Execute();
    void FileOpen1Accept(const QString& fileName);
    void FileImport1Execute();
    // A file named at start-up or dropped: an 8-bit mono WAV in the reader's
    // layout is opened, any other sound imported with the remembered choices.
    void openSoundFile(const QString& fileName);
    void FileSaveAs1Execute();
    void FileSaveAs1Accept(const QString& fileName);
    void FileSaveAs2Execute();
    void FileSaveAs2Accept(const QString& fileName);
    void FileSaveAs3Execute();
    void FileSaveAs3Accept(const QString& fileName);
    // The bank's own dialog, then the save dialog; the window's sound stays as it is.
    void FileSaveAs4Execute();
    void FileExit1Execute();
    void FilterBoxExecute();
    // Opens the circuit dialog (window-modal); OK applies, remembers and re-encodes.
    void Circuit1Execute();
    void Circuit1Accept();
    void HelpContents1Execute();
    void AboutExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenus();
    void nameParts();
    // Runs a handler; whatever it throws is shown and the program goes on.
    void guarded(const std::function<void()>& handler);
    // The one place the window shows a failure: what failed (or nothing),
    // then the reason, through errorReporter.
    void showError(const QString& failed, const Error& error);
    void playPreview(const std::string& fileName);
    // The one place that touches the preview files: stops the sound, then
    // rewrites each mode's file from the state.
    void stopAndWritePreviews(std::initializer_list<PreviewMode> modes);
    // Shows the file dialog and hands a chosen file to the accept handler.
    void chooseFile(const FileDialogRequest& request, void (TFormMain::*accept)(const QString&));
    void reportExport(const Result<>& written, const QString& what);
    void repaintForm();
    void showImportedSound();

    ProgramState& state_;
    SoundPlayer& player_;
    std::unique_ptr<PreviewFiles> previews_;
    FormCanvas* canvas_ = nullptr;
    QDialog* aboutBox_ = nullptr;
    QDialog* filterBox_ = nullptr;
    TCircuitBox* circuitBox_ = nullptr;
    HelpViewer* helpViewer_ = nullptr;
    QualityCommands* quality_ = nullptr;
    std::unique_ptr<PicProgramChoice> picProgram_;  // from the dialog, for the file chosen after it
    QString soundFile_;  // the file the sound came from; empty for the empty sound
    std::unique_ptr<SoundImporter> importer_;
};

}  // namespace ryx::ui
