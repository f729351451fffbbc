#include "core/Encoder.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

// The resistor factor 5/11 as an extended-precision constant, rounded a hair low.
std::int32_t resistorFromExtendedPrecision(double constant, std::uint32_t rate) {
    const long double r1 = static_cast<long double>(static_cast<std::uint64_t>(constant / rate));
    return static_cast<std::int32_t>(r1 * 0.45454545454545450874L);
}

TEST(ResistorTest, WorkedExamples) {
    EXPECT_EQ(computeResistorOhms(16, 15625), 4506);   // R1 9915
    EXPECT_EQ(computeResistorOhms(16, 22050), 3193);   // R1 7026
    // R1 = 6512 is a multiple of 11: one below 5 * R1 / 11.
    EXPECT_EQ(computeResistorOhms(4, 34756991 / 6512), 2959);
}

TEST(ResistorTest, AllFinenessesAtCommonRatesMatchTheExtendedFactor) {
    if (sizeof(long double) < 10) GTEST_SKIP() << "no extended precision here";
    for (const FinenessEntry& entry : fineTable) {
        for (std::uint32_t rate : {1u, 8000u, 11025u, 15625u, 16000u, 22050u, 44100u, 48000u, 16777215u}) {
            EXPECT_EQ(computeResistorOhms(entry.fineness, rate),
                      resistorFromExtendedPrecision(entry.resistorConstant, rate))
                << entry.itemText << " at " << rate;
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
