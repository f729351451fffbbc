#include "core/DecoderModel.h"
#include "core/LowPass.h"
#include "core/QualityFigures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace ryx {
namespace {

constexpr std::uint32_t kRate = 8000;

struct Trace {
    std::vector<std::uint8_t> original;
    std::vector<std::uint16_t> voltages;
    std::vector<std::uint8_t> bits;
};

// A sine of the given amplitude (in sample steps) and a modelled output that
// misses it by errorOf(i) sample steps.
template <typename ErrorOf>
Trace sineWithError(double amplitude, double frequency, std::size_t count, const ErrorOf& errorOf) {
    Trace trace;
    for (std::size_t i = 0; i < count; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / kRate;
        const auto sample = static_cast<std::uint8_t>(std::lround(128.0 + amplitude * std::sin(phase)));
        trace.original.push_back(sample);
        const double voltage = targetVoltage(sample) - 128.0 * errorOf(i);
        trace.voltages.push_back(static_cast<std::uint16_t>(std::lround(voltage)));
        trace.bits.push_back(static_cast<std::uint8_t>(i % 2));  // never three alike
    }
    return trace;
}

QualityFigures measure(const Trace& trace) {
    return measureQuality(trace.original, trace.voltages, trace.bits, kRate);
}

TEST(QualityFigures, SineAgainstAKnownError) {
    // A sine of amplitude 100 (power 5000) against known errors; one second.
    const std::size_t count = kRate;
    struct Case {
        const char* name;
        double (*errorOf)(std::size_t);
        double expectedDb;
        double expectedLowPassDb;  // 0: at least 40 dB, the error is filtered away
    };
    const Case cases[] = {
        {"sine error of amplitude 10 in the pass band: 20 dB",
         [](std::size_t i) { return 10.0 * std::sin(2 * std::numbers::pi * 300.0 * static_cast<double>(i) / kRate); },
         20.0, 20.0},
        {"constant error of 5: 23 dB", [](std::size_t) { return 5.0; }, 10 * std::log10(5000.0 / 25.0),
         10 * std::log10(5000.0 / 25.0)},
        {"error of 10 alternating at half the rate", [](std::size_t i) { return i % 2 == 0 ? 10.0 : -10.0; },
         10 * std::log10(5000.0 / 100.0), 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QualityFigures figures = measure(sineWithError(100.0, 440.0, count, c.errorOf));
        EXPECT_NEAR(figures.snrDb, c.expectedDb, 0.05);
        EXPECT_NEAR(figures.segmentalSnrDb, c.expectedDb, 0.1);
        if (c.expectedLowPassDb != 0.0) {
            EXPECT_NEAR(figures.lowPassSnrDb, c.expectedLowPassDb, 0.05);
            EXPECT_NEAR(figures.lowPassSegmentalSnrDb, c.expectedLowPassDb, 0.1);
        } else {
            EXPECT_GT(figures.lowPassSnrDb, 40.0);
            EXPECT_NEAR(figures.lowPassSegmentalSnrDb, 35.0, 0.5);
        }
        EXPECT_EQ(figures.overloadShare, 0.0);
    }
}

TEST(QualityFigures, SegmentsAreClampedAndQuietOnesSkipped) {
    const std::size_t segment = kRate / 50;
    struct Case {
        const char* name;
        double errorSteps;
        double expectedSegmentalDb;
    };
    const Case cases[] = {
        {"no error: the ceiling", 0.0, 35.0},
        {"error larger than the sound: the floor", 300.0, -10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Trace trace = sineWithError(50.0, 440.0, 10 * segment, [&](std::size_t) { return c.errorSteps; });
        EXPECT_NEAR(measure(trace).segmentalSnrDb, c.expectedSegmentalDb, 1e-9);
    }

    // Half loud with a 3-step error, half almost silent (more than 40 dB down)
    // with a large error: only the loud half counts in the segmental figure.
    Trace trace = sineWithError(100.0, 440.0, 10 * segment, [](std::size_t) { return 3.0; });
    for (std::size_t i = 0; i < 10 * segment; ++i) {
        const std::uint8_t sample = i % 400 == 0 ? 129 : 128;
        trace.original.push_back(sample);
        trace.voltages.push_back(static_cast<std::uint16_t>(targetVoltage(sample) - 128 * 20));
        trace.bits.push_back(static_cast<std::uint8_t>(i % 2));
    }
    const QualityFigures figures = measure(trace);
    EXPECT_NEAR(figures.segmentalSnrDb, 10 * std::log10(5000.0 / 9.0), 0.05);  // 100²/2 against 3²
    EXPECT_NEAR(figures.snrDb, 10 * std::log10(5000.0 / 409.0), 0.05);  // the quiet error counts here
}

TEST(QualityFigures, SlopeOverloadNeedsThreeEqualBitsAndMoreThanEightStepsToGo) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bits;
        std::int32_t behind;  // voltage units still to go at the last sample, toward the bits' direction
        double expectedShare;
    };
    const Case cases[] = {
        {"rising, 2049 below", {1, 1, 1}, 2049, 1.0 / 3},
        {"rising, exactly 2048 below", {1, 1, 1}, 2048, 0.0},
        {"falling, 2049 above", {0, 0, 0}, 2049, 1.0 / 3},
        {"only two alike", {0, 1, 1}, 5000, 0.0},
        {"three alike, but past the target", {1, 1, 1}, -5000, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint8_t sample = 128;
        const std::int32_t direction = c.bits.back() != 0 ? -1 : 1;
        const auto far = static_cast<std::uint16_t>(std::int32_t(targetVoltage(sample)) + direction * c.behind);
        const std::vector<std::uint8_t> original(3, sample);
        const std::vector<std::uint16_t> voltages{static_cast<std::uint16_t>(targetVoltage(sample)),
                                                  static_cast<std::uint16_t>(targetVoltage(sample)), far};
        EXPECT_DOUBLE_EQ(measureQuality(original, voltages, c.bits, kRate).overloadShare, c.expectedShare);
    }
}

TEST(QualityFigures, LowPassHasUnitGainAndHalfAmplitudeAtTheCutOff) {
    const auto taps = lowPassTaps();
    double sum = 0;
    std::complex<double> atCutOff = 0;
    double atHalfRate = 0;
    const double half = static_cast<double>(taps.size() / 2);
    for (std::size_t k = 0; k < taps.size(); ++k) {
        const double offset = static_cast<double>(k) - half;
        sum += taps[k];
        atCutOff += static_cast<double>(taps[k]) * std::polar(1.0, 2 * std::numbers::pi * 0.45 * offset);
        atHalfRate += taps[k] * std::cos(std::numbers::pi * offset);
    }
    EXPECT_NEAR(sum, 1.0, 1e-6);
    EXPECT_NEAR(std::abs(atCutOff), 0.5, 0.01);
    EXPECT_LT(std::abs(atHalfRate), 1e-3);
}

}  // namespace
}  // namespace ryx
