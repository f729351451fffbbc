#include "ui/TSoundBankBox.h"

#include "firmware/PicRoutineInclude.h"

#include "core/Encoder.h"
#include "core/SoundLoad.h"
#include "firmware/MemoryImage.h"
#include "import/ImportReport.h"
#include "import/LongSoundImport.h"
#include "import/SoundImport.h"
#include "ui/ImportSettings.h"
#include "ui/PicTargetPanel.h"
#include "ui/ProgramImageFiles.h"
#include "ui/QtText.h"
#include "ui/WindowFont.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
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

// The encoded samples worth keeping of one sound: past them the target refuses it.
std::uint64_t wholeSoundRoom(const PicProgramSettings& settings) {
    return settings.memory != nullptr ? memorySampleCapacity(*settings.memory)
                                      : picSampleCapacity(*settings.chip, settings.packing);
}

// An hour's sound takes a second or two to read and encode.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

bool takesWholeSounds(const PicProgramSettings& settings) {
    // A routine's own tables hold at most what the window keeps; from a memory it is as roomy as a program.
    return settings.chip != nullptr &&
           (settings.memory != nullptr ||
            (settings.form != PlayerForm::routine && settings.chip->family == PicFamily::pic18));
}

PicProgramProposal proposeSoundBankFile(const QString& lastFolder, const PicProgramChoice& choice) {
    const QString chip = fromView(choice.settings.chip->processor).toLower();
    const QString suffix = choice.hex                                     ? QStringLiteral(".hex")
                           : choice.settings.form == PlayerForm::routine ? QStringLiteral(".inc")
                                                                         : QStringLiteral(".asm");
    return {lastFolder, kBankName + QLatin1Char('-') + chip + suffix};
}

Result<> writeSoundBank(SoundBank sounds, const PicProgramChoice& choice, const std::filesystem::path& path) {
    return writeSoundBank(encodedSoundsOf(sounds), choice, path);
}

Result<> writeSoundBank(EncodedBank sounds, const PicProgramChoice& choice, const std::filesystem::path& path) {
    return writeProgramAndImage(sounds, choice.settings, path, [&](const std::filesystem::path& program) {
        if (choice.settings.form == PlayerForm::routine) return writePicRoutineInclude(sounds, choice.settings, program);
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
    connect(Target, &PicTargetPanel::changed, this, [this] {
        readWholeWhereWanted();
        showSounds(SoundList->currentIndex().row());
    });
    connect(IncludeButton, &QRadioButton::toggled, this, [this](bool include) {
        // The including program chooses the sound: pins and reset play no part.
        Target->PlaysBox->setEnabled(!include);
        Target->PlaysBox->setToolTip(include ? kIncludePlaysTip : QString());
        readWholeWhereWanted();
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
    const bool whole = wholeSounds();
    const std::uint64_t room = whole ? wholeSoundRoom(choice().settings) : 0;
    const BusyCursor busy;
    for (const QString& file : files) {
        BankSound sound;
        sound.name = QFileInfo(file).completeBaseName();
        sound.file = QFile::encodeName(file).toStdString();
        sound.options = options;
        if (const Result<> imported = importSound(sound, whole, room); !imported) {
            if (failureReporter_) {
                failureReporter_(QStringLiteral("The sound \"%1\" was not added to the bank.").arg(file),
                                 imported.failureDetail());
            }
            continue;
        }
        sounds_.push_back(std::move(sound));
    }
    showSounds(static_cast<int>(sounds_.size()) - 1);
}

bool TSoundBankBox::wholeSounds() const { return takesWholeSounds(choice().settings); }

Result<> TSoundBankBox::importSound(BankSound& sound, bool whole, std::uint64_t keepAtMost) const {
    auto state = std::make_unique<ProgramState>();
    copyEncoding(encoding_, *state);
    if (!whole) {
        const Result<ImportReport> imported = importSoundFile(*state, sound.file, sound.options);
        if (!imported) return imported.failureDetail();
        encodeSound(*state);
        sound.state = std::move(state);
        sound.cut = QString::fromStdString(cutNotice(*imported));
        return {};
    }
    state->encoder.sampleRate = sound.options.rate;
    const LongImportRequest request{sound.options, encodingSettingsOf(*state), keepAtMost, true};
    Result<LongImport> imported = importLongSound({sound.file, {}}, request);
    if (!imported) return imported.failureDetail();
    loadSamples(*state, imported->head, sound.options.rate);
    encodeSound(*state);  // the sound as a program that keeps the cut takes it
    const StreamedSound& streamed = imported->streamed;
    sound.state = std::move(state);
    sound.readWhole = true;
    sound.samples = streamed.samples;
    sound.bits = std::move(imported->bits);
    sound.bitsComplete = imported->complete;
    sound.keptAtMost = keepAtMost;
    sound.unread.clear();
    sound.cut = streamed.samples <= kMaxSamples
                    ? QString()
                    : QString::fromStdString(cutNotice(ImportReport{.cutSamples = streamed.samples - kMaxSamples,
                                                                    .sourceRate = streamed.sourceRate,
                                                                    .sampleRate = sound.options.rate}));
    return {};
}

// Read again rather than refused: the file names are kept, and a sound read
// whole once is kept so, unless a roomier target wants more of its bits.
void TSoundBankBox::readWholeWhereWanted() {
    if (!wholeSounds()) return;
    const std::uint64_t room = wholeSoundRoom(choice().settings);
    std::optional<BusyCursor> busy;
    for (BankSound& sound : sounds_) {
        const bool wanted = sound.readWhole ? !sound.bitsComplete && room > sound.keptAtMost
                                            : !sound.cut.isEmpty() && sound.unread.isEmpty();
        if (!wanted) continue;
        if (!busy) busy.emplace();
        if (const Result<> read = importSound(sound, true, room); !read) {
            sound.unread = QString::fromStdString(read.error());
            if (failureReporter_) {
                failureReporter_(QStringLiteral("The sound \"%1\" could not be read whole again.").arg(sound.name),
                                 read.failureDetail());
            }
        }
    }
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

std::vector<EncodedSound> TSoundBankBox::encodedSounds() const {
    const bool whole = wholeSounds();
    std::vector<EncodedSound> views;
    for (const BankSound& sound : sounds_) {
        views.push_back(whole && sound.readWhole ? encodedSoundOf(*sound.state, sound.samples, sound.bits)
                                                 : encodedSoundOf(*sound.state));
    }
    return views;
}

Result<> TSoundBankBox::save(const std::filesystem::path& path) const {
    const PicProgramChoice chosen = choice();
    if (chosen.settings.form == PlayerForm::routine) return writeSoundBank(sounds(), chosen, path);
    return writeSoundBank(encodedSounds(), chosen, path);
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
        const bool whole = wholeSounds();
        for (std::size_t k = 0; k < sounds_.size(); ++k) {
            const BankSound& sound = sounds_[k];
            const bool shownWhole = whole && sound.readWhole;
            const bool cut = !shownWhole && !sound.cut.isEmpty();
            const double samples =
                static_cast<double>(shownWhole ? sound.samples : sound.state->encoder.sampleCount);
            const double seconds = samples / static_cast<double>(sound.state->encoder.sampleRate);
            auto* row = new QTreeWidgetItem({sound.name,
                                             QString::fromStdString(formatFixed(seconds, 2)) +
                                                 (cut ? QStringLiteral(" s, cut") : QStringLiteral(" s")),
                                             triggerText(k)});
            QString tip = cut ? sound.cut : QString();
            if (cut && whole) tip += QStringLiteral("\nIt could not be read whole again: ") + sound.unread;
            row->setToolTip(1, tip);
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
    const std::vector<EncodedSound> bank = encodedSounds();
    Result<PicProgramPlan> planned = planPicBank(bank, settings);
    if (planned && wholeSounds()) {
        // A cut sound would play as if whole: refused until it is read again.
        for (std::size_t k = 0; k < sounds_.size(); ++k) {
            if (sounds_[k].readWhole || sounds_[k].cut.isEmpty()) continue;
            planned = Result<PicProgramPlan>::failure(
                "sound " + std::to_string(k + 1) + " (" + sounds_[k].name.toStdString() +
                ") could not be read whole again (" + sounds_[k].unread.toStdString() + "): remove it, or add it again");
            break;
        }
    }
    SaveButton->setEnabled(planned.ok());
    Target->showPlan(planned, bank, settings);
}

}  // namespace ryx::ui
