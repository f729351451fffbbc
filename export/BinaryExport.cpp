#include "export/BinaryExport.h"

#include "io/AtomicFileWriter.h"
#include "export/BitPacking.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ryx {

Result<> exportBinary(const ProgramState& state, const OutputTarget& target) {
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;

    // The encoder gives bits to sampleCount - 1 samples; only whole bytes of them.
    const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
    const std::uint32_t byteCount = count == 0 ? 0 : (count - 1) / 8;
    const std::uint8_t* bits = state.bitStream.data();

    // The whole largest sound packs into 32812 bytes: one block, one write.
    std::array<std::uint8_t, kMaxSamples / 8> packed;
    for (std::uint32_t k = 0; k < byteCount; ++k) packed[k] = packEightBits(bits + 8 * k);
    writer.write(packed.data(), byteCount);
    return writer.commit();
}

}  // namespace ryx
