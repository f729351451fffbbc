#include "firmware/PlayerSerialRead.h"

#include "firmware/MemoryImage.h"
#include "firmware/MemoryReadSteps.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {

bool serialMemoryPlayable(const PlayerSettings& s) {
    if (s.memory == nullptr) return false;
    // A memory whose reads stop at its 64 KiB blocks: a single play reads on
    // into the second block; a loop's and a routine's sounds each lie within
    // one (see ImagePlacement), their reads naming the entry's block.
    const bool blocks = s.memory->blockBytes < s.memory->sizeBytes;
    if (s.loop && s.tableReads < 2) return false;  // the new read goes over a last byte after the first
    if (blocks && s.memory->blockBytes != 64 * 1024) return false;
    const bool bus = s.memory->bus == MemoryBus::i2c ? s.memory->sizeBytes <= 128 * 1024
                                                     : s.memory->addressBytes == 3;
    return bus && s.clockHz != 0 && s.bank.size() <= kMaxImageSounds;
}

std::unique_ptr<const PlayerTableRead> serialMemoryRead(const PlayerSettings& settings) {
    if (!serialMemoryPlayable(settings)) throw std::invalid_argument("no serial memory player for these settings");
    if (settings.memory->bus == MemoryBus::spi) return memory_read::spiStreamRead(settings);
    return memory_read::i2cStreamRead(settings);
}

std::uint32_t serialMemoryMinCycles(const PlayerSettings& settings) {
    PlayerSettings probe = settings;
    probe.tableReads = settings.loop ? 2 : 1;
    const PlayerRamp ramp = playerRamp(settings.clockHz, settings.twoPins, false);
    PlayerWriter draft(probe, ramp, nullptr);
    const PicAssembly code = draft.build();
    // A sample within a byte holds SCL low for the rest of it.
    const bool i2c = settings.memory->bus == MemoryBus::i2c;
    const std::uint32_t low =
        cyclesAtLeast(i2c ? settings.memory->i2c.clockLowNs : settings.memory->spi.clockLowNs, settings.clockHz);
    const std::uint32_t high =
        cyclesAtLeast(i2c ? settings.memory->i2c.clockHighNs : settings.memory->spi.clockHighNs, settings.clockHz);
    return std::max(draft.longestWaitPath(draft.measure(code)), low + std::max<std::uint32_t>(high, 5));
}

}  // namespace ryx
