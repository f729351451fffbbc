#include "ui/TFormMain.h"

#include "ListChoice.h"
#include "core/PreviewWriter.h"
#include "core/WavReader.h"
#include "export/AssemblerExport.h"
#include "support/FileBytes.h"
#include "support/RecordingPlayer.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "support/WindowUnderTest.h"
#include "ui/FormCanvas.h"
#include "ui/HelpViewer.h"
#include "ui/PreviewFiles.h"
#include "ui/QualityCommands.h"
#include "ui/TAboutBox.h"
#include "ui/TFilterBox.h"
#include "ui/TPicProgramBox.h"

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

#include <chrono>
#include <set>
#include <stdexcept>

#include <sys/stat.h>

namespace ryx::ui {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

// A preview file of count samples (the placeholder tone when none are given).
Bytes waveFile(std::uint32_t count, std::uint32_t rate, const std::uint8_t* samples = nullptr) {
    Bytes tone(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        tone[i] = samples != nullptr ? samples[i] : kPlaceholderCycle[i % kPlaceholderCycle.size()];
    }
    return test::previewFileBytes(tone, rate);
}

// A window whose state held a message from before it was made.
class MainWindowTest : public ::testing::Test, public test::WindowUnderTest {
protected:
    MainWindowTest() : WindowUnderTest([](ProgramState& before) { before.statusText.set("left over"); }) {
        form->helpSearchFolders = {QStringLiteral(RYX_HELP_SOURCE_DIR)};
    }
};

TEST_F(MainWindowTest, StartsWithTheEmptySoundAndTwoPlaceholderPreviews) {
    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.sampleCount, 490u);
    EXPECT_EQ(state->encoder.overviewStep, 256u);
    EXPECT_EQ(state->encoder.resistorOhms, 4506);
    EXPECT_EQ(state->decodedSamples[0], 128);  // not encoded: an encode of silence moves it
    EXPECT_EQ(preview(false).size(), 246u);
    EXPECT_EQ(preview(false), waveFile(200, 22050));
    EXPECT_EQ(preview(true), waveFile(200, 22050));
    EXPECT_EQ(player.operations(), std::vector<std::string>{"close"});  // before the writes
}

TEST_F(MainWindowTest, WindowControlsAndMenusAreAsDefined) {
    showForm();
    EXPECT_EQ(form->windowTitle(), " Ryx Sound Encoder LT  -  v1.0" + QString(15, ' ') + "http://ryx-encoder.example.org/");
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->canvas()->geometry(), QRect(0, form->menuBar()->height(), 500, 499));
    EXPECT_EQ(form->size(), QSize(500, 499 + form->menuBar()->height()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    struct Control {
        QWidget* widget;
        QRect geometry;  // a width or height of 0: what the text needs
        QString text, hint;
    };
    for (const Control& row : std::vector<Control>{
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
             {form->BitBtn3, {355, 472, 126, 24}, "  Stop Playing", ""}}) {
        SCOPED_TRACE(row.text.toStdString());
        const QRect actual = row.widget->geometry();
        const QSize natural = row.widget->sizeHint();
        EXPECT_EQ(row.widget->parentWidget(), form->canvas());
        EXPECT_EQ(actual, QRect(row.geometry.topLeft(),
                                QSize(row.geometry.width() > 0 ? row.geometry.width() : natural.width(),
                                      row.geometry.height() > 0 ? row.geometry.height() : natural.height())));
        EXPECT_LE(actual.bottom(), 498);
        EXPECT_EQ(row.widget->toolTip(), row.hint);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(row.widget)) text = label->text();
        if (auto* button = qobject_cast<QPushButton*>(row.widget)) text = button->text();
        if (auto* list = qobject_cast<QComboBox*>(row.widget)) text = list->currentText();
        EXPECT_EQ(text, row.text);
    }
    for (QComboBox* list : {form->ComboBox1, form->ComboBox2}) EXPECT_FALSE(list->isEditable());
    EXPECT_EQ(form->ComboBox2->count(), 2);
    EXPECT_EQ(form->ComboBox1->itemText(0), "Ryx4");
    EXPECT_EQ(form->ComboBox1->itemText(7), "Ryx32");
    for (QPushButton* button : {form->BitBtn1, form->BitBtn2, form->BitBtn3}) {
        EXPECT_EQ(button->iconSize(), QSize(32, 16));
        EXPECT_EQ(button->icon().availableSizes().value(0), QSize(32, 16));
    }

    // Every control and command can be looked up by the name it is known by.
    EXPECT_EQ(form->objectName(), "FormMain");
    for (const auto& [name, part] : std::vector<std::pair<QString, QObject*>>{
             {"Label1", form->Label1},           {"Label2", form->Label2},       {"ComboBox1", form->ComboBox1},
             {"ComboBox2", form->ComboBox2},     {"BitBtn1", form->BitBtn1},     {"BitBtn2", form->BitBtn2},
             {"BitBtn3", form->BitBtn3},         {"BitBtn4", form->BitBtn4},     {"Button1", form->Button1},
             {"Button2", form->Button2},         {"Button3", form->Button3},     {"FileOpen1", form->FileOpen1},
             {"FileSaveAs1", form->FileSaveAs1}, {"FileSaveAs2", form->FileSaveAs2},
             {"FileImport1", form->FileImport1}, {"FileSaveAs3", form->FileSaveAs3}, {"FileExit1", form->FileExit1},
             {"FilterBox", form->FilterBox},
             {"HelpContents1", form->HelpContents1}, {"About", form->About}}) {
        EXPECT_EQ(form->findChild<QObject*>(name), part) << name.toStdString();
    }

    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text() + menus[1]->text() + menus[2]->text(), "&FileSpecial&Help");
    EXPECT_EQ(menus[0]->menu()->actions(), QList<QAction*>({form->FileOpen1, form->FileImport1, form->FileSaveAs1,
                                                            form->FileSaveAs2, form->FileSaveAs3, form->FileExit1}));
    EXPECT_EQ(menus[1]->menu()->actions(), QList<QAction*>({form->FilterBox, form->quality()->CompareSettings1,
                                                            form->quality()->OptimalEncoding1}));
    EXPECT_EQ(menus[2]->menu()->actions(), QList<QAction*>({form->HelpContents1, form->About}));
    struct Item {
        QAction* action;
        QString text, toolTip, statusTip, shortcut;
    };
    for (const Item& row : std::vector<Item>{
             {form->FileOpen1, "&Open wave file .WAV", "Open", "Opens an existing file", "Ctrl+O"},
             {form->FileImport1, "&Import sound\u2026", "Import", "Imports a sound of any kind: WAV, FLAC, Ogg, MP3 or AIFF",
              "Ctrl+I"},
             {form->FileSaveAs1, "Export PIC assembler file .ASM", "Save As", "Saves the active file with a new name", ""},
             {form->FileSaveAs2, "Export &Binary file .RYX", "Export as Ryx", "Saves the Ryx data as a binary .RYX file", ""},
             {form->FileSaveAs3, "Export PIC &program...", "PIC program",
              "Saves a whole PIC program, player and sound, ready to flash", ""},
             {form->FileExit1, "E&xit", "Exit", "Quits the application", "Ctrl+Q"},
             {form->FilterBox, "Output &Filter Model", "Output Filter Model", "", ""},
             {form->HelpContents1, "&Contents", "Help Contents", "Help Contents", ""},
             {form->About, "About", "About", "", ""}}) {
        EXPECT_EQ(QStringList({row.action->text(), row.action->toolTip(), row.action->statusTip(),
                               row.action->shortcut().toString()}),
                  QStringList({row.text, row.toolTip, row.statusTip, row.shortcut}));
    }
}

TEST_F(MainWindowTest, EachListChangeReencodesRewritesTheDecodedPreviewAndRepaints) {
    showForm();
    QSignalSpy paints(form->canvas(), &FormCanvas::painted);
    struct Change {
        QComboBox* list;
        QString item;
        int fineness, algorithmType;
    };
    for (const Change& change : std::vector<Change>{{form->ComboBox1, "Ryx4", 4, 15},
                                                    {form->ComboBox2, "1 bit", 4, 1},
                                                    {form->ComboBox1, "Ryx32", 32, 1},
                                                    {form->ComboBox2, "1.5 bit", 32, 15}}) {
        SCOPED_TRACE(change.item.toStdString());
        const std::uintmax_t sizeBefore = fs::file_size(form->previews().decodedPath());
        state->encoder.showEncoded = 0;
        player.calls.clear();
        paints.clear();

        chooseListItem(*change.list, change.item);

        EXPECT_EQ(state->encoder.fineness, change.fineness);
        EXPECT_EQ(state->encoder.algorithmType, change.algorithmType);
        EXPECT_EQ(state->encoder.showEncoded, 1);  // set by the encoder
        EXPECT_NE(state->decodedSamples[0], 128);
        ASSERT_FALSE(player.calls.empty());
        EXPECT_EQ(player.calls[0].operation, "close");
        EXPECT_EQ(player.calls[0].watchedFileSize, sizeBefore);  // closed before the rewrite
        EXPECT_EQ(preview(true), waveFile(490, 15625, state->smoothedSamples.data()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count() > 0; }, 2000));
    }
    EXPECT_EQ(preview(false), waveFile(200, 22050));

    // Picking the item already shown is a choice too: the decoded trace comes back.
    state->encoder.showEncoded = 0;
    chooseListItem(*form->ComboBox2, "1.5 bit");
    EXPECT_EQ(state->encoder.showEncoded, 1);
    // Only the user's choice encodes, not a change made by the program.
    state->encoder.showEncoded = 0;
    form->ComboBox1->setCurrentText("Ryx8");
    EXPECT_EQ(state->encoder.fineness, 32);
    EXPECT_EQ(state->encoder.showEncoded, 0);
}

TEST_F(MainWindowTest, SoundButtonsDriveThePlayerAndItsFailuresAreShown) {
    showForm();
    QSignalSpy paints(form->canvas(), &FormCanvas::painted);
    qsizetype paintsAtOpen = -1;
    player.openResult = [&](const std::string&) {
        paintsAtOpen = paints.count();
        return Result<>{};
    };
    player.calls.clear();
    form->BitBtn1->click();
    form->BitBtn2->click();
    form->BitBtn3->click();
    form->BitBtn3->click();  // nothing open any more: still just a close
    ASSERT_EQ(player.operations(), (std::vector<std::string>{"open", "play", "open", "play", "close", "close"}));
    EXPECT_EQ(player.calls[0].fileName, form->previews().originalPath());
    EXPECT_EQ(player.calls[0].showSmoothed, 0);
    EXPECT_EQ(player.calls[2].fileName, form->previews().decodedPath());
    EXPECT_EQ(player.calls[2].showSmoothed, 1);  // switched on, and painted, before the sound starts
    EXPECT_GE(paintsAtOpen, 1);
    EXPECT_TRUE(errors.isEmpty());

    player.calls.clear();
    player.openResult = [](const std::string& name) { return Result<>::failure(name + ": unplayable"); };
    form->BitBtn1->click();
    player.openResult = [](const std::string&) -> Result<> { throw std::runtime_error("device vanished"); };
    form->BitBtn2->click();
    EXPECT_EQ(errors, QStringList({QString::fromStdString(form->previews().originalPath() + ": unplayable"),
                                   "device vanished"}));
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"open", "open"}));  // no play after a failed open
    form->Button1->click();  // the program goes on
    EXPECT_EQ(state->encoder.viewOffset, 12u);
}

TEST_F(MainWindowTest, ViewButtonsAndPressesInTheOverviewMoveTheView) {
    showForm();
    form->Button1->click();
    form->Button1->click();
    form->Button2->click();
    EXPECT_EQ(state->encoder.viewOffset, 12u);
    form->Button3->click();
    form->BitBtn4->click();
    EXPECT_EQ(state->encoder.showSmoothed, 1);
    EXPECT_EQ(state->encoder.showEncoded, 0);
    struct Press {
        Qt::MouseButton button;
        QPoint at;
        std::uint32_t viewOffset;
    };
    for (const Press& press : std::vector<Press>{{Qt::LeftButton, {100, 390}, 95},
                                                 {Qt::RightButton, {7, 408}, 0},
                                                 {Qt::MiddleButton, {300, 390}, 295},
                                                 {Qt::LeftButton, {200, 370}, 295},  // above the strip
                                                 {Qt::LeftButton, {490, 390}, 295}}) {  // right of it
        QTest::mouseClick(form->canvas(), press.button, Qt::NoModifier, press.at);
        EXPECT_EQ(state->encoder.viewOffset, press.viewOffset) << press.at.x() << "," << press.at.y();
    }
}

TEST_F(MainWindowTest, OpenGoesThroughItsDialogToTheReaderAndCancelChangesNothing) {
    std::vector<std::uint8_t> samples(1000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 7);
    test::writeFileBytes(folder / "tone.wav", waveFile(1000, 8000, samples.data()));
    choose(folder / "tone.wav");
    player.calls.clear();
    form->FileOpen1->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Open wave file");
    EXPECT_EQ(requests[0].filter, "Wave files (*.wav);;All files (*)");
    EXPECT_EQ(requests[0].defaultSuffix, "wav");
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(player.calls[0].operation, "close");
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_EQ(preview(false), waveFile(1000, 8000, samples.data()));
    EXPECT_EQ(preview(true).size(), 1046u);

    const Bytes original = preview(false), decoded = preview(true);
    const std::vector<std::string> files = test::entriesOf(folder.path());
    nextChoice.reset();
    player.calls.clear();
    for (QAction* action : {form->FileOpen1, form->FileSaveAs1, form->FileSaveAs2}) action->trigger();
    EXPECT_EQ(requests.size(), 4u);
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_EQ(preview(false), original);
    EXPECT_EQ(preview(true), decoded);
    EXPECT_EQ(test::entriesOf(folder.path()), files);
    EXPECT_TRUE(player.calls.empty());  // a playing sound plays on

    // A refused file is a red message in the window, not an error box.
    test::writeFileBytes(folder / "text.wav", Bytes(60, 'x'));
    choose(folder / "text.wav");
    form->FileOpen1->trigger();
    EXPECT_EQ(state->statusText.view(), kNotWaveMessage);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, ExportsGoThroughTheirDialogsAndFailuresShowTheReasonAndLeaveNothing) {
    choose(folder / "start.asm");
    form->FileSaveAs1->trigger();
    choose(folder / "start.ryx");
    form->FileSaveAs2->trigger();
    ASSERT_EQ(requests.size(), 2u);
    for (const FileDialogRequest& request : requests) {
        EXPECT_TRUE(request.title.isEmpty());  // the dialog's own title
        EXPECT_TRUE(request.save);
    }
    EXPECT_EQ(requests[0].filter + requests[0].defaultSuffix, "PIC Assembler files (*.asm);;All files (*)asm");
    EXPECT_EQ(requests[1].filter + requests[1].defaultSuffix, "Binary Ryx data file (*.ryx);;All files (*)ryx");
    ASSERT_TRUE(exportAssembler(*state, folder / "direct.asm"));
    EXPECT_EQ(test::readFileBytes(folder / "start.asm"), test::readFileBytes(folder / "direct.asm"));
    EXPECT_EQ(test::readFileBytes(folder / "start.ryx"), Bytes(61, 0));  // (490 - 1) / 8 bytes of silence
    EXPECT_TRUE(errors.isEmpty());

    const std::vector<std::string> files = test::entriesOf(folder.path());
    struct Failure {
        QAction* action;
        fs::path target;
        QString reason;
    };
    for (const Failure& c : std::vector<Failure>{{form->FileSaveAs1, folder / "missing" / "a.asm", "No such file or directory"},
                                                 {form->FileSaveAs2, folder / "missing" / "a.ryx", "No such file or directory"},
                                                 {form->FileSaveAs1, folder.path(), "Is a directory"},
                                                 {form->FileSaveAs2, folder.path(), "Is a directory"}}) {
        errors.clear();
        choose(c.target);
        c.action->trigger();
        ASSERT_EQ(errors.size(), 1) << c.target;
        EXPECT_TRUE(errors[0].contains(QString::fromStdString(c.target.string()) + ": " + c.reason)) << errors[0].toStdString();
        EXPECT_EQ(test::entriesOf(folder.path()), files);
    }
}

// The PIC program: its own dialog first, then the save dialog for the chosen
// kind; a refusal from the chip or a failed write goes to the error box.
TEST_F(MainWindowTest, PicProgramGoesThroughItsDialogsAndRefusalsAreShown) {
    std::optional<PicProgramChoice> picked;
    int asked = 0;
    form->picProgramChooser = [&](QWidget*, const ProgramState& shown) {
        EXPECT_EQ(&shown, state.get());
        ++asked;
        return picked;
    };
    form->FileSaveAs3->trigger();  // cancelled in the first dialog
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(requests.empty());

    for (const bool hex : {true, false}) {
        picked = PicProgramChoice{{findPicChip("16f628a"), 0, !hex}, hex};
        const fs::path target = folder / (hex ? "program.hex" : "program.asm");
        choose(target);
        form->FileSaveAs3->trigger();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().filter + requests.back().defaultSuffix,
                  hex ? "Intel HEX files (*.hex);;All files (*)hex" : "PIC Assembler files (*.asm);;All files (*)asm");
        EXPECT_TRUE(requests.back().save);
        ASSERT_TRUE(writePicProgram(*state, *picked, folder / "direct"));
        EXPECT_EQ(test::readFileBytes(target), test::readFileBytes(folder / "direct"));
    }
    EXPECT_TRUE(errors.isEmpty());

    // A crystal chip with no clock given: the plan's reason, and no file.
    picked = PicProgramChoice{{findPicChip("16f877a"), 0, false}, true};
    choose(folder / "refused.hex");
    form->FileSaveAs3->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("no internal oscillator")) << errors[0].toStdString();
    EXPECT_FALSE(fs::exists(folder / "refused.hex"));
}

TEST_F(MainWindowTest, ExitQuitsTheHelpViewerAndClosesThePlayer) {
    showForm();
    form->HelpContents1->trigger();
    HelpViewer* viewer = form->helpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->helpFile().isEmpty());
    form->BitBtn1->click();
    player.calls.clear();

    form->FileExit1->trigger();

    EXPECT_FALSE(viewer->isVisible());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(player.operations(), (std::vector<std::string>{"close"}));
}

TEST_F(MainWindowTest, AboutAndFilterModelAreShownModallyAndCentred) {
    TAboutBox about;
    TFilterBox filter(*state);
    form->setAboutBox(&about);
    form->setFilterBox(&filter);
    // Presses OK of whatever modal dialog comes up while the action runs,
    // noting how far its frame's centre lies from the screen's.
    auto pressOk = [](QAction* action, int& offCentre) {
        QWidget* shown = nullptr;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&shown, &offCentre] {
            if ((shown = QApplication::activeModalWidget()) == nullptr) return;
            offCentre = (shown->frameGeometry().center() - shown->screen()->geometry().center()).manhattanLength();
            for (QPushButton* button : shown->findChildren<QPushButton*>()) {
                if (button->text() == "OK") button->click();
            }
        });
        poll.start(10);
        action->trigger();
        return shown;
    };
    // Both centred on the screen, not on the main window in its corner.
    form->move(0, 0);
    showForm();
    int offCentre = -1;
    EXPECT_EQ(pressOk(form->About, offCentre), &about);
    EXPECT_EQ(about.result(), 1);
    EXPECT_GE(offCentre, 0);
    EXPECT_LE(offCentre, 1);
    offCentre = -1;
    EXPECT_EQ(pressOk(form->FilterBox, offCentre), &filter);
    EXPECT_EQ(filter.result(), 1);
    EXPECT_GE(offCentre, 0);
    EXPECT_LE(offCentre, 1);
}

// After an open that fails, both previews hold what the picture shows: the
// 490 silent samples of the empty sound (at the rate kept from before), so
// "Play Ryx Sound" cannot play the sound that is gone. A pipe is refused at
// once, never waited on.
TEST_F(MainWindowTest, FailedOpensLeaveBothPreviewsSilentAndAPipeIsNeverWaitedOn) {
    test::writeFileBytes(folder / "tone.wav", test::wave46(test::rampSamples(3000), {.rate = 11025}));
    test::writeFileBytes(folder / "text.wav", Bytes(60, 'x'));
    fs::create_directory(folder / "folder.wav");
    ASSERT_EQ(mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
    const Bytes silence = waveFile(490, 11025, Bytes(490, 128).data());
    struct Case {
        const char* name;
        std::string_view message;
    };
    for (const Case& c : {Case{"text.wav", kNotWaveMessage}, Case{"missing.wav", kCannotOpenMessage},
                          Case{"folder.wav", kCannotOpenMessage}, Case{"pipe.wav", kCannotOpenMessage}}) {
        SCOPED_TRACE(c.name);
        form->FileOpen1Accept(QString::fromStdString((folder / "tone.wav").string()));
        ASSERT_EQ(preview(true).size(), 46u + 3000u);
        player.calls.clear();

        const auto started = std::chrono::steady_clock::now();
        form->FileOpen1Accept(QString::fromStdString((folder / c.name).string()));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));

        EXPECT_EQ(state->statusText.view(), c.message);
        EXPECT_EQ(preview(false), silence);
        EXPECT_EQ(preview(true), silence);
        ASSERT_FALSE(player.calls.empty());
        EXPECT_EQ(player.calls[0].operation, "close");
    }
    EXPECT_TRUE(errors.isEmpty());
}

// Another user's link planted where a preview goes is replaced by a file of
// the window's own; the file it names is never written.
TEST_F(MainWindowTest, LinkPlantedInThePreviewFolderIsNotFollowed) {
    const fs::path victim = folder / "victim.txt";
    test::writeFileBytes(victim, {'k', 'e', 'e', 'p'});
    const std::string previews[] = {form->previews().originalPath(), form->previews().decodedPath()};
    for (const std::string& preview : previews) {
        fs::remove(preview);
        fs::create_symlink(victim, preview);
    }
    test::writeFileBytes(folder / "tone.wav", test::wave46(test::rampSamples(700)));
    form->FileOpen1Accept(QString::fromStdString((folder / "tone.wav").string()));

    EXPECT_EQ(test::readFileBytes(victim), Bytes({'k', 'e', 'e', 'p'}));
    for (const std::string& preview : previews) {
        EXPECT_FALSE(fs::is_symlink(preview)) << preview;
        EXPECT_EQ(fs::file_size(preview), 46u + 700u) << preview;
    }
}

TEST(TwoMainWindows, KeepTheirPreviewsApartAndEachRemovesItsOwnFolder) {
    test::TempDirectory base;
    test::writeFileBytes(base / "one.wav", test::wave46(test::rampSamples(500)));
    test::writeFileBytes(base / "two.wav", test::wave46(test::squareSamples(900)));
    auto firstState = std::make_unique<ProgramState>();
    auto secondState = std::make_unique<ProgramState>();
    test::RecordingPlayer firstPlayer(*firstState), secondPlayer(*secondState);
    auto first = std::make_unique<TFormMain>(*firstState, firstPlayer, base.path().string());
    auto second = std::make_unique<TFormMain>(*secondState, secondPlayer, base.path().string());
    const std::string firstFolder = first->previews().folder();
    EXPECT_NE(firstFolder, second->previews().folder());

    first->FileOpen1Accept(QString::fromStdString((base / "one.wav").string()));
    second->FileOpen1Accept(QString::fromStdString((base / "two.wav").string()));
    firstPlayer.calls.clear();
    first->BitBtn1->click();
    ASSERT_EQ(firstPlayer.operations(), (std::vector<std::string>{"open", "play"}));
    EXPECT_EQ(firstPlayer.calls[0].fileName, first->previews().originalPath());
    EXPECT_EQ(test::readFileBytes(first->previews().originalPath()),
              test::previewFileBytes(test::rampSamples(500), 8000));
    EXPECT_EQ(test::readFileBytes(second->previews().originalPath()),
              test::previewFileBytes(test::squareSamples(900), 8000));

    first.reset();
    EXPECT_FALSE(fs::exists(firstFolder));
    EXPECT_EQ(fs::file_size(second->previews().decodedPath()), 46u + 900u);
}

}  // namespace
}  // namespace ryx::ui
