#include "core/CircuitModel.h"
#include "core/Encoder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ryx {
namespace {

TEST(ResistorTest, WorkedExamples) {
    EXPECT_EQ(computeResistorOhms(16, 15625), 4506);   // R1 9915
    EXPECT_EQ(computeResistorOhms(16, 22050), 3193);   // R1 7026
    // R1 = 6512 is a multiple of 11: one below 5 * R1 / 11.
    EXPECT_EQ(computeResistorOhms(4, 34756991 / 6512), 2959);
}

// An RC low-pass held for one sample moves 1 - exp(-T / RC) of the way: the
// exact parts must make that 1/f; "1.5 bit" has two resistors in parallel.
TEST(ResistorTest, ExactPartsStepOneFinenthOfTheWay) {
    CircuitParts parts;
    for (const FinenessEntry& entry : fineTable) {
        for (const std::int8_t algorithmType : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            for (const std::uint32_t rate : {8000u, 11025u, 15625u, 22050u, 44100u}) {
                SCOPED_TRACE(testing::Message() << entry.itemText << " scheme " << int{algorithmType} << " at " << rate);
                const CircuitResistors resistors = circuitResistors(parts, algorithmType, entry.fineness, rate);
                double conductance = 0;
                for (std::size_t k = 0; k < resistors.count; ++k) conductance += 1 / resistors.values[k].exactOhms;
                const double step = 1 - std::exp(-conductance / (rate * parts.capacitanceFarads));
                EXPECT_NEAR(step * entry.fineness, 1.0, 1e-3);
            }
        }
    }
}

// The printed constants of Ryx4, Ryx16 and Ryx32 give that same resistor,
// but for R's truncation to whole ohms (the others do not: Ryx21's is 11 % high).
TEST(ResistorTest, PrintedConstantsOfFourSixteenAndThirtyTwoAreTheExactResistor) {
    const CircuitParts parts;
    for (const std::int8_t fineness : {std::int8_t{4}, std::int8_t{16}, std::int8_t{32}}) {
        for (const std::uint32_t rate : {8000u, 15625u, 22050u}) {
            const double exact = circuitResistors(parts, kAlgorithmOneBit, fineness, rate).values[0].exactOhms;
            EXPECT_NEAR(computeResistorOhms(fineness, rate), exact, exact * 1.5e-3) << int{fineness} << " at " << rate;
        }
    }
}

TEST(ResistorTest, RateOfZeroOrAboveTheConstantGivesZero) {
    EXPECT_EQ(computeResistorOhms(16, 0), 0);
    EXPECT_EQ(computeResistorOhms(32, 314929948u / 12u), 5);  // R1 = 12
    EXPECT_EQ(computeResistorOhms(4, 34756991u * 2u), 0);  // R1 = 0
}

}  // namespace
}  // namespace ryx
