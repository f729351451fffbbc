#include "ui/TFormMain.h"

#include "FakeSoundPlayer.h"
#include "core/PreviewWriter.h"
#include "core/WavReader.h"
#include "export/AssemblerExport.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "ui/FormCanvas.h"
#include "ui/HelpViewer.h"
#include "ui/TAboutBox.h"
#include "ui/TFilterBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

namespace ryx::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes placeholderFile() {
    const auto header = previewHeader(200, 22050);
    Bytes bytes(header.begin(), header.end());
    for (int i = 0; i < 10; ++i) bytes.insert(bytes.end(), kPlaceholderCycle.begin(), kPlaceholderCycle.end());
    return bytes;
}

// An 8-bit mono WAV file in the 46-byte layout the reader expects.
Bytes soundFile(std::uint32_t count, std::uint32_t rate) {
    const auto header = previewHeader(count, rate);
    Bytes bytes(header.begin(), header.end());
    for (std::uint32_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(128 + 90 * ((i / 10) % 2 ? 1 : -1)));
    return bytes;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : state(std::make_unique<ProgramState>()), player(*state) {
        state->previewDirectory = folder.path().string();
        state->player = &player;
        state->statusText.set("left over from before");
        form = std::make_unique<TFormMain>(*state);
        form->errorReporter = [this](QWidget*, const QString& message) { errors << message; };
        form->fileChooser = [this](QWidget*, const FileDialogRequest& request) {
            requests.push_back(request);
            return nextChoice;
        };
        form->helpSearchFolders = {QStringLiteral(RYX_HELP_SOURCE_DIR)};
    }

    ~MainWindowTest() override {
        form.reset();
        state->player = &SilentSoundPlayer::instance();
    }

    void showForm() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    Bytes originalPreview() const { return test::readFileBytes(originalPreviewPath(*state)); }
    Bytes decodedPreview() const { return test::readFileBytes(decodedPreviewPath(*state)); }

    test::TempDirectory folder;
    std::unique_ptr<ProgramState> state;
    test::FakeSoundPlayer player;
    std::unique_ptr<TFormMain> form;
    QStringList errors;
    std::vector<FileDialogRequest> requests;
    std::optional<QString> nextChoice;
};

TEST_F(MainWindowTest, StartsWithTheEmptySoundAndTwoPlaceholderPreviews) {
    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.sampleCount, 490u);
    EXPECT_EQ(state->encoder.overviewStep, 256u);
    EXPECT_EQ(state->encoder.sampleRate, 15625u);
    EXPECT_EQ(state->encoder.resistorOhms, 4506);
    // No encode at start-up: an encode of silence would move the first value off 128.
    EXPECT_EQ(state->decodedSamples[0], 128);
    EXPECT_EQ(state->bitStream[0], 0);

    EXPECT_EQ(originalPreview().size(), 246u);
    EXPECT_EQ(originalPreview(), placeholderFile());
    EXPECT_EQ(decodedPreview(), placeholderFile());
    // Each preview write closes the player first; nothing is played.
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"close", "close"}));

    EXPECT_EQ(form->ComboBox2->currentText(), "1.5 bit");
    EXPECT_EQ(form->ComboBox1->currentText(), "Ryx16");
}

TEST_F(MainWindowTest, WindowIsFixedWithItsCaptionFontAndClientArea) {
    showForm();
    EXPECT_EQ(form->windowTitle(),
              " Ryx Sound Encoder LT  -  v1.0" + QString(15, ' ') + "http://ryx-encoder.example.org/");
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->centralWidget(), form->canvas());
    EXPECT_EQ(form->canvas()->size(), QSize(500, 499));
    EXPECT_EQ(form->canvas()->geometry().top(), form->menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(form->size(), QSize(500, 499 + form->menuBar()->height()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST_F(MainWindowTest, ControlsSitWhereTheTableSaysWithTheirTextsAndHints) {
    struct Expected {
        QWidget* control;
        QRect geometry;  // width or height 0: as large as its text needs
        QString text;
        QString hint;
    };
    const std::vector<Expected> table{
        {form->Label2, {10, 435, 0, 0}, "Algor. Type:", ""},
        {form->ComboBox2, {75, 430, 86, 0}, "1.5 bit", "Encoding Algorithm Type"},
        {form->Label1, {10, 470, 0, 0}, "Fineness:", ""},
        {form->ComboBox1, {75, 465, 86, 0}, "Ryx16", "Encoding Algorithm Fineness"},
        {form->BitBtn4, {195, 418, 126, 24}, "Show Ryx", ""},
        {form->Button3, {195, 445, 126, 24}, "Show Smoothed", "(toggle) Displays same Ryx data, but smoothed"},
        {form->Button2, {195, 472, 61, 24}, "<-", "Step backward 12 samples"},
        {form->Button1, {260, 472, 61, 24}, "->", "Step forward 12 samples"},
        {form->BitBtn1, {355, 418, 126, 24}, "  Play Orig Sound", ""},
        {form->BitBtn2, {355, 445, 126, 24}, "  Play Ryx Sound", ""},
        {form->BitBtn3, {355, 472, 126, 24}, "  Stop Playing", ""},
    };
    for (const Expected& row : table) {
        SCOPED_TRACE(row.text.toStdString());
        ASSERT_NE(row.control, nullptr);
        EXPECT_EQ(row.control->parentWidget(), form->canvas());
        const QRect actual = row.control->geometry();
        EXPECT_EQ(actual.topLeft(), row.geometry.topLeft());
        const QSize natural = row.control->sizeHint();
        EXPECT_EQ(actual.width(), row.geometry.width() > 0 ? row.geometry.width() : natural.width());
        EXPECT_EQ(actual.height(), row.geometry.height() > 0 ? row.geometry.height() : natural.height());
        // Everything stays inside the client area, below the picture.
        EXPECT_GE(actual.top(), 418);
        EXPECT_LE(actual.bottom(), 498);
        EXPECT_EQ(row.control->toolTip(), row.hint);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(row.control)) text = label->text();
        if (auto* button = qobject_cast<QPushButton*>(row.control)) text = button->text();
        if (auto* list = qobject_cast<QComboBox*>(row.control)) text = list->currentText();
        EXPECT_EQ(text, row.text);
    }

    auto items = [](QComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
        return texts;
    };
    EXPECT_EQ(items(form->ComboBox2), QStringList({"1 bit", "1.5 bit"}));
    EXPECT_EQ(items(form->ComboBox1),
              QStringList({"Ryx4", "Ryx5", "Ryx6", "Ryx8", "Ryx11", "Ryx16", "Ryx21", "Ryx32"}));
    EXPECT_FALSE(form->ComboBox1->isEditable());
    EXPECT_FALSE(form->ComboBox2->isEditable());

    for (QPushButton* glyphButton : {form->BitBtn1, form->BitBtn2, form->BitBtn3}) {
        EXPECT_EQ(glyphButton->iconSize(), QSize(32, 16));
        EXPECT_FALSE(glyphButton->icon().isNull());
        EXPECT_EQ(glyphButton->icon().availableSizes().value(0), QSize(32, 16));
    }
}

TEST_F(MainWindowTest, MenusCarryTheirItemsHintsAndShortcuts) {
    QStringList titles;
    for (QAction* menu : form->menuBar()->actions()) titles << menu->text();
    EXPECT_EQ(titles, QStringList({"&File", "Special", "&Help"}));
    const QList<QAction*> menus = form->menuBar()->actions();
    EXPECT_EQ(menus[0]->menu()->actions(),
              QList<QAction*>({form->FileOpen1, form->FileSaveAs1, form->FileSaveAs2, form->FileExit1}));
    EXPECT_EQ(menus[1]->menu()->actions(), QList<QAction*>({form->FilterBox}));
    EXPECT_EQ(menus[2]->menu()->actions(), QList<QAction*>({form->HelpContents1, form->About}));

    struct Expected {
        QAction* action;
        QString text, toolTip, statusTip, shortcut;
    };
    const std::vector<Expected> table{
        {form->FileOpen1, "&Open wave file .WAV", "Open", "Opens an existing file", "Ctrl+O"},
        {form->FileSaveAs1, "Export PIC assembler file .ASM", "Save As", "Saves the active file with a new name", ""},
        {form->FileSaveAs2, "Export &Binary file .RYX", "Export as Ryx", "Saves the Ryx data as a binary .RYX file", ""},
        {form->FileExit1, "E&xit", "Exit", "Quits the application", "Ctrl+Q"},
        {form->HelpContents1, "&Contents", "Help Contents", "Help Contents", ""},
        {form->FilterBox, "Output &Filter Model", "", "", ""},
        {form->About, "About", "", "", ""},
    };
    for (const Expected& row : table) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(row.action->text(), row.text);
        if (!row.toolTip.isEmpty()) {
            EXPECT_EQ(row.action->toolTip(), row.toolTip);
        }
        EXPECT_EQ(row.action->statusTip(), row.statusTip);
        EXPECT_EQ(row.action->shortcut().toString(), row.shortcut);
    }
}

TEST_F(MainWindowTest, EachListChangeReencodesAndRewritesTheDecodedPreview) {
    showForm();
    QSignalSpy paints(form->canvas(), &FormCanvas::painted);
    struct Change {
        QComboBox* list;
        QString item;
        int fineness;
        int algorithmType;
    };
    const std::vector<Change> changes{
        {form->ComboBox1, "Ryx4", 4, 15},
        {form->ComboBox2, "1 bit", 4, 1},
        {form->ComboBox1, "Ryx32", 32, 1},
        {form->ComboBox2, "1.5 bit", 32, 15},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.item.toStdString());
        const std::uintmax_t sizeBefore = fs::file_size(decodedPreviewPath(*state));
        state->encoder.showEncoded = 0;
        player.forget();
        paints.clear();

        change.list->setCurrentText(change.item);

        EXPECT_EQ(state->encoder.fineness, change.fineness);
        EXPECT_EQ(state->encoder.algorithmType, change.algorithmType);
        EXPECT_EQ(state->encoder.showEncoded, 1);  // the encoder ran
        EXPECT_NE(state->decodedSamples[0], 128);
        // The player was closed before the preview was rewritten.
        ASSERT_FALSE(player.calls.empty());
        EXPECT_EQ(player.calls.front().operation, "close");
        EXPECT_EQ(player.calls.front().decodedPreviewSize, sizeBefore);
        const auto header = previewHeader(490, 15625);
        Bytes expected(header.begin(), header.end());
        expected.insert(expected.end(), state->smoothedSamples.begin(), state->smoothedSamples.begin() + 490);
        EXPECT_EQ(decodedPreview(), expected);
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count() > 0; }, 2000));
    }
    EXPECT_EQ(originalPreview(), placeholderFile());
}

TEST_F(MainWindowTest, PlayButtonsOpenAndPlayTheirPreviewAndStopCloses) {
    showForm();
    QSignalSpy paints(form->canvas(), &FormCanvas::painted);
    int paintsAtOpen = -1;
    player.openResult = [&](const std::string&) {
        paintsAtOpen = static_cast<int>(paints.count());
        return OperationResult{};
    };
    player.forget();

    form->BitBtn1->click();
    ASSERT_EQ(player.operations(), (std::vector<std::string>{"open", "play"}));
    EXPECT_EQ(player.calls[0].fileName, originalPreviewPath(*state).string());
    EXPECT_EQ(player.calls[0].showSmoothed, 0);

    player.forget();
    paints.clear();
    form->BitBtn2->click();
    ASSERT_EQ(player.operations(), (std::vector<std::string>{"open", "play"}));
    EXPECT_EQ(player.calls[0].fileName, decodedPreviewPath(*state).string());
    // The smoothed trace is on and painted before the sound starts.
    EXPECT_EQ(player.calls[0].showSmoothed, 1);
    EXPECT_GE(paintsAtOpen, 1);

    player.forget();
    form->BitBtn3->click();
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"close"}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, PlayerFailuresAreShownAndTheProgramGoesOn) {
    player.openResult = [](const std::string& fileName) {
        return OperationResult::failure(fileName + ": No such file or directory");
    };
    player.forget();
    form->BitBtn1->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].toStdString(), originalPreviewPath(*state).string() + ": No such file or directory");
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"open"}));  // no play after a failed open

    // Anything thrown inside a handler ends up in the same error box.
    player.openResult = [](const std::string&) -> OperationResult { throw std::runtime_error("device vanished"); };
    form->BitBtn2->click();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[1], "device vanished");

    form->Button1->click();
    EXPECT_EQ(state->encoder.viewOffset, 12u);
    EXPECT_EQ(errors.size(), 2);
}

TEST_F(MainWindowTest, ViewButtonsAndPressesInTheOverviewMoveTheView) {
    showForm();
    form->Button1->click();
    form->Button1->click();
    EXPECT_EQ(state->encoder.viewOffset, 24u);
    form->Button2->click();
    EXPECT_EQ(state->encoder.viewOffset, 12u);
    form->Button3->click();
    EXPECT_EQ(state->encoder.showSmoothed, 1);
    form->BitBtn4->click();
    EXPECT_EQ(state->encoder.showEncoded, 0);

    struct Press {
        Qt::MouseButton button;
        QPoint at;
        std::uint32_t viewOffset;
    };
    const std::vector<Press> presses{
        {Qt::LeftButton, {100, 390}, 95},
        {Qt::RightButton, {7, 408}, 0},
        {Qt::MiddleButton, {300, 390}, 295},
        {Qt::LeftButton, {200, 370}, 295},  // above the strip: ignored
        {Qt::LeftButton, {490, 390}, 295},  // right of the strip: ignored
    };
    for (const Press& press : presses) {
        QTest::mouseClick(form->canvas(), press.button, Qt::NoModifier, press.at);
        EXPECT_EQ(state->encoder.viewOffset, press.viewOffset) << press.at.x() << "," << press.at.y();
    }
}

TEST_F(MainWindowTest, OpenGoesThroughTheDialogToTheReader) {
    test::writeFileBytes(folder / "tone.wav", soundFile(1000, 8000));
    nextChoice = QString::fromStdString((folder / "tone.wav").string());
    player.forget();

    form->FileOpen1->trigger();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Open wave file");
    EXPECT_EQ(requests[0].filter, "Wave files (*.wav);;All files (*)");
    EXPECT_EQ(requests[0].defaultSuffix, "wav");
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_EQ(state->encoder.sampleRate, 8000u);
    EXPECT_EQ(originalPreview(), soundFile(1000, 8000));
    EXPECT_EQ(decodedPreview().size(), 1046u);
    EXPECT_EQ(player.operations().front(), "close");

    // A refused file is a red message in the window, not an error box.
    test::writeFileBytes(folder / "text.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    nextChoice = QString::fromStdString((folder / "text.wav").string());
    form->FileOpen1->trigger();
    EXPECT_EQ(state->statusText.view(), kNotWaveMessage);
    EXPECT_EQ(state->encoder.sampleCount, 490u);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, CancellingAnyFileDialogChangesNothing) {
    test::writeFileBytes(folder / "tone.wav", soundFile(1000, 8000));
    form->FileOpen1Accept(QString::fromStdString((folder / "tone.wav").string()));
    const Bytes original = originalPreview();
    const Bytes decoded = decodedPreview();
    const std::set<std::string> files = namesIn(folder.path());
    player.forget();
    nextChoice.reset();

    for (QAction* action : {form->FileOpen1, form->FileSaveAs1, form->FileSaveAs2}) action->trigger();

    EXPECT_EQ(requests.size(), 3u);
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_EQ(originalPreview(), original);
    EXPECT_EQ(decodedPreview(), decoded);
    EXPECT_EQ(namesIn(folder.path()), files);
    EXPECT_TRUE(player.calls.empty());  // a playing preview plays on
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, BothExportsGoThroughTheirDialogs) {
    nextChoice = QString::fromStdString((folder / "start.asm").string());
    player.forget();
    form->FileSaveAs1->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].title.isEmpty());  // the dialog's own title
    EXPECT_EQ(requests[0].filter, "PIC Assembler files (*.asm);;All files (*)");
    EXPECT_EQ(requests[0].defaultSuffix, "asm");
    EXPECT_TRUE(requests[0].save);
    ASSERT_TRUE(exportAssembler(*state, folder / "direct.asm"));
    const Bytes assembler = test::readFileBytes(folder / "start.asm");
    EXPECT_EQ(assembler, test::readFileBytes(folder / "direct.asm"));
    ASSERT_GE(assembler.size(), 2u);
    EXPECT_EQ(assembler[assembler.size() - 2], '\r');
    EXPECT_EQ(player.operations().front(), "close");

    nextChoice = QString::fromStdString((folder / "start.ryx").string());
    form->FileSaveAs2->trigger();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[1].title.isEmpty());
    EXPECT_EQ(requests[1].filter, "Binary Ryx data file (*.ryx);;All files (*)");
    EXPECT_EQ(requests[1].defaultSuffix, "ryx");
    EXPECT_TRUE(requests[1].save);
    // Straight after start-up: (490 - 1) / 8 bytes of silence's zero bits.
    EXPECT_EQ(test::readFileBytes(folder / "start.ryx"), Bytes(61, 0));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, AFailingExportShowsTheReasonAndLeavesNothing) {
    struct Case {
        QAction* action;
        fs::path target;
        std::string reason;
    };
    const std::vector<Case> cases{
        {form->FileSaveAs1, folder / "missing" / "sound.asm", "No such file or directory"},
        {form->FileSaveAs2, folder / "missing" / "sound.ryx", "No such file or directory"},
        {form->FileSaveAs1, folder.path(), "Is a directory"},
        {form->FileSaveAs2, folder.path(), "Is a directory"},
    };
    const std::set<std::string> files = namesIn(folder.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.string());
        errors.clear();
        nextChoice = QString::fromStdString(c.target.string());
        c.action->trigger();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(QString::fromStdString(c.reason))) << errors[0].toStdString();
        EXPECT_TRUE(errors[0].contains(QString::fromStdString(c.target.string()))) << errors[0].toStdString();
        EXPECT_EQ(namesIn(folder.path()), files);
    }
}

TEST_F(MainWindowTest, ExitQuitsTheHelpViewerAndClosesThePlayer) {
    showForm();
    form->HelpContents1->trigger();
    HelpViewer* viewer = form->helpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_FALSE(viewer->helpFile().isEmpty());
    form->BitBtn1->click();
    player.forget();

    form->FileExit1->trigger();

    EXPECT_FALSE(viewer->isVisible());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"close"}));
}

TEST_F(MainWindowTest, ClosingTheWindowAlsoClosesThePlayerAndTheHelpViewer) {
    showForm();
    form->HelpContents1->trigger();
    player.forget();
    form->close();
    EXPECT_FALSE(form->helpViewer()->isVisible());
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"close"}));
}

// Presses OK of whatever modal dialog comes up while trigger() runs.
QWidget* pressOkOfModalDialog(const std::function<void()>& trigger) {
    QWidget* shown = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        shown = modal;
        for (QPushButton* button : modal->findChildren<QPushButton*>()) {
            if (button->text() == "OK") button->click();
        }
    });
    poll.start(10);
    trigger();
    return shown;
}

TEST_F(MainWindowTest, AboutAndFilterModelAreShownModallyAndCentred) {
    TAboutBox about;
    TFilterBox filter(*state);
    form->setAboutBox(&about);
    form->setFilterBox(&filter);

    EXPECT_EQ(pressOkOfModalDialog([&] { form->About->trigger(); }), &about);
    EXPECT_EQ(about.result(), 1);
    const QPoint screenCentre = about.screen()->availableGeometry().center();
    EXPECT_LE((about.geometry().center() - screenCentre).manhattanLength(), 4);  // rounding of odd sizes

    EXPECT_EQ(pressOkOfModalDialog([&] { form->FilterBox->trigger(); }), &filter);
    EXPECT_EQ(filter.result(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
}  // namespace ryx::ui
