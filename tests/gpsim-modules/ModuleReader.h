#pragma once
// Runs a small PIC reader program against one of our memory modules.

#include "GpsimRun.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ryx::test {

bool moduleToolsAvailable();  // gpsim and gpasm

// Writes `image` as image.bin in `directory`, assembles `source` with gpasm
// and runs it for `cycles` cycles with our module library loaded, then the
// `wiring` commands (the module, its image.bin, pull-ups, attachments). A
// failed assembly comes back as a recording that never reached its end.
PinRecording runModuleReader(const std::filesystem::path& directory, const PicChip& chip, const std::string& source,
                             const std::vector<std::uint8_t>& image, const std::string& wiring, std::uint64_t cycles);

}  // namespace ryx::test
