#pragma once
// Quality figures for the sound in memory under any setting, without
// touching what the program shows: the comparison table of all sixteen
// scheme and fineness pairs and the automatic choice of a fineness.

#include "core/ProgramState.h"
#include "core/QualityFigures.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ryx {

struct SettingFigures {
    std::int8_t algorithmType;
    std::int8_t fineness;
    QualityFigures figures;
};

// Encodes copies of one sound with any setting.
class TrialEncoder {
public:
    explicit TrialEncoder(const ProgramState& source);
    ~TrialEncoder();
    TrialEncoder(const TrialEncoder&) = delete;
    TrialEncoder& operator=(const TrialEncoder&) = delete;

    QualityFigures measure(std::int8_t algorithmType, std::int8_t fineness, EncoderChoice choice);

private:
    std::unique_ptr<ProgramState> scratch_;
    std::unique_ptr<QualityMeter> meter_;
};

// The figures of the bits the state holds now.
QualityFigures measureEncoded(const ProgramState& state);

// Sixteen rows: "1 bit" then "1.5 bit", each with the finenesses in list order.
std::vector<SettingFigures> compareSettings(const ProgramState& state, EncoderChoice choice);

// The row with the best low-passed SNR; ties go to the later row (the larger fineness).
std::size_t bestSetting(std::span<const SettingFigures> rows);

// The fineness with the best low-passed SNR under the state's scheme; ties to the larger.
std::int8_t chooseFineness(const ProgramState& state, EncoderChoice choice);

}  // namespace ryx
