#include "core/CircuitModel.h"
#include "core/CircuitParts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ryx {
namespace {

struct ValueCase {
    std::string text;
    double expected;  // 0: the text must be refused
};

void expectParses(Result<double> (*parse)(std::string_view), const std::vector<ValueCase>& cases) {
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Result<double> value = parse(c.text);
        if (c.expected == 0) {
            EXPECT_FALSE(value.ok());
            EXPECT_NE(value.error().find(c.text), std::string::npos) << value.error();
        } else {
            ASSERT_TRUE(value.ok()) << value.error();
            EXPECT_NEAR(*value, c.expected, c.expected * 1e-12);
        }
    }
}

TEST(CircuitParts, ReadsCapacitancesWithAndWithoutUnits) {
    expectParses(parseCapacitance, {{"0.22u", 0.22e-6}, {"220n", 220e-9}, {"220nF", 220e-9}, {"0.22µF", 0.22e-6},
                                    {"2.2e-7", 2.2e-7}, {"1m", 1e-3}, {"47p", 47e-12},
                                    {"", 0}, {"u", 0}, {"220x", 0}, {"-1u", 0}, {"0n", 0}, {"2", 0}, {"nan", 0},
                                    // Only what can be bought: 10 pF to 10 mF.
                                    {"10p", 10e-12}, {"10m", 10e-3}, {"9.9p", 0}, {"10.1m", 0}, {"1", 0},
                                    {"1e-300", 0}, {"5e-324", 0}});
}

TEST(CircuitParts, ReadsResistancesAndLoads) {
    expectParses(parseOhms, {{"4700", 4700}, {"4.7k", 4700}, {"4.7K", 4700}, {"1M", 1e6}, {"10k", 1e4},
                             {"k", 0}, {"0", 0}, {"-10", 0}, {"10 k", 0}, {"1e13", 0}, {"inf", 0},
                             // Only what can be bought: 1 ohm to 100M.
                             {"1", 1}, {"100M", 1e8}, {"0.99", 0}, {"100.1M", 0}, {"5e-324", 0}, {"1e9k", 0},
                             {"1e-300", 0}, {"0.001", 0}});
    expectParses(parseLoad, {{"10k", 1e4}, {"x", 0}, {"5e-324", 0}, {"1G", 0}});
    // The reason names the range.
    EXPECT_NE(parseOhms("0.5").error().find("1 to 100M ohms"), std::string::npos);
    EXPECT_NE(parseCapacitance("1").error().find("10pF to 10mF"), std::string::npos);
    EXPECT_EQ(parseLoad("none").value(), 0.0);
}

TEST(CircuitParts, ReadsTheResistorChoices) {
    struct Case {
        std::string text;
        ResistorSeries series;
        double a, b;
    };
    for (const Case& c : std::vector<Case>{{"exact", ResistorSeries::exact, 0, 0},
                                            {"E12", ResistorSeries::e12, 0, 0},
                                            {"e24", ResistorSeries::e24, 0, 0},
                                            {"3.3k", ResistorSeries::given, 3300, 0},
                                            {"9100,10k", ResistorSeries::given, 9100, 10000}}) {
        SCOPED_TRACE(c.text);
        const auto parts = parseCircuitParts(c.text);
        ASSERT_TRUE(parts.ok()) << parts.error();
        EXPECT_EQ(parts->series, c.series);
        EXPECT_EQ(parts->givenOhms[0], c.a);
        EXPECT_EQ(parts->givenOhms[1], c.b);
    }
    for (const std::string bad : {"e6", "", "4k7", "1k,", ",1k", "1k,2k,3k"}) {
        EXPECT_FALSE(parseCircuitParts(bad).ok()) << bad;
    }
}

TEST(CircuitParts, FormattedTextsReadBack) {
    for (const double ohms : {4700.0, 4506.3, 390.0, 1e6, 10000.0, 2.2}) {
        const std::string text = formatOhms(ohms);
        EXPECT_NEAR(parseOhms(text).value(), ohms, ohms * 5e-4) << text;
    }
    EXPECT_EQ(formatOhms(4700), "4.7k");
    EXPECT_EQ(formatCapacitance(0.22e-6), "220n");
    EXPECT_EQ(formatCapacitance(1e-6), "1u");
    for (const std::string text : {"exact", "e12", "e24", "3.3k", "9.1k,10k"}) {
        EXPECT_EQ(formatCircuitParts(parseCircuitParts(text).value()), text);
    }
}

TEST(CircuitParts, SeriesRoundingIsByRatioAcrossDecades) {
    struct Case {
        double ohms;
        double e12;
        double e24;
    };
    // 9012: 8.2k is nearer by ratio than 10k although 10k is nearer in ohms.
    for (const Case& c : std::vector<Case>{{4506, 4700, 4700}, {9012, 8200, 9100}, {9600, 10000, 10000},
                                            {95, 100, 91}, {1.0, 1.0, 1.0}, {1040, 1000, 1000}, {1160, 1200, 1200},
                                            {1140, 1200, 1100}}) {
        SCOPED_TRACE(c.ohms);
        EXPECT_DOUBLE_EQ(roundToSeries(c.ohms, ResistorSeries::e12), c.e12);
        EXPECT_DOUBLE_EQ(roundToSeries(c.ohms, ResistorSeries::e24), c.e24);
    }
}

}  // namespace
}  // namespace ryx
