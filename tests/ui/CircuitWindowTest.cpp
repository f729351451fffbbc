// Special > Circuit...: the dialog, its parts list, what OK does to the
// sound, and the choice remembered for the next run.

#include "SameState.h"
#include "core/Encoder.h"
#include "core/OutputLevel.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "support/WindowUnderTest.h"
#include "ui/CircuitPartsText.h"
#include "ui/TCircuitBox.h"
#include "ui/TFormMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace ryx::ui {
namespace {

using Window = test::WindowUnderTest;

// Each test keeps its choices in a settings file of its own.
class CircuitWindowTest : public ::testing::Test {
protected:
    CircuitWindowTest() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(settingsFolder.path().string()));
    }

    // A ramp the window holds as if it had been opened (not yet encoded).
    static void holdRamp(Window& window) {
        const test::Bytes ramp = test::rampSamples(3000);
        std::copy(ramp.begin(), ramp.end(), window.state->origSamples.begin());
        window.state->encoder.sampleCount = static_cast<std::uint32_t>(ramp.size());
    }

    // Opens the dialog through the menu.
    static TCircuitBox& openBox(Window& window) {
        window.form->Circuit1->trigger();
        EXPECT_NE(window.form->circuitBox(), nullptr);
        EXPECT_TRUE(window.form->circuitBox()->isVisible());
        return *window.form->circuitBox();
    }

    static void chooseSeries(TCircuitBox& box, const QString& item) {
        box.SeriesBox->setCurrentIndex(box.SeriesBox->findText(item));
    }

    test::TempDirectory settingsFolder;
};

TEST_F(CircuitWindowTest, MenuOpensTheDialogWithTheStateAndCancelChangesNothing) {
    Window window;
    EXPECT_EQ(window.state->filterModel, FilterModelChoice::classic);
    TCircuitBox& box = openBox(window);
    EXPECT_TRUE(box.ClassicButton->isChecked());
    EXPECT_EQ(box.SeriesBox->currentText(), "Exact values");
    EXPECT_EQ(box.CapacitorBox->text(), "220n");
    EXPECT_EQ(box.LoadBox->text(), "none");
    EXPECT_TRUE(box.OKButton->isEnabled());

    box.CircuitButton->setChecked(true);
    box.reject();
    EXPECT_EQ(window.state->filterModel, FilterModelChoice::classic);
    EXPECT_FALSE(QSettings(QSettings::IniFormat, QSettings::UserScope, "ryx-encoder", "ryx-encoder")
                     .contains("circuit/model"));
}

TEST_F(CircuitWindowTest, CircuitAsBuiltWithE12EncodesAsTheCoreDoes) {
    Window window;
    holdRamp(window);
    auto expected = std::make_unique<ProgramState>(*window.state);
    auto classic = std::make_unique<ProgramState>(*window.state);
    expected->filterModel = FilterModelChoice::circuit;
    expected->circuitParts.resistors.series = ResistorSeries::e12;
    encodeSound(*expected);
    encodeSound(*classic);
    // Otherwise the comparison below could not tell the two models apart.
    ASSERT_FALSE(std::equal(expected->bitStream.begin(), expected->bitStream.end(), classic->bitStream.begin()));

    TCircuitBox& box = openBox(window);
    box.CircuitButton->setChecked(true);
    chooseSeries(box, "Nearest E12 values");
    box.OKButton->click();

    EXPECT_TRUE(window.errors.isEmpty()) << window.errors.join("; ").toStdString();
    test::expectSameState(*expected, *window.state);
    EXPECT_EQ(window.state->filterModel, FilterModelChoice::circuit);
    EXPECT_EQ(window.state->circuitParts.resistors.series, ResistorSeries::e12);
    EXPECT_EQ(window.preview(true), test::previewFileBytes({expected->smoothedSamples.data(), 3000}, 15625));
}

TEST_F(CircuitWindowTest, TheChoiceSurvivesARestartToTheLastDigit) {
    {
        Window first;
        TCircuitBox& box = openBox(first);
        box.CircuitButton->setChecked(true);
        chooseSeries(box, "Values in ohms");
        box.ResistorABox->setText("4.7123k");  // more digits than the parts list shows
        box.ResistorBBox->setText("10k");
        box.CapacitorBox->setText("100nF");
        box.LoadBox->setText("47k");
        box.OKButton->click();
    }
    Window second;
    const CircuitParts& parts = second.state->circuitParts;
    EXPECT_EQ(second.state->filterModel, FilterModelChoice::circuit);
    EXPECT_EQ(parts.resistors.series, ResistorSeries::given);
    EXPECT_EQ(parts.resistors.givenOhms[0], *parseOhms("4712.3"));
    EXPECT_EQ(parts.resistors.givenOhms[1], 10000.0);
    EXPECT_EQ(parts.capacitanceFarads, *parseCapacitance("100n"));
    EXPECT_EQ(parts.loadOhms, 47000.0);
    // OK on the unchanged fields keeps every value as it is.
    const CircuitParts before = parts;
    TCircuitBox& box = openBox(second);
    EXPECT_EQ(box.ResistorBBox->text(), "10k");
    box.OKButton->click();
    EXPECT_EQ(parts.resistors.givenOhms, before.resistors.givenOhms);
    EXPECT_EQ(parts.capacitanceFarads, before.capacitanceFarads);

    // A value that does not read back, or that no part has, is its default, and
    // the status line says so; the others stay.
    EXPECT_TRUE(second.state->statusText.empty());
    QSettings stored(QSettings::IniFormat, QSettings::UserScope, "ryx-encoder", "ryx-encoder");
    stored.setValue("circuit/capacitor", "lots");
    stored.setValue("circuit/load", "5e-324");
    stored.sync();
    Window third;
    EXPECT_EQ(third.state->circuitParts.capacitanceFarads, kDefaultCapacitanceFarads);
    EXPECT_EQ(third.state->circuitParts.loadOhms, 0.0);
    EXPECT_EQ(third.state->circuitParts.resistors.givenOhms[0], *parseOhms("4712.3"));
    EXPECT_EQ(third.state->statusText.view(),
              "Circuit settings: capacitor \"lots\" refused, 220n used; load \"5e-324\" refused, none used");
}

TEST_F(CircuitWindowTest, TextThatDoesNotReadDisablesOkAndSaysWhy) {
    Window window;  // "1.5 bit": both resistor fields count
    TCircuitBox& box = openBox(window);
    chooseSeries(box, "Values in ohms");
    struct Case {
        QLineEdit* field;
        const char* text;
        const char* reason;
    };
    for (const Case& bad : {Case{box.CapacitorBox, "0.22x", "Unknown unit \"x\""},
                            Case{box.CapacitorBox, "", "Not a capacitance"},
                            Case{box.CapacitorBox, "0", "Capacitance \"0\" is not from 10pF to 10mF"},
                            Case{box.CapacitorBox, "1e-300", "Capacitance \"1e-300\" is not from 10pF to 10mF"},
                            Case{box.LoadBox, "some", "Not a resistance"},
                            Case{box.LoadBox, "5e-324", "Resistance \"5e-324\" is not from 1 to 100M ohms"},
                            Case{box.ResistorABox, "", "Not a resistance"},
                            Case{box.ResistorABox, "1e9k", "Resistance \"1e9k\" is not from 1 to 100M ohms"},
                            Case{box.ResistorBBox, "-10k", "Resistance \"-10k\" is not from 1 to 100M ohms"}}) {
        SCOPED_TRACE(bad.text);
        box.ResistorABox->setText("4.7k");
        box.ResistorBBox->setText("");
        box.CapacitorBox->setText("220n");
        box.LoadBox->setText("none");
        ASSERT_TRUE(box.OKButton->isEnabled());
        bad.field->setText(bad.text);
        EXPECT_FALSE(box.OKButton->isEnabled());
        EXPECT_TRUE(box.ProblemLabel->text().startsWith(bad.reason)) << box.ProblemLabel->text().toStdString();
        EXPECT_FALSE(bad.field->toolTip().isEmpty());
    }
    // Under a series the resistor fields are not read at all.
    box.ResistorABox->setText("nonsense");
    chooseSeries(box, "Nearest E24 values");
    EXPECT_TRUE(box.OKButton->isEnabled());
}

// However long a value is typed, the dialog keeps its width: the fields keep
// their size, the parts list wraps, the problem quotes the value cut short.
TEST_F(CircuitWindowTest, LongValuesLeaveTheDialogItsWidth) {
    Window window;
    TCircuitBox& box = openBox(window);
    box.CircuitButton->setChecked(true);
    chooseSeries(box, "Values in ohms");
    box.ResistorABox->setText("4.7k");
    QApplication::processEvents();
    const int width = box.width();
    const QString digits(3000, QLatin1Char('7'));
    struct Case {
        QString a;
        QString b;
        QString capacitor;
        QString load;
    };
    const QString none = QStringLiteral("none");
    for (const Case& c : {Case{"1", "100M", "10m", "1"}, Case{"100M", "1", "10p", "100M"},
                          Case{"4.7k", "", digits, none}, Case{"4.7k", "", "0." + digits, none},
                          Case{digits + "k", digits, "220n", digits}}) {
        SCOPED_TRACE((c.a + c.capacitor).left(12).toStdString());
        box.ResistorABox->setText(c.a);
        box.ResistorBBox->setText(c.b);
        box.CapacitorBox->setText(c.capacitor);
        box.LoadBox->setText(c.load);
        QApplication::processEvents();
        EXPECT_EQ(box.width(), width);
        EXPECT_LT(box.ProblemLabel->text().size(), 80);
    }
}

// The parts list says how loud the output is, for the bits the sound holds
// through the parts chosen, as the summary of ryxenc does, and names the
// figure Output Filter Model shows as the classic table's.
TEST_F(CircuitWindowTest, PartsListStatesTheOutputLevel) {
    Window window;
    holdRamp(window);
    encodeSound(*window.state);
    TCircuitBox& box = openBox(window);
    const auto levelIn = [&](FilterModelChoice model, const CircuitParts& parts) {
        return QStringLiteral("\nOutput: ") +
               QString::fromStdString(outputLevelText(outputLevel(*window.state, model, parts)));
    };
    EXPECT_TRUE(box.PartsLabel->text().endsWith(levelIn(FilterModelChoice::classic, CircuitParts{})))
        << box.PartsLabel->text().toStdString();
    // The classic table's figure is named as its own, beside the exact one (4506 and 4508 ohms).
    const QString classicFigure = QStringLiteral("Classic table (Output Filter Model): each 2R = 9012\u03a9");
    EXPECT_TRUE(box.PartsLabel->text().contains(classicFigure)) << box.PartsLabel->text().toStdString();
    EXPECT_TRUE(box.PartsLabel->text().contains(QStringLiteral("exact 9.015k\u03a9")));
    box.CircuitButton->setChecked(true);
    EXPECT_TRUE(box.PartsLabel->text().endsWith(levelIn(FilterModelChoice::circuit, CircuitParts{})));
    box.LoadBox->setText("1k");  // a load takes a share of the swing
    CircuitParts loaded;
    loaded.loadOhms = 1000;
    EXPECT_TRUE(box.PartsLabel->text().endsWith(levelIn(FilterModelChoice::circuit, loaded)))
        << box.PartsLabel->text().toStdString();
    EXPECT_NE(levelIn(FilterModelChoice::circuit, loaded), levelIn(FilterModelChoice::circuit, CircuitParts{}));
    EXPECT_TRUE(box.PartsLabel->text().contains(classicFigure));
}

// Hand-worked: R = -1 / (rate C ln(1 - 1/16)) = 4507.53 ohms at 15625 Hz and
// 220 nF; "1.5 bit" takes 2R = 9015 ohms for each resistor.
TEST(CircuitPartsText, ListsWhatToBuyBesideTheExactValue) {
    struct Case {
        std::int8_t algorithmType;
        std::uint32_t rate;
        const char* resistors;
        const char* load;
        const char* expected;
    };
    for (const Case& c : {
             Case{kAlgorithmOneBit, 15625, "exact", "none",
                  "Parts for 1 bit, Ryx16 at 15625 Hz:\nResistor: 4.508k\u03a9 (exact 4.508k\u03a9)\n"
                  "Capacitor: 220nF\nLoad: none"},
             Case{kAlgorithmOneAndHalfBit, 15625, "e12", "10k",
                  "Parts for 1.5 bit, Ryx16 at 15625 Hz:\n"
                  "Resistor A (this bit): 8.2k\u03a9 (exact 9.015k\u03a9)\n"
                  "Resistor B (the bit before): 8.2k\u03a9 (exact 9.015k\u03a9)\nCapacitor: 220nF\nLoad: 10k\u03a9"},
             Case{kAlgorithmOneAndHalfBit, 15625, "4.7k,10k", "none",
                  "Parts for 1.5 bit, Ryx16 at 15625 Hz:\n"
                  "Resistor A (this bit): 4.7k\u03a9 (exact 9.015k\u03a9)\n"
                  "Resistor B (the bit before): 10k\u03a9 (exact 9.015k\u03a9)\nCapacitor: 220nF\nLoad: none"},
             Case{kAlgorithmOneBit, 0, "e24", "none",
                  "Parts for 1 bit, Ryx16 at 0 Hz:\nResistor: none (no exact value)\nCapacitor: 220nF\nLoad: none"},
         }) {
        SCOPED_TRACE(c.resistors);
        CircuitParts parts;
        parts.resistors = *parseCircuitParts(c.resistors);
        parts.loadOhms = *parseLoad(c.load);
        EncoderState encoder;
        encoder.algorithmType = c.algorithmType;
        encoder.sampleRate = c.rate;
        EXPECT_EQ(circuitPartsText(parts, encoder).toStdString(), c.expected);
    }
}

}  // namespace
}  // namespace ryx::ui
