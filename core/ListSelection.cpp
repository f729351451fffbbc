#include "core/ListSelection.h"

namespace ryx {

std::string_view finenessItemText(std::int8_t fineness) {
    for (const FinenessEntry& entry : fineTable) {
        if (entry.fineness == fineness) return entry.itemText;
    }
    return {};
}

std::string_view schemeItemText(std::int8_t algorithmType) {
    for (const SchemeEntry& entry : schemeTable) {
        if (entry.algorithmType == algorithmType) return entry.itemText;
    }
    return {};
}

void selectFineness(ProgramState& state, std::string_view itemText) {
    state.encoder.fineness = 16;
    for (const FinenessEntry& entry : fineTable) {
        if (itemText == entry.itemText) state.encoder.fineness = entry.fineness;
    }
    encodeSound(state);
}

void selectAlgorithmType(ProgramState& state, std::string_view itemText) {
    const bool oneAndHalf = itemText.size() >= 2 && itemText[1] == '.';
    state.encoder.algorithmType = oneAndHalf ? kAlgorithmOneAndHalfBit : kAlgorithmOneBit;
    encodeSound(state);
}

}  // namespace ryx
