#include "ui/TFormMain.h"

#include "ui/QtText.h"

#include "core/ListSelection.h"
#include "core/Navigation.h"
#include "formats/PreviewBytes.h"
#include "core/ProductInfo.h"
#include "io/WaveFile.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "import/SoundImport.h"
#include "ui/ButtonGlyphs.h"
#include "ui/CircuitSettings.h"
#include "ui/FormCanvas.h"
#include "ui/HelpViewer.h"
#include "ui/PictureGeometry.h"
#include "ui/PreviewFiles.h"
#include "ui/QualityCommands.h"
#include "ui/ImportSettings.h"
#include "ui/SoundImporter.h"
#include "ui/TCircuitBox.h"
#include "ui/PicChipSetting.h"
#include "ui/TPicProgramBox.h"
#include "ui/TSoundBankBox.h"
#include "ui/UserSettings.h"
#include "ui/WindowFont.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMessageBox>
#include <QPushButton>

#include <exception>
#include <stdexcept>
#include <utility>

namespace ryx::ui {
namespace {

constexpr int kTitleGap = 15;  // spaces between version and web address
const QString kPicProgramFolderKey = QStringLiteral("PicProgram/folder");

std::string localFileName(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

std::optional<QString> chooseWithQtDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Neither dialog insists on an existing file, nor asks before replacing one.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (request.save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty()) dialog.setDirectory(request.directory);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void showErrorBox(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, fromView(kProductName), message);
}

// The save dialog for a PIC program of the chosen kind.
FileDialogRequest picProgramRequest(bool hex, const PicProgramProposal& proposed) {
    return hex ? FileDialogRequest{QString(), QStringLiteral("Intel HEX files (*.hex);;All files (*)"),
                                   QStringLiteral("hex"), true, proposed.folder, proposed.fileName}
               : FileDialogRequest{QString(), QStringLiteral("PIC Assembler files (*.asm);;All files (*)"),
                                   QStringLiteral("asm"), true, proposed.folder, proposed.fileName};
}

// What a failed save did not write: the program, and its memory's image with it.
QString notWrittenText(const QString& program, const PicProgramSettings& settings) {
    if (settings.memory == nullptr) return program + QStringLiteral(" was not written.");
    return program + QStringLiteral(" and its %1 image were not written.").arg(fromView(settings.memory->name));
}

// "Short|Long": the short part is the tool tip, the long one the status tip.
void setHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

}  // namespace

TFormMain::TFormMain(ProgramState& state, SoundPlayer& player, const std::string& previewBase, QWidget* parent)
    : QMainWindow(parent), fileChooser(chooseWithQtDialog), errorReporter(showErrorBox),
      picProgramChooser(choosePicProgram),
      soundBankRunner([](TSoundBankBox& box) { return box.exec() == QDialog::Accepted; }),
      helpSearchFolders(HelpViewer::defaultSearchFolders()), state_(state), player_(player),
      picProgram_(std::make_unique<PicProgramChoice>()) {
    if (const Result<> made = PreviewFiles::create(previewBase, previews_); !made) {
        throw std::runtime_error("There is no folder for the preview sounds:\n\n" + made.error());
    }
    setWindowTitle(QStringLiteral(" ") + fromView(kProductName) + QStringLiteral("  -  v") + fromView(kVersionText) +
                   QString(kTitleGap, QLatin1Char(' ')) + fromView(kWebAddress));
    // A minimise box but no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(windowFont());

    importer_ = std::make_unique<SoundImporter>(
        state_, this, fileChooser, [this](const QString& failed, const Error& error) { showError(failed, error); });
    setAcceptDrops(true);
    // The filter model chosen in an earlier run; the empty sound needs no encode.
    QString circuitNotice;
    applyCircuitChoice(state_, rememberedCircuitChoice(&circuitNotice));
    canvas_ = new FormCanvas(state_, this);
    canvas_->onMouseDown = [this](int x, int y) { FormMouseDown(x, y); };
    setCentralWidget(canvas_);
    createControls();
    createMenus();
    nameParts();
    // The window is as large as the menu bar and the fixed client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
    // After FormCreate, which empties the status line.
    if (!circuitNotice.isEmpty()) state_.statusText.set(circuitNotice.toStdString());
}

TFormMain::~TFormMain() { FormDestroy(); }

void TFormMain::createControls() {
    auto label = [this](const QString& text, int left, int top) {
        auto* control = new QLabel(text, canvas_);
        control->move(left, top);
        control->adjustSize();
        return control;
    };
    auto list = [this](const QStringList& items, int left, int top, const QString& hint) {
        auto* control = new QComboBox(canvas_);
        control->setEditable(false);
        control->addItems(items);
        control->setToolTip(hint);
        control->setGeometry(left, top, 86, control->sizeHint().height());
        return control;
    };
    auto button = [this](const QString& text, int left, int top, int width, const QString& hint) {
        auto* control = new QPushButton(text, canvas_);
        control->setGeometry(left, top, width, 24);
        control->setToolTip(hint);
        control->setFocusPolicy(Qt::TabFocus);
        return control;
    };
    auto glyphButton = [&button](const QString& text, int top, const QPixmap& glyph) {
        QPushButton* control = button(text, 355, top, 126, QString());
        control->setIcon(QIcon(glyph));
        control->setIconSize(QSize(kGlyphWidth, kGlyphHeight));
        return control;
    };

    QStringList schemeItems, finenessItems;
    for (const SchemeEntry& entry : schemeTable) schemeItems << fromView(entry.itemText);
    for (const FinenessEntry& entry : fineTable) finenessItems << fromView(entry.itemText);
    Label2 = label(QStringLiteral("Algor. Type:"), 10, 435);
    ComboBox2 = list(schemeItems, 75, 430, QStringLiteral("Encoding Algorithm Type"));
    Label1 = label(QStringLiteral("Fineness:"), 10, 470);
    ComboBox1 = list(finenessItems, 75, 465, QStringLiteral("Encoding Algorithm Fineness"));
    // The items of the state's settings, so no encode is needed at start-up.
    ComboBox2->setCurrentText(fromView(schemeItemText(state_.encoder.algorithmType)));
    ComboBox1->setCurrentText(fromView(finenessItemText(state_.encoder.fineness)));
    // A choice by the user re-encodes, also when it picks the item already shown.
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Change(); });

    BitBtn4 = button(QStringLiteral("Show Ryx"), 195, 418, 126, QString());
    Button3 = button(QStringLiteral("Show Smoothed"), 195, 445, 126,
                     QStringLiteral("(toggle) Displays same Ryx data, but smoothed"));
    Button2 = button(QStringLiteral("<-"), 195, 472, 61, QStringLiteral("Step backward 12 samples"));
    Button1 = button(QStringLiteral("->"), 260, 472, 61, QStringLiteral("Step forward 12 samples"));
    BitBtn1 = glyphButton(QStringLiteral("  Play Orig Sound"), 418, playOriginalGlyph());
    BitBtn2 = glyphButton(QStringLiteral("  Play Ryx Sound"), 445, playRyxGlyph());
    BitBtn3 = glyphButton(QStringLiteral("  Stop Playing"), 472, stopGlyph());

    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

void TFormMain::nameParts() {
    // The names the window's parts are known by, so that a control or command can
    // be looked up by the name it is known by.
    setObjectName(QStringLiteral("FormMain"));
    const std::pair<QObject*, const char*> parts[] = {
        {Label1, "Label1"},           {Label2, "Label2"},           {ComboBox1, "ComboBox1"},
        {ComboBox2, "ComboBox2"},     {BitBtn1, "BitBtn1"},         {BitBtn2, "BitBtn2"},
        {BitBtn3, "BitBtn3"},         {BitBtn4, "BitBtn4"},         {Button1, "Button1"},
        {Button2, "Button2"},         {Button3, "Button3"},         {FileOpen1, "FileOpen1"},
        {FileImport1, "FileImport1"}, {FileSaveAs1, "FileSaveAs1"}, {FileSaveAs2, "FileSaveAs2"},
        {FileSaveAs3, "FileSaveAs3"}, {FileSaveAs4, "FileSaveAs4"},
        {FileExit1, "FileExit1"},
        {FilterBox, "FilterBox"},     {Circuit1, "Circuit1"},
        {HelpContents1, "HelpContents1"}, {About, "About"},
    };
    for (const auto& [part, name] : parts) part->setObjectName(QLatin1String(name));
}

void TFormMain::createMenus() {
    auto action = [this](QMenu* menu, const QString& text, const QString& hint, void (TFormMain::*handler)()) {
        auto* item = new QAction(text, this);
        if (!hint.isEmpty()) setHint(item, hint);
        connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        menu->addAction(item);
        return item;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    FileOpen1 = action(file, QStringLiteral("&Open wave file .WAV"), QStringLiteral("Open|Opens an existing file"),
                       &TFormMain::FileOpen1Execute);
    FileImport1 = action(file, QStringLiteral("&Import sound\u2026"),
                         QStringLiteral("Import|Imports a sound of any kind: WAV, FLAC, Ogg, MP3 or AIFF"),
                         &TFormMain::FileImport1Execute);
    FileSaveAs1 = action(file, QStringLiteral("Export PIC assembler file .ASM"),
                         QStringLiteral("Save As|Saves the active file with a new name"),
                         &TFormMain::FileSaveAs1Execute);
    FileSaveAs2 = action(file, QStringLiteral("Export &Binary file .RYX"),
                         QStringLiteral("Export as Ryx|Saves the Ryx data as a binary .RYX file"),
                         &TFormMain::FileSaveAs2Execute);
    FileSaveAs3 = action(file, QStringLiteral("Export PIC &program..."),
                         QStringLiteral("PIC program|Saves a whole PIC program, player and sound, ready to flash"),
                         &TFormMain::FileSaveAs3Execute);
    FileSaveAs4 = action(file, QStringLiteral("Export &sound bank\u2026"),
                         QStringLiteral("Sound bank|Saves several sounds in one PIC program, each played when its "
                                        "pin is pulled low"),
                         &TFormMain::FileSaveAs4Execute);
    FileExit1 = action(file, QStringLiteral("E&xit"), QStringLiteral("Exit|Quits the application"),
                       &TFormMain::FileExit1Execute);
    QMenu* special = menuBar()->addMenu(QStringLiteral("Special"));
    FilterBox = action(special, QStringLiteral("Output &Filter Model"), QString(), &TFormMain::FilterBoxExecute);
    Circuit1 = action(special, QStringLiteral("&Circuit\u2026"),
                      QStringLiteral("Circuit|Chooses the classic filter model or the circuit as built, with its parts"),
                      &TFormMain::Circuit1Execute);
    quality_ = new QualityCommands(
        state_, *special, this,
        [this](std::int8_t algorithmType, std::int8_t fineness) {
            ComboBox2->setCurrentText(fromView(schemeItemText(algorithmType)));
            ComboBox1->setCurrentText(fromView(finenessItemText(fineness)));
            state_.encoder.algorithmType = algorithmType;
            ComboBox1Change();
        },
        [this] { ComboBox1Change(); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    HelpContents1 = action(help, QStringLiteral("&Contents"), QStringLiteral("Help Contents"),
                           &TFormMain::HelpContents1Execute);
    About = action(help, QStringLiteral("About"), QString(), &TFormMain::AboutExecute);

    FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    FileImport1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    FileExit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QMenu* menu : {file, special, help}) menu->setToolTipsVisible(true);
}

void TFormMain::guarded(const std::function<void()>& handler) {
    const BusyCursor busy(state_.encoderChoice == EncoderChoice::optimal);
    try {
        handler();
    } catch (const std::exception& error) {
        showError(QString(), Error{error.what()});
    } catch (...) {
        showError(QString(), Error{"An unexpected error occurred."});
    }
}

void TFormMain::showError(const QString& failed, const Error& error) {
    const QString reason = QString::fromStdString(error.message);
    if (errorReporter) errorReporter(this, failed.isEmpty() ? reason : failed + QStringLiteral("\n\n") + reason);
}

void TFormMain::repaintForm() { canvas_->update(); }

void TFormMain::FormCreate() {
    guarded([this] {
        state_.statusText.clear();
        resetSound(state_);
        stopAndWritePreviews({PreviewMode::originalPlaceholder, PreviewMode::decodedPlaceholder});
    });
}

void TFormMain::FormDestroy() { player_.close(); }

void TFormMain::stopAndWritePreviews(std::initializer_list<PreviewMode> modes) {
    player_.close();
    // A preview that cannot be written is missing, which shows when it is played.
    for (const PreviewMode mode : modes) static_cast<void>(previews_->writePreviewWav(state_, mode));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (helpViewer_ != nullptr) helpViewer_->quit();
    FormDestroy();
    event->accept();
}

void TFormMain::FormMouseDown(int x, int y) {
    guarded([&] {
        if (const std::optional<std::uint32_t> column = overviewColumnAt(x, y)) {
            jumpToOverviewColumn(state_, *column);
            repaintForm();
        }
    });
}

void TFormMain::ComboBox1Change() {
    guarded([this] {
        selectFineness(state_, ComboBox1->currentText().toStdString());
        stopAndWritePreviews({PreviewMode::decodedSound});
        repaintForm();
    });
}

void TFormMain::ComboBox2Change() {
    guarded([this] {
        selectAlgorithmType(state_, ComboBox2->currentText().toStdString());
        stopAndWritePreviews({PreviewMode::decodedSound});
        repaintForm();
    });
}

void TFormMain::playPreview(const std::string& fileName) {
    const Result<> opened = player_.open(fileName);
    if (!opened) {
        showError(QString(), opened.failureDetail());
        return;
    }
    player_.play();
}

void TFormMain::BitBtn1Click() {
    guarded([this] { playPreview(previews_->originalPath()); });
}

void TFormMain::BitBtn2Click() {
    guarded([this] {
        // The display shows what is about to be heard before it starts.
        state_.encoder.showSmoothed = 1;
        canvas_->repaint();
        playPreview(previews_->decodedPath());
    });
}

void TFormMain::BitBtn3Click() {
    guarded([this] { player_.close(); });
}

void TFormMain::BitBtn4Click() {
    guarded([this] {
        toggleEncoded(state_);
        repaintForm();
    });
}

void TFormMain::Button1Click() {
    guarded([this] {
        stepForward(state_);
        repaintForm();
    });
}

void TFormMain::Button2Click() {
    guarded([this] {
        stepBackward(state_);
        repaintForm();
    });
}

void TFormMain::Button3Click() {
    guarded([this] {
        toggleSmoothed(state_);
        repaintForm();
    });
}

void TFormMain::chooseFile(const FileDialogRequest& request, void (TFormMain::*accept)(const QString&)) {
    guarded([&] {
        // Cancelling the dialog runs nothing.
        if (const std::optional<QString> chosen = fileChooser(this, request)) (this->*accept)(*chosen);
    });
}

void TFormMain::reportExport(const Result<>& written, const QString& what) {
    if (!written) showError(what + QStringLiteral(" was not written."), written.failureDetail());
}

void TFormMain::FileOpen1Execute() {
    chooseFile({QStringLiteral("Open wave file"), QStringLiteral("Wave files (*.wav);;All files (*)"),
                QStringLiteral("wav"), false, QString(), QString()},
               &TFormMain::FileOpen1Accept);
}

void TFormMain::FileOpen1Accept(const QString& fileName) {
    guarded([&] {
        const Result<> loaded = loadWaveFile(state_, localFileName(fileName));
        soundFile_ = loaded ? fileName : QString();
        if (loaded) {
            encodeSound(state_);
        } else {
            state_.statusText.set(loaded.error());
        }
        // Also after a refusal: both previews then hold the silence shown.
        stopAndWritePreviews({PreviewMode::decodedSound, PreviewMode::originalSound});
        repaintForm();
    });
}

void TFormMain::FileImport1Execute() {
    guarded([this] {
        // The importer asks through this window's chooser: note the file it names.
        const FileChooser chooser = fileChooser;
        QString chosen;
        fileChooser = [&](QWidget* parent, const FileDialogRequest& request) {
            const std::optional<QString> file = chooser(parent, request);
            if (file) chosen = *file;
            return file;
        };
        const bool imported = importer_->chooseAndImport();
        fileChooser = chooser;
        if (!imported) return;
        soundFile_ = chosen;
        showImportedSound();
    });
}

void TFormMain::openSoundFile(const QString& fileName) {
    guarded([&] {
        if (isPlainEightBitWave(localFileName(fileName))) {
            FileOpen1Accept(fileName);
        } else if (importer_->importFile(fileName, rememberedImportOptions())) {
            soundFile_ = fileName;
            showImportedSound();
        }
    });
}

void TFormMain::showImportedSound() {
    // The previews and the picture that an open of the same 8-bit sound gives.
    stopAndWritePreviews({PreviewMode::decodedSound, PreviewMode::originalSound});
    repaintForm();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.constFirst().isLocalFile()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile()) return;
    event->acceptProposedAction();
    openSoundFile(urls.constFirst().toLocalFile());
}

void TFormMain::FileSaveAs1Execute() {
    chooseFile({QString(), QStringLiteral("PIC Assembler files (*.asm);;All files (*)"), QStringLiteral("asm"), true,
                QString(), QString()},
               &TFormMain::FileSaveAs1Accept);
}

void TFormMain::FileSaveAs1Accept(const QString& fileName) {
    guarded([&] {
        reportExport(exportAssembler(state_, localFileName(fileName)), QStringLiteral("The assembler file"));
    });
}

void TFormMain::FileSaveAs2Execute() {
    chooseFile({QString(), QStringLiteral("Binary Ryx data file (*.ryx);;All files (*)"), QStringLiteral("ryx"), true,
                QString(), QString()},
               &TFormMain::FileSaveAs2Accept);
}

void TFormMain::FileSaveAs2Accept(const QString& fileName) {
    guarded([&] { reportExport(exportBinary(state_, localFileName(fileName)), QStringLiteral("The binary file")); });
}

void TFormMain::FileSaveAs3Execute() {
    guarded([this] {
        const std::optional<PicProgramChoice> chosen = picProgramChooser(this, state_);
        if (!chosen) return;
        *picProgram_ = *chosen;
        const PicProgramProposal proposed =
            proposePicProgramFile(soundFile_, userSettings().value(kPicProgramFolderKey).toString(), *picProgram_);
        chooseFile(picProgramRequest(picProgram_->hex, proposed), &TFormMain::FileSaveAs3Accept);
    });
}

void TFormMain::FileSaveAs3Accept(const QString& fileName) {
    guarded([&] {
        userSettings().setValue(kPicProgramFolderKey, QFileInfo(fileName).absolutePath());
        const Result<> written = writePicProgram(state_, *picProgram_, localFileName(fileName));
        if (!written) {
            showError(notWrittenText(QStringLiteral("The PIC program"), picProgram_->settings), written.failureDetail());
        }
    });
}

void TFormMain::FileSaveAs4Execute() {
    guarded([this] {
        TSoundBankBox box(state_, [this](const QString& failed, const Error& error) { showError(failed, error); },
                          this);
        if (!soundBankRunner(box)) return;
        const PicProgramChoice chosen = box.choice();
        rememberPicChip(*chosen.settings.chip);
        rememberMemory(chosen.settings.memory);
        const PicProgramProposal proposed =
            proposeSoundBankFile(userSettings().value(kPicProgramFolderKey).toString(), chosen);
        const std::optional<QString> fileName = fileChooser(
            this, chosen.settings.form == PlayerForm::routine
                      ? FileDialogRequest{QString(), QStringLiteral("PIC Assembler include files (*.inc);;All files (*)"),
                                          QStringLiteral("inc"), true, proposed.folder, proposed.fileName}
                      : picProgramRequest(chosen.hex, proposed));
        if (!fileName) return;
        userSettings().setValue(kPicProgramFolderKey, QFileInfo(*fileName).absolutePath());
        const Result<> written = box.save(localFileName(*fileName));
        if (!written) {
            showError(notWrittenText(QStringLiteral("The sound bank"), chosen.settings), written.failureDetail());
        }
    });
}

void TFormMain::FileExit1Execute() {
    guarded([this] {
        if (helpViewer_ != nullptr) helpViewer_->quit();
        close();
    });
}

void TFormMain::FilterBoxExecute() {
    guarded([this] {
        if (filterBox_ != nullptr) filterBox_->exec();  // it centres itself
    });
}

void TFormMain::Circuit1Execute() {
    guarded([this] {
        if (circuitBox_ == nullptr) {
            circuitBox_ = new TCircuitBox(state_, this);
            circuitBox_->setWindowModality(Qt::WindowModal);
            connect(circuitBox_, &QDialog::accepted, this, [this] { Circuit1Accept(); });
        }
        circuitBox_->showChoice(circuitChoiceOf(state_));
        circuitBox_->open();
    });
}

void TFormMain::Circuit1Accept() {
    guarded([this] {
        const Result<CircuitChoice> chosen = circuitBox_->choice();
        if (!chosen) {
            showError(QStringLiteral("The circuit was not changed."), chosen.failureDetail());
            return;
        }
        applyCircuitChoice(state_, *chosen);
        rememberCircuitChoice(*chosen);
        // As a list change: encode, rewrite the decoded preview, repaint.
        encodeSound(state_);
        stopAndWritePreviews({PreviewMode::decodedSound});
        repaintForm();
    });
}

void TFormMain::AboutExecute() {
    guarded([this] {
        if (aboutBox_ != nullptr) aboutBox_->exec();  // it centres itself
    });
}

void TFormMain::HelpContents1Execute() {
    guarded([this] {
        if (helpViewer_ == nullptr) helpViewer_ = new HelpViewer(helpSearchFolders, this);
        helpViewer_->showTopics();
    });
}

}  // namespace ryx::ui
