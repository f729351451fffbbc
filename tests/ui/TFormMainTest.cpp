#include "ui/TFormMain.h"

#include "ListChoice.h"
#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "formats/PreviewBytes.h"
#include "formats/WaveLoad.h"
#include "export/AssemblerExport.h"
#include "support/FileBytes.h"
#include "ui/support/RecordingPlayer.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "support/WindowUnderTest.h"
#include "ui/FormCanvas.h"
#include "ui/UserSettings.h"
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
#include <QStyle>
#include <QStyleOption>
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

constexpr int kIconTextGap = 4;  // what the style puts between a button's icon and its text

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// How many pixels are left beside the widest text (and icon) a control
// shows, in the room its style leaves for them; negative when one is cut.
int spareTextRoom(const QWidget& control) {
    const QFontMetrics metrics(control.font());
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + kIconTextGap;
        // Leading blanks only set the text off from the glyph; they may overlap the margin.
        return room - icon - metrics.horizontalAdvance(button->text().trimmed());
    }
    if (const auto* list = qobject_cast<const QComboBox*>(&control)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        const int room =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
        int widest = 0;
        for (int i = 0; i < list->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(list->itemText(i)));
        return room - widest;
    }
    const auto& label = dynamic_cast<const QLabel&>(control);
    return label.contentsRect().width() - metrics.horizontalAdvance(label.text());
}

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
    // The title names the program and its version from the build.
    for (const std::string_view part : {kProductName, kVersionText, kWebAddress}) {
        EXPECT_TRUE(form->windowTitle().contains(fromView(part))) << part;
    }
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->canvas()->geometry(), QRect(0, form->menuBar()->height(), 500, 499));
    EXPECT_EQ(form->size(), QSize(500, 499 + form->menuBar()->height()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    struct Control {
        QWidget* widget;
        QRect geometry;  // a width or height of 0: what the text needs
    };
    for (const Control& row : std::vector<Control>{{form->Label2, {10, 435, 0, 0}},
                                                   {form->ComboBox2, {75, 430, 86, 0}},
                                                   {form->Label1, {10, 470, 0, 0}},
                                                   {form->ComboBox1, {75, 465, 86, 0}},
                                                   {form->BitBtn4, {195, 418, 126, 24}},
                                                   {form->Button3, {195, 445, 126, 24}},
                                                   {form->Button2, {195, 472, 61, 24}},
                                                   {form->Button1, {260, 472, 61, 24}},
                                                   {form->BitBtn1, {355, 418, 126, 24}},
                                                   {form->BitBtn2, {355, 445, 126, 24}},
                                                   {form->BitBtn3, {355, 472, 126, 24}}}) {
        SCOPED_TRACE(row.widget->objectName().toStdString());
        const QRect actual = row.widget->geometry();
        const QSize natural = row.widget->sizeHint();
        EXPECT_EQ(row.widget->parentWidget(), form->canvas());
        EXPECT_EQ(actual, QRect(row.geometry.topLeft(),
                                QSize(row.geometry.width() > 0 ? row.geometry.width() : natural.width(),
                                      row.geometry.height() > 0 ? row.geometry.height() : natural.height())));
        EXPECT_LE(actual.bottom(), 498);
        EXPECT_GE(spareTextRoom(*row.widget), 0);  // the whole text fits
    }
    // The lists offer the core's items and show the state's settings.
    struct List {
        QComboBox* list;
        QStringList items;
        QString shown;
    };
    QStringList schemeItems, finenessItems;
    for (const SchemeEntry& entry : schemeTable) schemeItems << fromView(entry.itemText);
    for (const FinenessEntry& entry : fineTable) finenessItems << fromView(entry.itemText);
    for (const List& row : {List{form->ComboBox2, schemeItems, fromView(schemeItemText(state->encoder.algorithmType))},
                            List{form->ComboBox1, finenessItems, fromView(finenessItemText(state->encoder.fineness))}}) {
        SCOPED_TRACE(row.list->objectName().toStdString());
        EXPECT_FALSE(row.list->isEditable());
        QStringList items;
        for (int i = 0; i < row.list->count(); ++i) items << row.list->itemText(i);
        EXPECT_EQ(items, row.items);
        EXPECT_FALSE(row.shown.isEmpty());
        EXPECT_EQ(row.list->currentText(), row.shown);
    }
    for (QPushButton* button : {form->BitBtn1, form->BitBtn2, form->BitBtn3}) {
        EXPECT_EQ(button->iconSize(), QSize(32, 16));
        EXPECT_EQ(button->icon().availableSizes().value(0), QSize(32, 16));
    }

    // Every control and command can be looked up by a name of its own.
    EXPECT_EQ(form->objectName(), "FormMain");
    const std::vector<QObject*> parts{form->Label1,      form->Label2,      form->ComboBox1,   form->ComboBox2,
                                      form->BitBtn1,     form->BitBtn2,     form->BitBtn3,     form->BitBtn4,
                                      form->Button1,     form->Button2,     form->Button3,     form->FileOpen1,
                                      form->FileImport1, form->FileSaveAs1, form->FileSaveAs2, form->FileSaveAs3,
                                      form->FileSaveAs4, form->FileExit1,   form->FilterBox,   form->HelpContents1, form->About};
    for (QObject* part : parts) {
        EXPECT_FALSE(part->objectName().isEmpty());
        EXPECT_EQ(form->findChild<QObject*>(part->objectName()), part) << part->objectName().toStdString();
    }

    // Every command is in its menu; within a menu, and across the menu bar,
    // no two items share an underlined letter, and no two commands a shortcut.
    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->menu()->actions(), QList<QAction*>({form->FileOpen1, form->FileImport1, form->FileSaveAs1,
                                                            form->FileSaveAs2, form->FileSaveAs3, form->FileSaveAs4,
                                                            form->FileExit1}));
    EXPECT_EQ(menus[1]->menu()->actions(),
              QList<QAction*>({form->FilterBox, form->Circuit1, form->quality()->CompareSettings1,
                               form->quality()->OptimalEncoding1}));
    EXPECT_EQ(menus[2]->menu()->actions(), QList<QAction*>({form->HelpContents1, form->About}));
    auto expectNoSharedLetter = [](const QList<QAction*>& items) {
        std::set<int> letters;
        for (QAction* item : items) {
            const QKeySequence letter = QKeySequence::mnemonic(item->text());
            if (letter.isEmpty()) continue;
            EXPECT_TRUE(letters.insert(letter[0].toCombined()).second) << item->text().toStdString();
        }
    };
    expectNoSharedLetter(menus);
    std::set<QString> shortcuts;
    for (QAction* menu : menus) {
        expectNoSharedLetter(menu->menu()->actions());
        for (QAction* item : menu->menu()->actions()) {
            SCOPED_TRACE(item->text().toStdString());
            EXPECT_TRUE(item->isEnabled());
            // A hint shows its short part as the tool tip and its long one as the status tip.
            EXPECT_FALSE(item->toolTip().contains(QLatin1Char('|')));
            EXPECT_FALSE(item->statusTip().contains(QLatin1Char('|')));
            if (item->shortcut().isEmpty()) continue;
            EXPECT_TRUE(shortcuts.insert(item->shortcut().toString()).second);
        }
    }
    EXPECT_FALSE(shortcuts.empty());
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

// The save dialog proposes NAME-CHIP.hex or .asm: in the sound's folder
// until a PIC program has been saved, then in the folder last used for one.
TEST_F(MainWindowTest, PicProgramSaveDialogProposesANameAndFolder) {
    userSettings().remove(QStringLiteral("PicProgram/folder"));  // an earlier test may have saved one
    PicProgramChoice picked{{findPicChip("16f628a"), 0, false}, true};
    form->picProgramChooser = [&](QWidget*, const ProgramState&) { return picked; };
    const QString folderName = QString::fromStdString(folder.path().string());
    struct Step {
        const char* open;  // a sound to open first, or null
        const char* chip;
        bool hex;
        const char* save;  // the file chosen, or null to cancel
        QString directory;
        QString fileName;
    };
    fs::create_directories(folder / "sounds");
    fs::create_directories(folder / "programs");
    test::writeFileBytes(folder / "sounds" / "hello.wav", waveFile(1000, 8000));
    const Step steps[] = {
        {nullptr, "16f628a", true, nullptr, QString(), "sound-16f628a.hex"},
        {"sounds/hello.wav", "16f88", false, "programs/a.asm", folderName + "/sounds", "hello-16f88.asm"},
        {nullptr, "12f683", true, nullptr, folderName + "/programs", "hello-12f683.hex"},
    };
    for (const Step& step : steps) {
        if (step.open != nullptr) form->FileOpen1Accept(QString::fromStdString((folder / step.open).string()));
        picked = PicProgramChoice{{findPicChip(step.chip), 0, false}, step.hex};
        requests.clear();
        if (step.save != nullptr) {
            choose(folder / step.save);
        } else {
            nextChoice.reset();  // cancelled
        }
        form->FileSaveAs3->trigger();
        ASSERT_EQ(requests.size(), 1u) << step.chip;
        EXPECT_EQ(requests[0].directory.toStdString(), step.directory.toStdString()) << step.chip;
        EXPECT_EQ(requests[0].fileName.toStdString(), step.fileName.toStdString()) << step.chip;
    }
    EXPECT_TRUE(errors.isEmpty());
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
