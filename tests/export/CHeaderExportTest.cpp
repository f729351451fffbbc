// The C header: names as C wants them, and a C compiler at its strictest
// reads back exactly the binary export's bytes, one sound or a bank.

#include "export/BinaryExport.h"
#include "export/CHeaderExport.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace ryx {
namespace {

TEST(CHeaderExport, NamesAreCIdentifiers) {
    const std::pair<const char*, const char*> derived[] = {
        {"door chime", "door_chime"}, {"8bit", "sound_8bit"}, {"", "sound"},          {"---", "sound"},
        {"int", "int_sound"},         {"h\xC3\xA9llo", "h__llo"}, {"Door_2", "Door_2"}};
    for (const auto& [base, name] : derived) EXPECT_EQ(cIdentifierFor(base), name) << base;
    for (const char* bad : {"", "9a", "static", "a-b", "a b", "_Bool"}) EXPECT_FALSE(isCIdentifier(bad)) << bad;
    EXPECT_TRUE(isCIdentifier("door_chime"));
}

class CHeaderCompiles : public testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v cc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no C compiler";
        for (std::uint32_t samples : {2001u, 777u}) {
            auto state = test::makeStartedState();
            state->encoder.sampleCount = samples;
            for (std::uint32_t i = 0; i < samples; ++i) state->bitStream[i] = static_cast<std::uint8_t>((i * 7 + samples) % 3 == 0);
            states.push_back(std::move(state));
        }
    }

    // Compiles a program that writes `expression`'s bytes; returns what it wrote.
    std::vector<std::uint8_t> compileAndRun(const std::string& body) {
        std::ofstream(directory / "main.c") << "#include <stdio.h>\n#include \"sounds.h\"\nint main(void) {\n"
                                            << body << "\n    return 0;\n}\n";
        const std::string dir = directory.path().string();
        const std::string command = "cd '" + dir + "' && cc -std=c99 -Wall -Wextra -pedantic -Werror main.c -o main "
                                    "2> cc.out && ./main > out.bin";
        EXPECT_EQ(std::system(command.c_str()), 0) << test::readFileText(directory / "cc.out");
        return test::readFileBytes(directory / "out.bin");
    }

    std::vector<std::uint8_t> binaryOf(const ProgramState& state) {
        EXPECT_TRUE(exportBinary(state, directory / "sound.bin"));
        return test::readFileBytes(directory / "sound.bin");
    }

    test::TempDirectory directory;
    std::vector<std::unique_ptr<ProgramState>> states;
};

TEST_F(CHeaderCompiles, OneSoundHoldsTheBinaryBytes) {
    const CHeaderSound sound{states[0].get(), "door_chime", "door */ chime.wav"};
    ASSERT_TRUE(exportCHeader(std::span(&sound, 1), "door_chime", directory / "sounds.h"));
    const std::vector<std::uint8_t> bytes = compileAndRun(
        "    fwrite(door_chime, 1, sizeof door_chime, stdout);\n"
        "    if (door_chime_SAMPLES != 8 * sizeof door_chime || door_chime_RATE == 0) return 1;");
    EXPECT_EQ(bytes, binaryOf(*states[0]));
}

TEST_F(CHeaderCompiles, ABankListsItsSoundsInOrder) {
    const CHeaderSound sounds[] = {{states[0].get(), "first", "a.wav"}, {states[1].get(), "second", "b.wav"}};
    ASSERT_TRUE(exportCHeader(sounds, "chime", directory / "sounds.h"));
    const std::vector<std::uint8_t> bytes = compileAndRun(
        "    int k;\n"
        "    for (k = 1; k >= 0; --k) fwrite(chime[k], 1, chime_samples[k] / 8, stdout);\n"
        "    if (chime_COUNT != 2) return 1;");
    std::vector<std::uint8_t> expected = binaryOf(*states[1]);
    const std::vector<std::uint8_t> first = binaryOf(*states[0]);
    expected.insert(expected.end(), first.begin(), first.end());
    EXPECT_EQ(bytes, expected);

    const CHeaderSound twice[] = {sounds[0], sounds[0]};
    EXPECT_EQ(exportCHeader(twice, "chime", directory / "twice.h").error(), "two sounds are named first");
    states[1]->encoder.sampleCount = 8;
    EXPECT_FALSE(exportCHeader(sounds, "chime", directory / "short.h"));
    EXPECT_FALSE(std::filesystem::exists(directory / "short.h"));
}

}  // namespace
}  // namespace ryx
