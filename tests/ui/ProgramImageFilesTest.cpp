#include "ui/ProgramImageFiles.h"

#include "firmware/MemoryImage.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveOpen.h"
#include "ui/TPicProgramBox.h"
#include "ui/TSoundBankBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;

const std::string kHello = RYX_EXAMPLES_DIR "/hello.wav";

std::unique_ptr<ProgramState> hello() {
    auto state = std::make_unique<ProgramState>();
    EXPECT_TRUE(test::openWave(*state, kHello).ok());
    return state;
}

TEST(ProgramImageFiles, TheImageIsNamedAfterTheProgramAndTheMemory) {
    struct Case {
        const char* program;
        const char* memory;
        const char* image;
    };
    const Case cases[] = {
        {"/p/door-16f628a.hex", "24LC256", "/p/door-16f628a-24lc256.hex"},
        {"bell.asm", "W25Q32", "bell-w25q32.hex"},
        {"/p/my.voice.inc", "25LC1024", "/p/my.voice-25lc1024.hex"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(memoryImagePath(c.program, *findMemory(c.memory)).string(), c.image) << c.program;
    }
}

// Saved from the dialogs' writers, the program and its image hold exactly the
// bytes ryxenc --memory writes for the same sounds and settings.
TEST(ProgramImageFiles, ProgramAndImageAreTheBytesRyxencWrites) {
    struct Case {
        const char* chip;
        const char* memory;
        bool hex;
        int sounds;  // more than one: a bank on trigger pins
    };
    const Case cases[] = {
        {"16f628a", "24LC256", true, 1},
        {"16f1825", "W25Q32", false, 1},
        {"16f88", "24LC512", true, 2},
    };
    const auto sound = hello();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " " + c.memory);
        test::TempDirectory work;
        const PicProgramSettings settings = [&] {
            PicProgramSettings chosen{findPicChip(c.chip), 0, false};
            chosen.memory = findMemory(c.memory);
            if (c.sounds > 1) chosen.trigger = PlayTrigger::pins;
            return chosen;
        }();
        const PicProgramChoice choice{settings, c.hex};
        const fs::path program = work / (c.hex ? "window.hex" : "window.asm");
        std::string arguments = std::string(" --chip ") + c.chip + " --memory " + c.memory + " --image '" +
                                (work / "cli-image.hex").string() + (c.hex ? "' --hex '" : "' --program '") +
                                (work / "cli-program").string() + "'";
        if (c.sounds == 1) {
            ASSERT_TRUE(writePicProgram(*sound, choice, program).ok());
        } else {
            const std::vector<const ProgramState*> bank(static_cast<std::size_t>(c.sounds), sound.get());
            ASSERT_TRUE(writeSoundBank(bank, choice, program).ok());
            arguments += " --bank";
        }
        for (int k = 0; k < c.sounds; ++k) arguments += " '" + kHello + "'";
        ASSERT_EQ(std::system(("'" RYXENC_PATH "' -q" + arguments).c_str()), 0) << arguments;
        EXPECT_EQ(test::readFileBytes(program), test::readFileBytes(work / "cli-program"));
        const fs::path image = memoryImagePath(program, *settings.memory);
        EXPECT_FALSE(test::readFileBytes(image).empty());
        EXPECT_EQ(test::readFileBytes(image), test::readFileBytes(work / "cli-image.hex"));
        EXPECT_EQ(test::entriesOf(work.path()).size(), 4u);  // nothing else left behind
    }
}

// A plan refused, an image that cannot be opened, and one that cannot be put
// in place once the program is written: no file is left of either.
TEST(ProgramImageFiles, WithoutItsImageNoProgramIsLeft) {
    enum class Fault { refused, imageIsAFolder, imageTakenMeanwhile };
    const auto sound = hello();
    for (const Fault fault : {Fault::refused, Fault::imageIsAFolder, Fault::imageTakenMeanwhile}) {
        SCOPED_TRACE(static_cast<int>(fault));
        test::TempDirectory work;
        // Refused: the 12F683's memory pins are its crystal pins.
        PicProgramSettings settings =
            fault == Fault::refused ? PicProgramSettings{findPicChip("12f683"), 8000000, false, PicOscillator::crystal}
                                    : PicProgramSettings{findPicChip("16f628a"), 0, false};
        settings.memory = findMemory("24LC256");
        const fs::path program = work / "door.hex";
        const fs::path image = memoryImagePath(program, *settings.memory);
        if (fault == Fault::imageIsAFolder) fs::create_directory(image);
        bool programWritten = false;
        const ProgramState* const sounds[] = {sound.get()};
        const Result<> written = writeProgramAndImage(sounds, settings, program, [&](const fs::path& path) {
            Result<> done = writePicHex(*sound, settings, path);
            programWritten = done.ok() && fs::exists(path);
            if (fault == Fault::imageTakenMeanwhile) fs::create_directory(image);
            return done;
        });
        EXPECT_FALSE(written.ok());
        EXPECT_EQ(programWritten, fault == Fault::imageTakenMeanwhile);  // the last fault comes after the program
        EXPECT_FALSE(fs::exists(program));
        EXPECT_FALSE(fs::is_regular_file(image));
        EXPECT_EQ(test::entriesOf(work.path()).size(), fault == Fault::refused ? 0u : 1u) << written.error();
    }
}

}  // namespace
}  // namespace ryx::ui
