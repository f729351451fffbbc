// The .asm a user gets assembles with gpasm on its own into exactly the bytes
// of the .hex the program writes itself.

#include "TestSound.h"

#include "firmware/PicProgram.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ryx {
namespace {

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProgramAssembles, GpasmMakesTheSameHex) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    test::TempDirectory directory;
    int checked = 0;
    for (const PicChip& chip : picChips()) {
        std::vector<PicProgramSettings> clocks{
            {&chip, 32768, false}, {&chip, 4000000, false}, {&chip, 20000000, false}};
        if (chip.internalClockHz != 0) {
            clocks.push_back({&chip, 0, false});
            clocks.push_back({&chip, chip.internalClockHz, false, PicOscillator::crystal});
        }
        for (const PicProgramSettings& clock : clocks) {
            for (const std::int8_t scheme : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
                PicProgramSettings settings = clock;
                settings.loop = (checked % 3) == 1;
                const std::uint32_t rate = (clock.clockHz != 0 ? clock.clockHz : chip.internalClockHz) / 400;
                // 5003 samples: 625 table bytes over three blocks, the last one short.
                auto state = test::makeEncodedSound(5003, rate, scheme);
                const std::string name = std::string(chip.processor) + "-" + std::to_string(checked);
                SCOPED_TRACE(name + " clock " + std::to_string(clock.clockHz) +
                             (clock.oscillator == PicOscillator::crystal ? " crystal" : " internal") +
                             (settings.loop ? " looping" : ""));
                ASSERT_TRUE(writePicAssembler(*state, settings, directory / (name + ".asm")));
                ASSERT_TRUE(writePicHex(*state, settings, directory / (name + ".hex")));
                const std::string command = "cd '" + directory.path().string() + "' && gpasm -o " + name +
                                            "-gpasm.hex " + name + ".asm > " + name + ".out 2>&1";
                ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / (name + ".out"));
                EXPECT_EQ(readText(directory / (name + ".out")), "") << "gpasm had something to say";
                ASSERT_EQ(readText(directory / (name + ".hex")), readText(directory / (name + "-gpasm.hex")));
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 62);
}

}  // namespace
}  // namespace ryx
