// The circuit model against ngspice: the bits drive the real netlist (pins as
// 0/5 V sources with 20 ns edges), and the node at the end of each sample
// must be the model's within 1 of 256.

#include "core/CircuitEncoder.h"
#include "core/CircuitModel.h"

#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ryx {
namespace {

constexpr double kSupply = 5.0;
constexpr double kEdge = 20e-9;
constexpr std::uint32_t kRate = 15625;

// A source whose level over sample i is pins[i] (0 or 1) times the supply.
std::string pinSource(const std::string& name, const std::string& node, const std::vector<int>& pins) {
    const double period = 1.0 / kRate;
    std::ostringstream out;
    out.precision(12);
    out << name << " " << node << " 0 PWL(0 " << pins[0] * kSupply << "\n";
    for (std::size_t i = 1; i < pins.size(); ++i) {
        if (pins[i] == pins[i - 1]) continue;
        const double start = static_cast<double>(i) * period;
        out << "+ " << start << " " << pins[i - 1] * kSupply << " " << start + kEdge << " "
            << pins[i] * kSupply << "\n";
    }
    out << "+ )\n";
    return out.str();
}

struct Netlist {
    std::int8_t algorithmType;
    double loadOhms;
};

// Writes the netlist, runs ngspice and reads the node's time and voltage columns.
std::vector<std::pair<double, double>> simulate(const test::TempDirectory& folder, const Netlist& netlist,
                                                const CircuitParts& parts, std::span<const std::uint8_t> bits) {
    const CircuitResistors resistors = circuitResistors(parts, netlist.algorithmType, 16, kRate);
    std::vector<int> pinA(bits.begin(), bits.end());
    std::vector<int> pinB{0};
    pinB.insert(pinB.end(), bits.begin(), bits.end() - 1);
    const double pins = 1 / resistors.values[0].boughtOhms +
                        (resistors.count == 2 ? 1 / resistors.values[1].boughtOhms : 0);
    const double high = kSupply * pins / (pins + (netlist.loadOhms > 0 ? 1 / netlist.loadOhms : 0));
    const double period = 1.0 / kRate;
    std::ofstream net(folder / "net.cir");
    net.precision(12);
    net << "ryx filter\n" << pinSource("VA", "a", pinA) << "RA a n " << resistors.values[0].boughtOhms << "\n";
    if (resistors.count == 2) net << pinSource("VB", "b", pinB) << "RB b n " << resistors.values[1].boughtOhms << "\n";
    net << "C1 n 0 " << parts.capacitanceFarads << " IC=" << kCircuitStartLevel * high << "\n";
    if (netlist.loadOhms > 0) net << "RL n 0 " << netlist.loadOhms << "\n";
    net << ".tran " << period / 50 << " " << static_cast<double>(bits.size()) * period << " 0 " << period / 50 << " uic\n"
        << ".control\nrun\nwrdata out.txt v(n)\n.endc\n.end\n";
    net.close();
    const std::string command = "cd '" + folder.path().string() + "' && ngspice -b net.cir > log.txt 2>&1";
    // ngspice 39 exits with 1 even after a good run: the data file tells.
    [[maybe_unused]] const int status = std::system(command.c_str());
    std::ifstream in(folder / "out.txt");
    std::vector<std::pair<double, double>> points;
    double time = 0;
    double volts = 0;
    while (in >> time >> volts) points.emplace_back(time, volts / high);
    return points;
}

// The level at time t, linear between the simulator's points.
double levelAt(const std::vector<std::pair<double, double>>& points, double t) {
    const auto after = std::lower_bound(points.begin(), points.end(), std::pair{t, -1e300});
    if (after == points.begin()) return after->second;
    if (after == points.end()) return points.back().second;
    const auto before = after - 1;
    return before->second + (after->second - before->second) * (t - before->first) / (after->first - before->first);
}

TEST(CircuitSpice, NodeAtEachSampleEndIsTheModels) {
    if (std::system("ngspice --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ngspice is not installed";
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 300; ++i) samples.push_back(static_cast<std::uint8_t>(128 + 110 * std::sin(i * 0.05)));
    CircuitParts parts;
    parts.resistors.series = ResistorSeries::e12;
    for (const Netlist netlist : {Netlist{kAlgorithmOneBit, 0}, Netlist{kAlgorithmOneBit, 10000},
                                  Netlist{kAlgorithmOneAndHalfBit, 0}, Netlist{kAlgorithmOneAndHalfBit, 10000}}) {
        SCOPED_TRACE(testing::Message() << "scheme " << int{netlist.algorithmType} << ", load " << netlist.loadOhms);
        parts.loadOhms = netlist.loadOhms;
        const CircuitStep step = makeCircuitStep(parts, netlist.algorithmType, 16, kRate);
        std::vector<std::uint8_t> bits(samples.size());
        std::vector<std::uint8_t> decoded(samples.size());
        encodeGreedyThroughCircuit(samples, netlist.algorithmType, step, bits, decoded);
        const std::vector<double> model = replayCircuitLevels(bits, step);

        test::TempDirectory folder;
        const auto points = simulate(folder, netlist, parts, bits);
        ASSERT_GT(points.size(), bits.size()) << "ngspice gave no output in " << folder.path();
        double worst = 0;
        for (std::size_t i = 0; i < bits.size(); ++i) {
            worst = std::max(worst, std::abs(levelAt(points, static_cast<double>(i + 1) / kRate) - model[i]));
        }
        RecordProperty("worstLsb", std::to_string(worst * 256));
        EXPECT_LT(worst * 256, 1.0);
    }
}

}  // namespace
}  // namespace ryx
