#include "core/DecoderModel.h"

#include "core/ProgramState.h"

#include <algorithm>

namespace ryx {

std::vector<std::uint16_t> replayVoltages(std::span<const std::uint8_t> bits, std::int8_t fineness,
                                          std::int8_t algorithmType) {
    const auto f = static_cast<std::uint32_t>(std::max<int>(fineness, 1));
    const bool oneAndHalf = algorithmType == kAlgorithmOneAndHalfBit;
    std::vector<std::uint16_t> voltages(bits.size());
    std::uint32_t v = kStartVoltage;
    std::uint32_t previousBit = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const std::uint32_t bit = bits[i] != 0 ? 1u : 0u;
        v = oneAndHalf ? nextVoltage<true>(v, previousBit, bit, f) : nextVoltage<false>(v, previousBit, bit, f);
        previousBit = bit;
        voltages[i] = static_cast<std::uint16_t>(v);
    }
    return voltages;
}

}  // namespace ryx
