#include "core/ListSelection.h"

#include "support/FileBytes.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

class ListSelectionTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(ListSelectionTest, FinenessItemsAndUnknownTexts) {
    const std::pair<const char*, int> cases[] = {
        {"Ryx4", 4}, {"Ryx5", 5}, {"Ryx6", 6}, {"Ryx8", 8}, {"Ryx11", 11}, {"Ryx16", 16},
        {"Ryx21", 21}, {"Ryx32", 32}, {"ryx4", 16}, {"Ryx4 ", 16}, {"", 16}, {"Ryx7", 16}};
    for (const auto& [text, fineness] : cases) {
        state->encoder.fineness = 5;
        selectFineness(*state, text);
        EXPECT_EQ(state->encoder.fineness, fineness) << '"' << text << '"';
    }
}

TEST_F(ListSelectionTest, SchemeLooksOnlyAtTheSecondCharacter) {
    const std::pair<const char*, int> cases[] = {
        {"1.5 bit", 15}, {"1 bit", 1}, {"x.", 15}, {"1", 1}, {"", 1}, {".5", 1}};
    for (const auto& [text, algorithm] : cases) {
        selectAlgorithmType(*state, text);
        EXPECT_EQ(state->encoder.algorithmType, algorithm) << '"' << text << '"';
    }
}

TEST_F(ListSelectionTest, EveryItemShowsTheSettingItChooses) {
    for (const FinenessEntry& entry : fineTable) {
        selectFineness(*state, entry.itemText);
        EXPECT_EQ(finenessItemText(state->encoder.fineness), entry.itemText);
    }
    for (const SchemeEntry& entry : schemeTable) {
        selectAlgorithmType(*state, entry.itemText);
        EXPECT_EQ(schemeItemText(state->encoder.algorithmType), entry.itemText);
    }
    EXPECT_EQ(finenessItemText(EncoderState{}.fineness), "Ryx16");
    EXPECT_EQ(schemeItemText(EncoderState{}.algorithmType), "1.5 bit");
    EXPECT_EQ(finenessItemText(7), "");
    EXPECT_EQ(schemeItemText(2), "");
}

TEST_F(ListSelectionTest, ChangeReencodesTheSilentSound) {
    state->encoder.showEncoded = 0;
    selectAlgorithmType(*state, "1 bit");
    EXPECT_EQ(state->encoder.showEncoded, 1);
    EXPECT_EQ(state->decodedSamples[0], 136);
    EXPECT_NE(state->smoothedSamples[0], 128);  // smoothed as well

    selectFineness(*state, "Ryx4");
    EXPECT_EQ(state->encoder.resistorOhms, 1010);  // R1 = 34756991 / 15625 = 2224
}

}  // namespace
}  // namespace ryx
