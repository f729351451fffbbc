#pragma once
// The quality figures as ryxenc prints them: one line per sound, or the
// table of all sixteen settings.

#include "core/ProgramState.h"
#include "core/QualityFigures.h"
#include "core/SettingComparison.h"

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace ryx::cli {

// "NAME: SNR 4.10 dB, segmental SNR ..., slope overload 1.2 %", then ",
// output " and the output level and "; " and the model, each when given.
void printQualityLine(std::ostream& out, const std::string& input, const QualityFigures& figures,
                      std::string_view model = {}, std::string_view level = {});

// A heading, then one row per setting with the best marked; under the circuit
// model the heading names the parts and each row the resistors to buy.
void printComparison(std::ostream& out, const std::string& input, const ProgramState& state, EncoderChoice choice,
                     std::span<const SettingFigures> rows);

}  // namespace ryx::cli
