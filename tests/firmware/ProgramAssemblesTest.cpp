// The .asm a user gets assembles with gpasm on its own into exactly the bytes
// of the .hex the program writes itself; and program memory past 64 KiB, put
// at the same addresses on a PIC18 part, gives gpasm's own records.

#include "HexSegmentCases.h"
#include "TestSound.h"

#include "export/TextChunkWriter.h"
#include "firmware/PicProgram.h"
#include "firmware/PlayerCode.h"
#include "firmware/PicRoutineInclude.h"
#include "support/FileBytes.h"
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

TEST(ProgramAssembles, GpasmMakesTheSameHex) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    test::TempDirectory directory;
    int checked = 0;
    int expected = 0;
    for (const PicChip& chip : picChips()) {
        expected += chip.internalClockHz != 0 ? 10 : 6;
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
                // A PIC18 keeps its tables as retlw words in every other pair of cases.
                if (chip.family == PicFamily::pic18 && (checked / 2) % 2 == 1) settings.packing = PicPacking::off;
                const std::uint32_t rate = (clock.clockHz != 0 ? clock.clockHz : chip.internalClockHz) / 400;
                // 5003 samples: 625 table bytes over three blocks, the last one short.
                auto state = test::makeEncodedSound(5003, rate, scheme);
                const std::string name = std::string(chip.processor) + "-" + std::to_string(checked);
                SCOPED_TRACE(name + " clock " + std::to_string(clock.clockHz) +
                             (clock.oscillator == PicOscillator::crystal ? " crystal" : " internal") +
                             (settings.loop ? " looping" : "") + (settings.packing == PicPacking::off ? " unpacked" : ""));
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
    EXPECT_EQ(checked, expected);
}

// A bank on trigger pins, selected by number, or its first sound after a
// reset, on every chip with trigger pins: its source assembles on its own
// into the same hex. The second sound's odd byte count leaves a PIC18's last
// packed word half empty; a PIC18 selecting by number keeps retlw words.
TEST(ProgramAssembles, TriggerBanksAsGpasmMakesThem) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    test::TempDirectory directory;
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (const std::uint32_t samples : {2003u, 1609u, 2407u}) {
        states.push_back(test::makeEncodedSound(samples, 8000, kAlgorithmOneAndHalfBit));
        sounds.push_back(states.back().get());
    }
    for (const PicChip& chip : picChips()) {
        if (triggerPinCount(chip) == 0) continue;
        for (const PlayTrigger trigger : {PlayTrigger::pins, PlayTrigger::select, PlayTrigger::reset}) {
            const std::string name = std::string(chip.processor) + (trigger == PlayTrigger::pins     ? "-pins"
                                                                    : trigger == PlayTrigger::select ? "-select"
                                                                                                     : "-reset");
            SCOPED_TRACE(name);
            // The chips without an internal oscillator at 20 MHz; the others on theirs.
            PicProgramSettings settings{&chip, chip.internalClockHz != 0 ? 0u : 20000000u, false};
            settings.trigger = trigger;
            if (chip.family == PicFamily::pic18 && trigger == PlayTrigger::select) settings.packing = PicPacking::off;
            ASSERT_TRUE(writePicBankAssembler(sounds, settings, directory / (name + ".asm")));
            ASSERT_TRUE(writePicBankHex(sounds, settings, directory / (name + ".hex")));
            const std::string command = "cd '" + directory.path().string() + "' && gpasm -o " + name + "-gpasm.hex " +
                                        name + ".asm > " + name + ".out 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / (name + ".out"));
            EXPECT_EQ(readText(directory / (name + ".out")), "") << "gpasm had something to say";
            EXPECT_EQ(readText(directory / (name + ".hex")), readText(directory / (name + "-gpasm.hex")));
        }
    }
}

// Each PIC18 form the assembler writes, access bank and banked, branches and
// two-word jumps back and forth, near and beyond word 255, is what gpasm makes
// of its source line.
TEST(ProgramAssembles, Pic18FormsAsGpasmMakesThem) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    using Destination = PicAssembly::Destination;
    constexpr PicRegister kNear{"near", 0x12};
    constexpr PicRegister kSfr{"TABLAT", 0xFF5};
    constexpr PicRegister kBanked{"ANSELB", 0xF39};
    PicAssembly code(PicFamily::pic18);
    for (const PicRegister& reg : {kNear, kSfr, kBanked}) code.define(reg.name, reg.address);
    code.label("back");
    code.byteOp(pic18::kDecfsz, kNear, Destination::f);
    code.byteOp(pic18::kMovf, kBanked, Destination::w);
    code.fileOp(pic18::kMovwf, kSfr);
    code.bitOp(pic18::kBsf, kBanked, "3", 3);
    code.literalOp(pic18::kMovlb, 15);
    code.branch(pic18::kBc, "ahead");
    code.jump(pic18::kGoto, "far");
    code.jump(pic18::kCall, "back");
    code.skipToNext();
    code.plain(pic18::kTblrdPostIncrement);
    code.label("ahead");
    for (int k = 0; k < 300; ++k) code.plain(pic18::kNop);
    code.label("far");
    code.branch(pic18::kBra, "back");
    code.branch(pic18::kBnz, "ahead2");
    code.label("ahead2");
    code.plain(pic18::kSleep);

    test::TempDirectory directory;
    {
        AtomicFileWriter writer(directory / "forms.asm");
        ASSERT_TRUE(writer.open());
        {
            TextChunkWriter out(writer);
            out.line("        list p=18f26k22, r=dec");
            out.line("        errorlevel -302");
            code.writeSource(out);
            out.line("        end");
        }
        ASSERT_TRUE(writer.commit());
    }
    const std::string command =
        "cd '" + directory.path().string() + "' && gpasm -o forms-gpasm.hex forms.asm > forms.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / "forms.out");
    const std::vector<ProgramWords> ours{{0, code.words()}};
    EXPECT_EQ(formatIntelHex(ours), readText(directory / "forms-gpasm.hex"));
    EXPECT_EQ(code.addressOf("far"), 312u);  // 8 one-word, 2 two-word instructions and 300 nops before it
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

// Every chip's include, both ways of storing, in a main program that
// includes the chip's own processor header: gpasm warns of nothing. A
// mid-range routine names its registers by their place in their bank, but
// a place unimplemented in bank 0 (the 12F1840's 0x13 and 0x14) draws a bad
// RAM warning: those go in full, drawing only gpasm's note on bank bits. A
// PIC18's full special-register addresses draw that note as well, its
// access-bank offsets nothing.
TEST(ProgramAssembles, IncludesAreCleanWithTheProcessorHeader) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    test::TempDirectory directory;
    auto state = test::makeEncodedSound(1203, 8000, kAlgorithmOneAndHalfBit);
    const ProgramState* const sounds[] = {state.get(), state.get()};
    for (const PicChip& chip : picChips()) {
        for (const PicPacking packing : {PicPacking::automatic, PicPacking::off}) {
            const bool pic18 = chip.family == PicFamily::pic18;
            SCOPED_TRACE(std::string(chip.processor) + (packing == PicPacking::off ? " retlw" : " packed"));
            PicProgramSettings settings{&chip, chip.internalClockHz == 0 ? 4000000u : 0u, false};
            settings.packing = packing;
            settings.form = PlayerForm::routine;
            settings.ram = defaultRoutineRam(chip);
            ASSERT_TRUE(writePicRoutineInclude(sounds, settings, directory / "sounds.inc"));
            std::ofstream(directory / "main.asm")
                << "        list    p=" << chip.processor << "\n        include \"p" << chip.processor
                << ".inc\"\n        org     0\n        goto    start\n        org     0x20\nstart:  movlw   1\n"
                << "        call    ryx_play\nidle:   goto    idle\n        include \"sounds.inc\"\n        end\n";
            const std::string command =
                "cd '" + directory.path().string() + "' && gpasm -o main.hex main.asm > main.out 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / "main.out");
            std::istringstream said(readText(directory / "main.out"));
            for (std::string line; std::getline(said, line);) {
                EXPECT_TRUE(!pic18 && line.find("Message[302]") != std::string::npos) << line;
            }
        }
    }
}
}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// The player that streams from a serial memory, over each bus and family,
// single and on trigger pins, looping and as a routine (the 24LC1025's
// too): gpasm makes the same words of its source.
TEST(ProgramAssembles, MemoryPlayersAsGpasmMakesThem) {
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    const struct {
        const char* chip;
        const char* memory;
        PlayTrigger trigger;
        bool loop = false;
        PlayerForm form = PlayerForm::program;
    } cases[] = {{"16f628a", "24LC256", PlayTrigger::reset}, {"12f1840", "24LC512", PlayTrigger::reset},
                 {"16f1825", "W25Q32", PlayTrigger::reset},  {"16f628a", "W25Q16", PlayTrigger::pins},
                 {"16f88", "24LC256", PlayTrigger::select},  {"16f628a", "24LC256", PlayTrigger::reset, true},
                 {"16f1825", "W25Q32", PlayTrigger::reset, true},
                 {"16f88", "24LC256", PlayTrigger::reset, false, PlayerForm::routine},
                 {"16f1825", "W25Q32", PlayTrigger::reset, false, PlayerForm::routine},
                 {"16f628a", "24LC1025", PlayTrigger::pins},   {"12f683", "W25Q32", PlayTrigger::reset},
                 {"18f2520", "24LC256", PlayTrigger::pins},    {"18f26k22", "W25Q32", PlayTrigger::reset, true},
                 {"18f26k22", "24LC1025", PlayTrigger::reset},
                 {"18f2520", "W25Q32", PlayTrigger::reset, false, PlayerForm::routine},
                 {"18f26k22", "24LC256", PlayTrigger::reset, false, PlayerForm::routine},
                 {"16f1825", "W25Q128", PlayTrigger::select},
                 {"16f628a", "24LC1025", PlayTrigger::reset, true},
                 {"18f2520", "24LC1025", PlayTrigger::reset, true},
                 {"16f1825", "24LC1025", PlayTrigger::reset, false, PlayerForm::routine},
                 {"18f26k22", "24LC1025", PlayTrigger::reset, false, PlayerForm::routine}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " from the " + c.memory + (c.loop ? ", looping" : "") +
                     (c.form == PlayerForm::routine ? ", routine" : ""));
        PlayerSettings settings{findPicChip(c.chip), 20000000, 700, PicStorage::retlw, 100, true, c.loop};
        settings.memory = findMemory(c.memory);
        settings.trigger = c.trigger;
        settings.form = c.form;
        if (c.trigger != PlayTrigger::reset || c.form == PlayerForm::routine) settings.bank = {{0, 100}, {1, 50}, {2, 70}};
        if (c.form == PlayerForm::routine) {
            settings.org = 0x300;
            settings.ram = defaultRoutineRam(*settings.chip);
        }
        const PicAssembly code = buildPlayer(settings);
        test::TempDirectory directory;
        {
            AtomicFileWriter writer(directory / "memory.asm");
            ASSERT_TRUE(writer.open());
            {
                TextChunkWriter out(writer);
                out.line("        list p=" + std::string(c.chip) + ", r=dec");
                out.line("        errorlevel -302");
                code.writeSource(out);
                out.line("        end");
            }
            ASSERT_TRUE(writer.commit());
        }
        const std::string command =
            "cd '" + directory.path().string() + "' && gpasm -o memory-gpasm.hex memory.asm > memory.out 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << readText(directory / "memory.out");
        EXPECT_EQ(readText(directory / "memory.out"), "") << "gpasm had something to say";
        const std::vector<ProgramWords> ours{{code.origin(), code.words()}};
        EXPECT_EQ(formatIntelHex(ours), readText(directory / "memory-gpasm.hex"));
    }
}

}  // namespace
}  // namespace ryx
