#include "cli/QualityReport.h"

#include "cli/CircuitText.h"
#include "core/ListSelection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ryx::cli {
namespace {

// The "to buy" column, its two leading spaces included, is padded to this before "  best".
constexpr std::size_t kToBuyColumnWidth = 13;

std::string decibels(double value, int width) {
    if (std::fabs(value) < 0.005) value = 0.0;  // no "-0.00"
    char text[32];
    std::snprintf(text, sizeof text, "%*.2f", width, value);
    return text;
}

std::string percent(double share, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*.1f %%", width, 100.0 * share);
    return text;
}

}  // namespace

void printQualityLine(std::ostream& out, const std::string& input, const QualityFigures& figures,
                      std::string_view model, std::string_view level) {
    out << input << ": SNR " << decibels(figures.snrDb, 0) << " dB, segmental SNR "
        << decibels(figures.segmentalSnrDb, 0) << " dB, low-passed SNR " << decibels(figures.lowPassSnrDb, 0)
        << " dB, low-passed segmental SNR " << decibels(figures.lowPassSegmentalSnrDb, 0)
        << " dB, slope overload " << percent(figures.overloadShare, 0);
    if (!level.empty()) out << ", output " << level;
    if (!model.empty()) out << "; " << model;
    out << '\n';
}

void printComparison(std::ostream& out, const std::string& input, const ProgramState& state, EncoderChoice choice,
                     std::span<const SettingFigures> rows) {
    const bool circuit = state.filterModel == FilterModelChoice::circuit;
    out << input << ": " << state.encoder.sampleCount << " samples, " << state.encoder.sampleRate << " Hz, "
        << (choice == EncoderChoice::optimal ? "optimal" : "greedy") << " encoder"
        << (circuit ? ", " + circuitPartsText(state.circuitParts) : std::string()) << "; figures in dB\n";
    out << "  scheme   fineness      SNR  seg SNR   LP SNR   LP seg  overload" << (circuit ? "  to buy" : "")
        << '\n';
    const std::size_t best = bestSetting(rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SettingFigures& row = rows[i];
        char head[32];
        std::snprintf(head, sizeof head, "  %-8s %-8s", std::string(schemeItemText(row.algorithmType)).c_str(),
                      std::string(finenessItemText(row.fineness)).c_str());
        out << head << decibels(row.figures.snrDb, 9) << decibels(row.figures.segmentalSnrDb, 9)
            << decibels(row.figures.lowPassSnrDb, 9) << decibels(row.figures.lowPassSegmentalSnrDb, 9)
            << percent(row.figures.overloadShare, 8);
        std::string tail;
        if (circuit) {
            tail = "  " + resistorsToBuyText(state.circuitParts, row.algorithmType, row.fineness,
                                             state.encoder.sampleRate);
            if (i == best) tail.resize(std::max(tail.size(), kToBuyColumnWidth), ' ');
        }
        out << tail << (i == best ? "  best" : "") << '\n';
    }
}

}  // namespace ryx::cli
