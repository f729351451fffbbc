#include "ui/TSoundBankBox.h"

#include "firmware/PicRoutineInclude.h"

#include "core/Encoder.h"
#include "import/ImportReport.h"
#include "import/SoundImport.h"
#include "ui/ImportSettings.h"
#include "ui/PicTargetPanel.h"
#include "ui/ProgramImageFiles.h"
#include "ui/QtText.h"
#include "ui/WindowFont.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace ryx::ui {
namespace {

const QString kBankName = QStringLiteral("sounds");
const QString kIncludePlaysTip = QStringLiteral(
    "The including program chooses the sound by W (movlw N, call ryx_play): no trigger pin or reset plays it");

QStringList chooseWithQtDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
    if (!request.directory.isEmpty()) dialog.setDirectory(request.directory);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

// The window's way of encoding, for a sound of the bank.
void copyEncoding(const ProgramState& from, ProgramState& to) {
    to.encoder.fineness = from.encoder.fineness;
    to.encoder.algorithmType = from.encoder.algorithmType;
    to.encoderChoice = from.encoderChoice;
    to.filterModel = from.filterModel;
    to.circuitParts = from.circuitParts;
}

}  // namespace

PicProgramProposal proposeSoundBankFile(const QString& lastFolder, const PicProgramChoice& choice) {
    const QString chip = fromView(choice.settings.chip->processor).toLower();
    const QString suffix = choice.hex                                     ? QStringLiteral(".hex")
                           : choice.settings.form == PlayerForm::routine ? QStringLiteral(".inc")
                                                                         : QStringLiteral(".asm");
    return {lastFolder, kBankName + QLatin1Char('-') + chip + suffix};
}

Result<> writeSoundBank(SoundBank sounds, const PicProgramChoice& choice, const std::filesystem::path& path) {
    return writeProgramAndImage(sounds, choice.settings, path, [&](const std::filesystem::path& program) {
        if (choice.settings.form == PlayerForm::routine) {
            return writePicRoutineInclude(sounds, choice.settings, program);
        }
        return choice.hex ? writePicBankHex(sounds, choice.settings, program)
                          : writePicBankAssembler(sounds, choice.settings, program);
    });
}

TSoundBankBox::TSoundBankBox(const ProgramState& encoding, FailureReporter failureReporter, QWidget* parent)
    : QDialog(parent), filesChooser(chooseWithQtDialog), encoding_(encoding),
      failureReporter_(std::move(failureReporter)) {
    setWindowTitle(QStringLiteral("Export sound bank"));
    setObjectName(QStringLiteral("SoundBankBox"));
    setFont(windowFont());

    SoundList = new QTreeWidget(this);
    SoundList->setColumnCount(3);
    SoundList->setHeaderLabels({QStringLiteral("Sound"), QStringLiteral("Length"), QStringLiteral("Plays")});
    SoundList->setRootIsDecorated(false);
    SoundList->setMinimumWidth(380);
    SoundList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    SoundList->header()->setStretchLastSection(false);
    AddButton = new QPushButton(QStringLiteral("&Add\u2026"), this);
    AddButton->setToolTip(QStringLiteral("Imports sounds at the remembered import rate, one rate for all"));
    RemoveButton = new QPushButton(QStringLiteral("&Remove"), this);
    UpButton = new QPushButton(QStringLiteral("Move &up"), this);
    DownButton = new QPushButton(QStringLiteral("Move &down"), this);
    Target = new PicTargetPanel({QStringLiteral("Each sound plays"), QStringLiteral("When its pin is pulled low"),
                                 QStringLiteral("Sound 1 after every reset")},
                                this);
    PinsButton = Target->PlaysButtons[0];
    ResetButton = Target->PlaysButtons[1];
    IncludeButton = Target->addFileKind(QStringLiteral("Include for your own program: ryx_play (.inc)"));
    IncludeButton->setToolTip(QStringLiteral("movlw N, call ryx_play plays sound N + 1; no reset vector, no config "
                                             "word; the routine and its tables from word 0x100"));

    auto* listButtons = new QVBoxLayout;
    for (QPushButton* button : {AddButton, RemoveButton, UpButton, DownButton}) listButtons->addWidget(button);
    listButtons->addStretch(1);
    auto* list = new QHBoxLayout;
    list->addWidget(SoundList, 1);
    list->addLayout(listButtons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(list);
    layout->addWidget(Target);
    SaveButton = addSaveAndCancel(*this, *layout);

    connect(AddButton, &QPushButton::clicked, this, [this] { addClicked(); });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { removeClicked(); });
    connect(UpButton, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(DownButton, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(SoundList, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    connect(Target, &PicTargetPanel::changed, this, [this] { showSounds(SoundList->currentIndex().row()); });
    connect(IncludeButton, &QRadioButton::toggled, this, [this](bool include) {
        // The including program chooses the sound: pins and reset play no part.
        Target->PlaysBox->setEnabled(!include);
        Target->PlaysBox->setToolTip(include ? kIncludePlaysTip : QString());
        showSounds(SoundList->currentIndex().row());
    });
    showSounds(-1);
}

TSoundBankBox::~TSoundBankBox() = default;

void TSoundBankBox::addClicked() {
    const FileDialogRequest request{QStringLiteral("Add sounds"), kImportFileFilter, QString(), false,
                                    rememberedImportFolder(), QString()};
    const QStringList chosen = filesChooser(this, request);
    if (chosen.isEmpty()) return;
    rememberImportFolder(QFileInfo(chosen.constFirst()).absolutePath());
    addFiles(chosen);
}

void TSoundBankBox::addFiles(const QStringList& files) {
    // One rate for all, so that the bank can share it.
    const ImportOptions options = rememberedImportOptions();
    for (const QString& file : files) {
        auto state = std::make_unique<ProgramState>();
        copyEncoding(encoding_, *state);
        const Result<ImportReport> imported = importSoundFile(*state, QFile::encodeName(file).toStdString(), options);
        if (!imported) {
            if (failureReporter_) {
                failureReporter_(QStringLiteral("The sound \"%1\" was not added to the bank.").arg(file),
                                 imported.failureDetail());
            }
            continue;
        }
        encodeSound(*state);
        sounds_.push_back({QFileInfo(file).completeBaseName(), std::move(state),
                           QString::fromStdString(cutNotice(*imported))});
    }
    showSounds(static_cast<int>(sounds_.size()) - 1);
}

void TSoundBankBox::removeClicked() {
    const int row = SoundList->currentIndex().row();
    if (row < 0 || row >= static_cast<int>(sounds_.size())) return;
    sounds_.erase(sounds_.begin() + row);
    showSounds(std::min(row, static_cast<int>(sounds_.size()) - 1));
}

void TSoundBankBox::moveSelected(int step) {
    const int row = SoundList->currentIndex().row();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= static_cast<int>(sounds_.size())) return;
    std::swap(sounds_[static_cast<std::size_t>(row)], sounds_[static_cast<std::size_t>(to)]);
    showSounds(to);
}

std::vector<const ProgramState*> TSoundBankBox::sounds() const {
    std::vector<const ProgramState*> states;
    for (const BankSound& sound : sounds_) states.push_back(sound.state.get());
    return states;
}

PicProgramChoice TSoundBankBox::choice() const {
    PicProgramSettings settings = Target->settings();
    settings.trigger = PinsButton->isChecked() ? PlayTrigger::pins : PlayTrigger::reset;
    if (IncludeButton->isChecked()) {
        // The caller names the sound: no trigger, and the routine's own defaults.
        settings.form = PlayerForm::routine;
        settings.trigger = PlayTrigger::reset;
        settings.ram = defaultRoutineRam(*settings.chip);
    }
    return {settings, Target->HexButton->isChecked()};
}

QString TSoundBankBox::triggerText(std::size_t index) const {
    const PicProgramSettings settings = choice().settings;
    // The user's program names the sound in W: each one plays.
    if (settings.form == PlayerForm::routine) return QStringLiteral("ryx_play, W = %1").arg(index);
    if (settings.trigger == PlayTrigger::reset) {
        return index == 0 ? QStringLiteral("After reset") : QStringLiteral("Not played");
    }
    const auto& pins = settings.chip->triggerPins;
    if (index >= pins.size() || pins[index].pin.name.empty()) return QStringLiteral("No pin");
    return QString::fromStdString(pinLabel(pins[index].pin));
}

// The list as the sounds and the trigger now are, with one row selected.
void TSoundBankBox::showSounds(int selected) {
    {
        const QSignalBlocker quiet(SoundList);
        SoundList->clear();
        for (std::size_t k = 0; k < sounds_.size(); ++k) {
            const EncoderState& sound = sounds_[k].state->encoder;
            const double seconds = static_cast<double>(sound.sampleCount) / static_cast<double>(sound.sampleRate);
            auto* row = new QTreeWidgetItem(
                {sounds_[k].name,
                 QString::fromStdString(formatFixed(seconds, 2)) +
                     (sounds_[k].cut.isEmpty() ? QStringLiteral(" s") : QStringLiteral(" s, cut")),
                 triggerText(k)});
            row->setToolTip(1, sounds_[k].cut);
            SoundList->addTopLevelItem(row);
        }
        if (selected >= 0) SoundList->setCurrentItem(SoundList->topLevelItem(selected));
    }
    updateButtons();
    updateFigures();
}

void TSoundBankBox::updateButtons() {
    const int selected = SoundList->currentIndex().row();
    RemoveButton->setEnabled(selected >= 0);
    UpButton->setEnabled(selected > 0);
    DownButton->setEnabled(selected >= 0 && selected + 1 < static_cast<int>(sounds_.size()));
}

void TSoundBankBox::updateFigures() {
    const PicProgramSettings settings = choice().settings;
    const std::vector<const ProgramState*> bank = sounds();
    const Result<PicProgramPlan> planned = planPicBank(bank, settings);
    SaveButton->setEnabled(planned.ok());
    Target->showPlan(planned, bank, settings);
}

}  // namespace ryx::ui
