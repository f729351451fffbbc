#include "core/CircuitParts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ryx {
namespace {

struct UnitPrefix {
    std::string_view symbol;
    double factor;
};

// Largest first: formatting takes the first prefix the value reaches; the
// prefixes past the count to format are only read.
constexpr std::array<UnitPrefix, 4> kOhmPrefixes{{{"M", 1e6}, {"k", 1e3}, {"", 1.0}, {"K", 1e3}}};
constexpr std::size_t kOhmPrefixesToFormat = 3;
constexpr std::array<UnitPrefix, 6> kFaradPrefixes{
    {{"m", 1e-3}, {"u", 1e-6}, {"n", 1e-9}, {"p", 1e-12}, {"µ", 1e-6}, {"", 1.0}}};
constexpr std::size_t kFaradPrefixesToFormat = 4;
constexpr std::string_view kOhmsRange = "1 to 100M ohms";
constexpr std::string_view kFaradsRange = "10pF to 10mF";

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

// A number followed by one of the prefixes (or none), in [minimum, maximum].
template <std::size_t kCount>
Result<double> parseWithPrefix(std::string_view text, const std::array<UnitPrefix, kCount>& prefixes,
                               std::string_view what, double minimum, double maximum, std::string_view range) {
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    const std::string_view rest(end, static_cast<std::size_t>(text.data() + text.size() - end));
    if (error != std::errc{} || text.empty()) {
        return Result<double>::failure("not a " + std::string(what) + ": \"" + std::string(text) + "\"");
    }
    const auto prefix = std::find_if(prefixes.begin(), prefixes.end(),
                                     [rest](const UnitPrefix& p) { return p.symbol == rest; });
    if (prefix == prefixes.end()) {
        return Result<double>::failure("unknown unit \"" + std::string(rest) + "\" in " + std::string(what) + " \"" +
                                       std::string(text) + "\"");
    }
    const double value = number * prefix->factor;
    if (!(value >= minimum * (1 - 1e-12)) || !(value <= maximum * (1 + 1e-12))) {
        return Result<double>::failure(std::string(what) + " \"" + std::string(text) + "\" is not from " +
                                       std::string(range));
    }
    return value;
}

template <std::size_t kCount>
std::string formatWithPrefix(double value, const std::array<UnitPrefix, kCount>& prefixes, std::size_t count) {
    std::size_t chosen = count - 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (value >= prefixes[i].factor * (1 - 1e-12)) {
            chosen = i;
            break;
        }
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value / prefixes[chosen].factor,
                                      std::chars_format::general, 4);
    return std::string(buffer.data(), result.ptr) + std::string(prefixes[chosen].symbol);
}

}  // namespace

Result<double> parseOhms(std::string_view text) {
    return parseWithPrefix(text, kOhmPrefixes, "resistance", kMinPartOhms, kMaxPartOhms, kOhmsRange);
}

Result<double> parseLoad(std::string_view text) {
    if (lowerCase(text) == "none") return 0.0;
    return parseOhms(text);
}

Result<double> parseCapacitance(std::string_view text) {
    if (!text.empty() && (text.back() == 'F' || text.back() == 'f')) text.remove_suffix(1);
    return parseWithPrefix(text, kFaradPrefixes, "capacitance", kMinPartFarads, kMaxPartFarads, kFaradsRange);
}

Result<ResistorParts> parseCircuitParts(std::string_view text) {
    const std::string lower = lowerCase(text);
    if (lower == "exact") return ResistorParts{ResistorSeries::exact, {}};
    if (lower == "e12") return ResistorParts{ResistorSeries::e12, {}};
    if (lower == "e24") return ResistorParts{ResistorSeries::e24, {}};
    ResistorParts parts{ResistorSeries::given, {}};
    const std::size_t comma = text.find(',');
    const auto first = parseOhms(text.substr(0, comma));
    if (!first.ok()) return first.failureDetail();
    parts.givenOhms[0] = *first;
    if (comma != std::string_view::npos) {
        const auto second = parseOhms(text.substr(comma + 1));
        if (!second.ok()) return second.failureDetail();
        parts.givenOhms[1] = *second;
    }
    return parts;
}

std::string formatOhms(double ohms) { return formatWithPrefix(ohms, kOhmPrefixes, kOhmPrefixesToFormat); }

std::string formatCapacitance(double farads) {
    return formatWithPrefix(farads, kFaradPrefixes, kFaradPrefixesToFormat);
}

std::string formatCircuitParts(const ResistorParts& parts) {
    switch (parts.series) {
    case ResistorSeries::exact: return "exact";
    case ResistorSeries::e12: return "e12";
    case ResistorSeries::e24: return "e24";
    case ResistorSeries::given: break;
    }
    std::string text = formatOhms(parts.givenOhms[0]);
    if (parts.givenOhms[1] > 0) text += "," + formatOhms(parts.givenOhms[1]);
    return text;
}

}  // namespace ryx
