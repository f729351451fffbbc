#pragma once
// How a serial memory meets a chip: its pins by role, the header's wiring
// line, and whether the pins leave the program's trigger pins and crystal free.

#include "core/Result.h"
#include "firmware/PicChip.h"
#include "firmware/PlayTrigger.h"
#include "firmware/SerialMemory.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

struct MemoryPinRole {
    std::string_view role;  // "SCL", "SDA"; "CS", "SCK", "SI", "SO"
    const MemoryPin* pin;
};

// The bus's pins in that order.
std::vector<MemoryPinRole> memoryPinRoles(const PicChip& chip, MemoryBus bus);

// "; External   24LC256: SCL RA0 (pin 17), SDA RA1 (pin 18), 4.7k pull-ups"
std::string externalMemoryLine(const PicChip& chip, const SerialMemory& memory);

// Whether the bus's pins are the chip's serial port's own, so that the port
// can run the bus (an I2C bus needs a master port).
bool memoryOnSerialPort(const PicChip& chip, MemoryBus bus);

// Says which pins the program's trigger pins (the first soundCount of them,
// or all for select) or a crystal need that the memory takes.
Result<> checkMemoryPins(const PicChip& chip, const SerialMemory& memory, PlayTrigger trigger,
                         std::size_t soundCount, PicOscillator oscillator);

}  // namespace ryx
