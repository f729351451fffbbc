// Program memory past 64 KiB: gpasm, given the same words at the same
// addresses on a PIC18 part, writes exactly the Intel HEX the program writes.

#include "HexSegmentCases.h"

#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// org takes byte addresses on a PIC18; warning 220 (beyond the chip's flash)
// is the config space, where these words belong.
std::string sourceFor(const std::vector<ProgramWords>& runs) {
    std::string source = "        list p=18f8722, r=dec\n        errorlevel -220\n";
    char line[48];
    for (const ProgramWords& run : runs) {
        std::snprintf(line, sizeof line, "        org 0x%X\n", 2 * run.address);
        source += line;
        for (std::uint16_t word : run.words) {
            std::snprintf(line, sizeof line, "        dw 0x%04X\n", word);
            source += line;
        }
    }
    return source + "        end\n";
}

TEST(HexSegmentsAssemble, GpasmWritesTheSameRecords) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    test::TempDirectory directory;
    int index = 0;
    for (const test::HexSegmentCase& c : test::hexSegmentCases()) {
        SCOPED_TRACE(c.name);
        const std::string name = "segments-" + std::to_string(index++);
        std::ofstream(directory / (name + ".asm")) << sourceFor(c.runs);
        const std::string command = "cd '" + directory.path().string() + "' && gpasm -o " + name + ".hex " + name +
                                    ".asm > " + name + ".out 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / (name + ".out"));
        EXPECT_EQ(readText(directory / (name + ".out")), "") << "gpasm had something to say";
        EXPECT_EQ(formatIntelHex(c.runs), readText(directory / (name + ".hex")));
    }
}

}  // namespace
}  // namespace ryx
