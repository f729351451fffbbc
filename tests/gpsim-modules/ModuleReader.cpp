#include "ModuleReader.h"

#include "support/FileBytes.h"

#include <cstdlib>
#include <fstream>

namespace ryx::test {

bool moduleToolsAvailable() { return gpsimAvailable() && std::system("command -v gpasm >/dev/null 2>&1") == 0; }

PinRecording runModuleReader(const std::filesystem::path& directory, const PicChip& chip, const std::string& source,
                             const std::vector<std::uint8_t>& image, const std::string& wiring, std::uint64_t cycles) {
    writeFileBytes(directory / "image.bin", image);
    std::ofstream(directory / "reader.asm") << source;
    const std::string assemble = "cd '" + directory.string() + "' && gpasm -o reader.hex reader.asm > gpasm.out 2>&1";
    if (std::system(assemble.c_str()) != 0) {
        PinRecording failed;
        failed.output = "gpasm failed:\n" + readFileText(directory / "gpasm.out");
        return failed;
    }
    return runOnGpsim(directory, chip, readFileText(directory / "reader.hex"), cycles, {}, {},
                      "module lib " RYX_FLASH_MODULES "\n" + wiring);
}

}  // namespace ryx::test
