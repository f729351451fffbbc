#include "ui/TFormMain.h"

#include "ListChoice.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"
#include "core/SettingComparison.h"
#include "support/FileBytes.h"
#include "support/QualitySounds.h"
#include "ui/support/RecordingPlayer.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "ui/CompareSettingsDialog.h"
#include "ui/PreviewFiles.h"
#include "ui/QualityCommands.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace ryx::ui {
namespace {

class QualityCommandsTest : public ::testing::Test {
protected:
    QualityCommandsTest() : state(std::make_unique<ProgramState>()), player(*state) {
        form = std::make_unique<TFormMain>(*state, player, folder.path().string());
        form->errorReporter = [this](QWidget*, const QString& message) { errors << message; };
        const test::QualitySound chord = test::chordSound(8000);
        sound = chord.samples;
        test::WaveFields fields;
        fields.rate = chord.sampleRate;
        test::writeFileBytes(folder / "chord.wav", test::wave46(sound, fields));
        form->FileOpen1Accept(QString::fromStdString((folder / "chord.wav").string()));
    }
    ~QualityCommandsTest() override { form.reset(); }

    QualityCommands& quality() { return *form->quality(); }
    std::vector<std::uint8_t> bits() const {
        return {state->bitStream.begin(), state->bitStream.begin() + static_cast<std::ptrdiff_t>(sound.size() - 1)};
    }
    std::vector<std::uint8_t> optimalBits(std::int8_t algorithmType, std::int8_t fineness) const {
        std::vector<std::uint8_t> chosen(sound.size() - 1);
        std::vector<std::uint16_t> voltages(chosen.size());
        encodeOptimal(std::span(sound).first(chosen.size()), fineness, algorithmType, chosen, voltages);
        return chosen;
    }

    test::TempDirectory folder;
    std::unique_ptr<ProgramState> state;
    test::RecordingPlayer player;
    std::unique_ptr<TFormMain> form;
    std::vector<std::uint8_t> sound;
    QStringList errors;
};

TEST_F(QualityCommandsTest, OptimalEncodingAppliesToEveryEncodeAndOffRestoresTheGreedyBytes) {
    // Off at start; the menu's order is checked with the main window's.
    ASSERT_TRUE(quality().OptimalEncoding1->isCheckable());
    EXPECT_FALSE(quality().OptimalEncoding1->isChecked());
    EXPECT_EQ(state->encoderChoice, EncoderChoice::greedy);
    const std::vector<std::uint8_t> greedyBits = bits();
    const test::Bytes greedyPreview = test::readFileBytes(form->previews().decodedPath());

    quality().OptimalEncoding1->trigger();
    EXPECT_EQ(state->encoderChoice, EncoderChoice::optimal);
    EXPECT_EQ(bits(), optimalBits(kAlgorithmOneAndHalfBit, 16));
    EXPECT_NE(test::readFileBytes(form->previews().decodedPath()), greedyPreview);

    // A list change while it is on encodes optimally too.
    chooseListItem(*form->ComboBox1, QStringLiteral("Ryx21"));
    EXPECT_EQ(bits(), optimalBits(kAlgorithmOneAndHalfBit, 21));

    chooseListItem(*form->ComboBox1, QStringLiteral("Ryx16"));
    quality().OptimalEncoding1->trigger();
    EXPECT_EQ(state->encoderChoice, EncoderChoice::greedy);
    EXPECT_EQ(bits(), greedyBits);
    EXPECT_EQ(test::readFileBytes(form->previews().decodedPath()), greedyPreview);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(QualityCommandsTest, CompareDialogShowsSixteenRowsAndAChosenRowSetsBothLists) {
    CompareSettingsDialog& dialog = *quality().compareDialog();
    QSignalSpy measured(&dialog, &CompareSettingsDialog::measured);
    quality().CompareSettings1->trigger();
    // The figures come from another thread: the window is not held up.
    EXPECT_TRUE(dialog.measuring());
    EXPECT_EQ(dialog.table()->rowCount(), 0);
    EXPECT_FALSE(dialog.useButton()->isEnabled());
    ASSERT_TRUE(measured.wait(20000));
    EXPECT_TRUE(dialog.isVisible());

    const std::vector<SettingFigures> expected = compareSettings(*state, EncoderChoice::greedy);
    ASSERT_EQ(dialog.table()->rowCount(), 16);
    ASSERT_EQ(dialog.rows().size(), expected.size());
    int bestMarks = 0;
    for (int row = 0; row < 16; ++row) {
        const SettingFigures& figures = expected[static_cast<std::size_t>(row)];
        EXPECT_EQ(dialog.rows()[static_cast<std::size_t>(row)].figures.lowPassSnrDb, figures.figures.lowPassSnrDb);
        EXPECT_EQ(dialog.table()->item(row, 4)->text(), QString::number(figures.figures.lowPassSnrDb, 'f', 2));
        if (dialog.table()->item(row, 7)->text() == QStringLiteral("best")) {
            ++bestMarks;
            EXPECT_EQ(static_cast<std::size_t>(row), bestSetting(expected));
        }
    }
    EXPECT_EQ(bestMarks, 1);

    // Row 6: "1 bit", "Ryx21".
    dialog.table()->selectRow(6);
    dialog.useButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(form->ComboBox2->currentText(), QStringLiteral("1 bit"));
    EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("Ryx21"));
    EXPECT_EQ(state->encoder.algorithmType, kAlgorithmOneBit);
    EXPECT_EQ(state->encoder.fineness, 21);

    auto reference = test::stateWithSound({"chord", 8000, sound});
    reference->encoder.algorithmType = kAlgorithmOneBit;
    reference->encoder.fineness = 21;
    encodeSound(*reference);
    EXPECT_EQ(state->bitStream, reference->bitStream);
    EXPECT_EQ(state->smoothedSamples, reference->smoothedSamples);
    EXPECT_EQ(state->encoder.resistorOhms, reference->encoder.resistorOhms);
}

}  // namespace
}  // namespace ryx::ui
