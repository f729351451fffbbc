#include "core/ListSelection.h"

#include "core/Encoder.h"

namespace ryx {

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
