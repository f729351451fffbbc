// The C header: names that compile whatever the files are called, and a C
// compiler at its strictest reads back every encoded sample, one sound or a
// bank; a compiler with a storage keyword takes RYX_STORAGE.

#include "export/BinaryExport.h"
#include "export/CHeaderExport.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace ryx {
namespace {

bool haveCommand(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

// The encoded samples eight to a byte, the earliest in the top bit, the rest of the last byte 0.
std::vector<std::uint8_t> packedEncoded(const ProgramState& state) {
    std::vector<std::uint8_t> bytes((encodedSampleCount(state.encoder) + 7) / 8);
    for (std::uint32_t i = 0; i < encodedSampleCount(state.encoder); ++i) {
        bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (state.bitStream[i] & 1) << (7 - i % 8));
    }
    return bytes;
}

TEST(CHeaderExport, RefusedNamesSayWhy) {
    const std::pair<const char*, const char*> refused[] = {
        {"RYX_STORAGE", "storage"}, {"__LINE__", "starts with _"}, {"__FILE__", "starts with _"}, {"_x", "starts with _"},
        {"_Static_assert", "keyword"}, {"_Alignas", "keyword"}, {"_Atomic", "keyword"}, {"_Noreturn", "keyword"},
        {"_Thread_local", "keyword"}, {"_Generic", "keyword"}, {"_Alignof", "keyword"}, {"bool", "keyword"},
        {"new", "keyword"}, {"main", "function main"}, {"", "not a C identifier"}, {"9a", "not a C identifier"},
        {"a-b", "not a C identifier"}};
    for (const auto& [name, reason] : refused) EXPECT_NE(cNameProblem(name).find(reason), std::string::npos) << name;
    for (const char* good : {"door_chime", "Main", "x_", "RYX_STORAGE2"}) EXPECT_EQ(cNameProblem(good), "") << good;
}

// Names made from files: changed where they would not compile or would meet
// one of the header's own names, the change said ('1'); the rest kept.
struct NamingCase {
    std::string bank;
    std::vector<std::string> files;
    std::vector<std::string> names;
    std::string changed;
};
const NamingCase kNamingCases[] = {
    {"", {"door chime"}, {"door_chime"}, "0"},
    {"", {"8bit"}, {"sound_8bit"}, "1"},
    {"", {"main"}, {"main_sound"}, "1"},
    {"", {"__LINE__"}, {"sound__LINE__"}, "1"},
    {"", {"RYX_STORAGE"}, {"RYX_STORAGE_sound"}, "1"},
    {"sounds", {"sounds", "b"}, {"sounds_sound", "b"}, "10"},
    {"sounds", {"x", "x_SAMPLES"}, {"x", "x_SAMPLES_sound"}, "01"},
    {"sounds", {"x_RATE", "x"}, {"x_RATE", "x_sound"}, "01"},
    {"sounds", {"SOUNDS_H", "b"}, {"SOUNDS_H_sound", "b"}, "10"},
    {"b_SAMPLES", {"a", "b"}, {"a", "b_sound"}, "01"},
    {"a", {"a_COUNT", "b"}, {"a_COUNT_sound", "b"}, "10"},
    {"sounds", {"a", "a", "a_sound", "a"}, {"a", "a_sound", "a_sound_sound", "a_sound2"}, "0111"},
};

TEST(CHeaderExport, NamesFromFilesAreChangedOnlyWhereNeeded) {
    for (const NamingCase& test : kNamingCases) {
        const std::vector<CHeaderName> named = nameCHeaderSounds(test.files, test.bank);
        ASSERT_EQ(named.size(), test.names.size());
        for (std::size_t k = 0; k < named.size(); ++k) {
            EXPECT_EQ(named[k].name, test.names[k]) << test.bank << " " << test.files[k];
            EXPECT_EQ(named[k].change.empty(), test.changed[k] == '0') << named[k].name << ": " << named[k].change;
        }
    }
}

class CHeaderCompiles : public testing::Test {
protected:
    void SetUp() override {
        if (!haveCommand("cc")) GTEST_SKIP() << "no C compiler";
        // 14 samples: 13 encoded, five in the last byte; the unencoded 14th
        // and the positions after it hold 1s that must not show.
        for (std::uint32_t samples : {2001u, 14u}) {
            auto state = test::makeStartedState();
            state->encoder.sampleCount = samples;
            for (std::uint32_t i = 0; i < samples + 8; ++i) {
                state->bitStream[i] = static_cast<std::uint8_t>((i * 7 + samples) % 3 == 0);
            }
            states.push_back(std::move(state));
        }
    }

    // Compiles each program beside the header of its number, as C and as C++,
    // and runs them in turn; returns what they wrote.
    std::vector<std::uint8_t> compileAndRun(const std::vector<std::string>& bodies) {
        std::string sources;
        std::string runs;
        for (std::size_t k = 0; k < bodies.size(); ++k) {
            const std::string name = "main" + std::to_string(k);
            std::ofstream(directory / (name + ".c")) << "#include <stdio.h>\n#include \"" << name
                                                     << ".h\"\nint main(void) {\n" << bodies[k] << "\n    return 0;\n}\n";
            sources += " " + name + ".c";
            runs += " && cc " + name + ".o -o " + name + " && ./" + name + " >> out.bin";
        }
        const std::string flags = " -Wall -Wextra -pedantic -Werror" + sources + " 2> cc.out";
        std::string command = "cd '" + directory.path().string() + "' && rm -f out.bin && cc -std=c99 -c" + flags;
        if (haveCommand("c++")) command += " && c++ -x c++ -std=c++17 -fsyntax-only" + flags;
        EXPECT_EQ(std::system((command + runs).c_str()), 0) << test::readFileText(directory / "cc.out");
        return test::readFileBytes(directory / "out.bin");
    }

    test::TempDirectory directory;
    std::vector<std::unique_ptr<ProgramState>> states;
};

// Every encoded sample and no other, for one sound, a bank, and a bank of one
// (a table too); the binary export keeps the whole bytes only.
TEST_F(CHeaderCompiles, HoldsEveryEncodedSample) {
    const CHeaderSound sounds[] = {{states[0].get(), "first", "door */ a.wav"}, {states[1].get(), "second", "b.wav"}};
    ASSERT_TRUE(exportCHeader(std::span(sounds + 1, 1), {}, directory / "main0.h"));
    ASSERT_TRUE(exportCHeader(sounds, "chime", directory / "main1.h"));
    ASSERT_TRUE(exportCHeader(std::span(sounds + 1, 1), "solo", directory / "main2.h"));
    const std::vector<std::uint8_t> bytes = compileAndRun(
        {"    fwrite(second, 1, sizeof second, stdout);\n    if (second_SAMPLES != 13 || sizeof second != 2) return 1;",
         "    int k;\n    for (k = 0; k < chime_COUNT; ++k) fwrite(chime[k], 1, (chime_samples[k] + 7) / 8, stdout);",
         "    fwrite(solo[0], 1, (solo_samples[0] + 7) / 8, stdout);\n    if (solo_COUNT != 1) return 1;"});
    std::vector<std::uint8_t> expected;
    for (int k : {1, 0, 1, 1}) {
        const std::vector<std::uint8_t> packed = packedEncoded(*states[static_cast<std::size_t>(k)]);
        expected.insert(expected.end(), packed.begin(), packed.end());
    }
    EXPECT_EQ(bytes, expected);
    ASSERT_TRUE(exportBinary(*states[1], directory / "sound.bin"));
    EXPECT_EQ(test::readFileBytes(directory / "sound.bin"), std::vector<std::uint8_t>(expected.begin(), expected.begin() + 1));

    const CHeaderSound twice[] = {sounds[0], sounds[0]};
    EXPECT_EQ(exportCHeader(twice, "chime", directory / "twice.h").error(), "the C header would define first twice");
    states[1]->encoder.sampleCount = 1;
    EXPECT_FALSE(exportCHeader(sounds, "chime", directory / "short.h"));
    EXPECT_FALSE(std::filesystem::exists(directory / "short.h"));
}

// Every name the table of hostile files and banks gives compiles, in C and
// C++, beside a program with its own main.
TEST_F(CHeaderCompiles, NamesFromHostileFilesCompile) {
    std::vector<std::string> bodies;
    for (const NamingCase& test : kNamingCases) {
        std::vector<CHeaderSound> sounds;
        std::string body = "    unsigned long sum = 0;\n";
        for (const CHeaderName& named : nameCHeaderSounds(test.files, test.bank)) {
            sounds.push_back({states[0].get(), named.name, "x.wav"});
            body += "    sum += " + named.name + "[0] + " + named.name + "_SAMPLES + " + named.name + "_RATE;\n";
        }
        if (!test.bank.empty()) body += "    sum += " + test.bank + "[0][0] + " + test.bank + "_samples[0];\n";
        ASSERT_TRUE(exportCHeader(sounds, test.bank, directory / ("main" + std::to_string(bodies.size()) + ".h")));
        bodies.push_back(body + "    printf(\"%lu\", sum);");
    }
    EXPECT_FALSE(compileAndRun(bodies).empty());
}

// RYX_STORAGE as a keyword before the name (SDCC's __code on the 8051) and as
// an attribute (a gcc section, as PROGMEM is) places both arrays.
TEST_F(CHeaderCompiles, StorageGoesWhereCompilersTakeIt) {
    const CHeaderSound sounds[] = {{states[0].get(), "first", "a.wav"}, {states[1].get(), "second", "b.wav"}};
    ASSERT_TRUE(exportCHeader(sounds, "chime", directory / "main0.h"));
    std::ofstream(directory / "use.c") << "#include \"main0.h\"\nunsigned char pick(int k) { return chime[k][1]; }\n";
    const std::string dir = "cd '" + directory.path().string() + "' && ";
    EXPECT_EQ(std::system((dir + "cc -std=c99 -Wall -Wextra -pedantic -Werror -c use.c "
                                 "'-DRYX_STORAGE=__attribute__((section(\".ryx\")))' 2> cc.out && "
                                 "objdump -t use.o | grep -cE '\\.ryx.*(first|second)$' > cc.count").c_str()),
              0) << test::readFileText(directory / "cc.out");
    EXPECT_EQ(test::readFileText(directory / "cc.count"), "2\n");
    if (!haveCommand("sdcc")) GTEST_SKIP() << "no sdcc";
    EXPECT_EQ(std::system((dir + "sdcc -mmcs51 --Werror -DRYX_STORAGE=__code -c use.c > cc.out 2>&1").c_str()), 0)
        << test::readFileText(directory / "cc.out");
}

}  // namespace
}  // namespace ryx
