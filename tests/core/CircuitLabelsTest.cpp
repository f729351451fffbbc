// The circuit's parts as the texts name them, and the output level.

#include "core/CircuitLabels.h"
#include "core/OutputLevel.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace ryx {
namespace {

TEST(CircuitLabels, ExactOhmsKeepTheirDigitsAtEveryScale) {
    struct Case {
        double ohms;
        std::string text;
    };
    // Whole ohms neither round a fraction of an ohm to 0 nor overflow.
    for (const Case& c : std::vector<Case>{{17607.6, "17608"},
                                            {100, "100"},
                                            {99.54, "99.54"},
                                            {0.140496, "0.1405"},
                                            {3.94e14, "394000000000000"},
                                            {1.2345e15, "1.234e+15"},
                                            {1e300, "1e+300"},
                                            {0, "0"},
                                            {std::numeric_limits<double>::quiet_NaN(), "0"}}) {
        EXPECT_EQ(exactOhmsText(c.ohms), c.text) << c.ohms;
    }
}

TEST(CircuitLabels, NameTheModelledPartsBesideTheExactValue) {
    auto state = test::makeStartedState();  // 1.5 bit, Ryx16, 15625 Hz: each 2R exact 9015 ohms
    struct Case {
        const char* parts;
        std::int8_t algorithmType;
        double loadOhms;
        CircuitLabels labels;
    };
    for (const Case& c : std::vector<Case>{
             {"exact", kAlgorithmOneAndHalfBit, 0, {"each 2R = 9015 ohms (exact; nearest E24 9.1k)", "C = 220nF", ""}},
             {"e12", kAlgorithmOneAndHalfBit, 10e3, {"each 2R = 8.2k (exact 9015) ohms", "C = 220nF", "load 10k ohms"}},
             {"e24", kAlgorithmOneBit, 0, {"R = 4.7k (exact 4508) ohms", "C = 220nF", ""}},
             {"10k,8.2k", kAlgorithmOneAndHalfBit, 0, {"2R = 10k at A, 8.2k at B (exact 9015) ohms", "C = 220nF", ""}}}) {
        SCOPED_TRACE(c.parts);
        state->encoder.algorithmType = c.algorithmType;
        state->circuitParts.resistors = parseCircuitParts(c.parts).value();
        state->circuitParts.loadOhms = c.loadOhms;
        const CircuitLabels labels = circuitLabels(*state);
        EXPECT_EQ(labels.resistors, c.labels.resistors);
        EXPECT_EQ(labels.capacitor, c.labels.capacitor);
        EXPECT_EQ(labels.load, c.labels.load);
    }
}

TEST(OutputLevel, IsTheSwingAtTheNodeOnAFiveVoltSupply) {
    // Half the scale up and down about the middle is a square wave of 1.25 V at 5 V.
    const std::vector<std::uint16_t> square{16384, 49152, 16384, 49152};
    EXPECT_NEAR(outputLevelOf(square, kSupplyVolts).rmsVolts, 1.25, 1e-12);
    EXPECT_NEAR(outputLevelOf(square, 2.5).rmsVolts, 0.625, 1e-12);
    EXPECT_EQ(outputLevelOf(std::vector<std::uint16_t>(9, 40000), kSupplyVolts).rmsVolts, 0.0);
    EXPECT_EQ(outputLevelOf({}, kSupplyVolts).rmsVolts, 0.0);

    struct Case {
        double rms;
        std::string text;
    };
    for (const Case& c : std::vector<Case>{{1.25, "1.25 V rms (+1.9 dBV) on a 5 V supply"},
                                            {0.21, "0.21 V rms (-13.6 dBV) on a 5 V supply"},
                                            {0.05, "0.050 V rms (-26.0 dBV) on a 5 V supply"},
                                            {0.0, "silent on a 5 V supply"}}) {
        EXPECT_EQ(outputLevelText({c.rms}), c.text);
    }
}

TEST(OutputLevel, ALoadDividesTheCircuitsSwing) {
    // A node that settles within each sample (10k into 10 pF at 8000 Hz)
    // follows the bits: its swing is half the scale, and a load of the
    // resistor's value halves the scale.
    auto state = test::makeStartedState();
    state->encoder.algorithmType = kAlgorithmOneBit;
    state->encoder.sampleRate = 8000;
    state->encoder.sampleCount = 1001;
    for (std::size_t i = 0; i < 1000; ++i) state->bitStream[i] = static_cast<std::uint8_t>(i % 2);
    CircuitParts parts;
    parts.resistors = parseCircuitParts("10k").value();
    parts.capacitanceFarads = 10e-12;
    EXPECT_NEAR(outputLevel(*state, FilterModelChoice::circuit, parts).rmsVolts, 2.5, 1e-3);
    parts.loadOhms = 10e3;
    EXPECT_NEAR(outputLevel(*state, FilterModelChoice::circuit, parts).rmsVolts, 1.25, 1e-3);
    // The state's own model gives the encoder's voltages: the start-up
    // silence is silent though its bits, never encoded, would replay as a fall.
    EXPECT_EQ(outputLevel(*state).rmsVolts, 0.0);
    EXPECT_GT(outputLevel(*state, FilterModelChoice::circuit, CircuitParts{}).rmsVolts, 0.05);
}

}  // namespace
}  // namespace ryx
