// ryxenc importing sounds of any kind with --rate, run as a process.

#include "core/Encoder.h"
#include "TestSounds.h"
#include "core/ProgramState.h"
#include "export/AssemblerExport.h"
#include "import/ImportOptions.h"
#include "import/SoundImport.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace ryx {
namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

const std::string kTryHelp =
    "Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\nTry 'ryxenc --help' for more information.\n";

class RyxencImportTest : public ::testing::Test {
protected:
    // Runs ryxenc in the work folder; the arguments are plain words.
    ProcessRun run(const std::string& arguments) {
        const std::string command = "cd '" + work.path().string() + "' && '" RYXENC_PATH "' " + arguments + " >'" +
                                    (scratch / "out").string() + "' 2>'" + (scratch / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFileText(scratch / "out"), test::readFileText(scratch / "err")};
    }

    test::ToneSound tone(int format, int channels, int rate) {
        test::ToneSound sound;
        sound.format = format;
        sound.channels = channels;
        sound.rate = rate;
        return sound;
    }

    test::TempDirectory work;
    test::TempDirectory scratch;
};

TEST_F(RyxencImportTest, RateImportsAnySoundAndWritesWhatTheImporterGives) {
    const auto sound = tone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100);
    test::writeSoundFile(work / "voice.flac", sound);
    const ProcessRun result = run("-s 1 -f 8 -r 11025 voice.flac");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("voice.flac: ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find(" samples, 11025 Hz, 1 bit, Ryx8, R = 2959 ohms -> voice.asm"), std::string::npos);

    // Byte for byte the file of the same import done in this process.
    auto state = std::make_unique<ProgramState>();
    state->encoder.algorithmType = kAlgorithmOneBit;
    state->encoder.fineness = 8;
    ASSERT_TRUE(importSoundFile(*state, (work / "voice.flac").string(), {11025, true, true}).ok());
    encodeSound(*state);
    ASSERT_TRUE(exportAssembler(*state, scratch / "expected.asm").ok());
    EXPECT_EQ(test::readFileBytes(work / "voice.asm"), test::readFileBytes(scratch / "expected.asm"));

    // The same sound from the standard input.
    ASSERT_EQ(run("-q -s 1 -f 8 -r 11025 -o piped.asm - < voice.flac").status, 0);
    EXPECT_EQ(test::readFileBytes(work / "piped.asm"), test::readFileBytes(work / "voice.asm"));

    // Without normalising and trimming the silences stay and the level is the file's.
    ASSERT_EQ(run("--rate=11025 --no-normalize --no-trim -o raw.asm voice.flac").status, 0);
    EXPECT_NE(test::readFileText(scratch / "out").find("16538 samples"), std::string::npos) << test::readFileText(scratch / "out");
}

TEST_F(RyxencImportTest, ReaderRefusalOfAReadableSoundSuggestsTheRate) {
    test::writeSoundFile(work / "stereo.wav", tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050));
    test::writeFileBytes(work / "text.wav", std::vector<std::uint8_t>(100, 'x'));
    const ProcessRun result = run("stereo.wav text.wav");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "ryxenc: stereo.wav: Only 8-bit MONO wave files supported!\n"
              "ryxenc: stereo.wav: use --rate 15625 to convert this sound\n"
              "ryxenc: text.wav: Not a WAVE file! - no file loaded.\n");
    EXPECT_FALSE(fs::exists(work / "stereo.asm"));
}

TEST_F(RyxencImportTest, BadImportsNameTheFileAndTheReason) {
    test::writeSoundFile(work / "good.wav", tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000));
    test::writeFileBytes(work / "broken.dat", std::vector<std::uint8_t>(300, 0x11));
    test::writeFileBytes(work / "broken.mp3", std::vector<std::uint8_t>(300, 0x11));
    const struct {
        std::string arguments;
        int status;
        std::string err;
    } cases[] = {
        {"-r 999 good.wav", 2, "ryxenc: invalid rate '999' (use a whole number of hertz, 1000 to 48000)\n" + kTryHelp},
        {"-r 8000 broken.dat", 1, "ryxenc: broken.dat: cannot import this sound: Format not recognised.\n"},
        {"-r 8000 missing.ogg", 1, "ryxenc: missing.ogg: Cannot open file! - no file loaded. (No such file or directory)\n"},
        {"-r 8k good.wav", 2, "ryxenc: invalid rate '8k' (use a whole number of hertz, 1000 to 48000)\n" + kTryHelp},
        {"--no-trim good.wav", 2, "ryxenc: --no-normalize and --no-trim need --rate\n" + kTryHelp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    // The MP3 decoder's own notes are not shown; libsndfile's reason is.
    const ProcessRun mp3 = run("-r 8000 broken.mp3");
    EXPECT_EQ(mp3.status, 1);
    EXPECT_EQ(mp3.err.rfind("ryxenc: broken.mp3: cannot import this sound: ", 0), 0u) << mp3.err;
    EXPECT_EQ(std::count(mp3.err.begin(), mp3.err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(work / "good.asm"));
    EXPECT_FALSE(fs::exists(work / "broken.asm"));
}

TEST_F(RyxencImportTest, LongSoundIsCutWithAWarning) {
    auto sound = tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000);
    sound.leadSeconds = sound.tailSeconds = 0.0;
    sound.toneSeconds = 40.0;  // 320,000 samples at 8000 Hz
    test::writeSoundFile(work / "long.wav", sound);
    const ProcessRun result = run("-q -r 8000 --no-trim long.wav");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "ryxenc: long.wav: warning: The sound is longer than 262500 samples at 8000 Hz: its last "
                          "57500 samples (7.19 s) were cut.\n");
    EXPECT_TRUE(fs::exists(work / "long.asm"));
}

// --fit lowers the rate to the highest at which the whole sound fits the chip,
// never above --rate, and names it; the program it writes then fits.
TEST_F(RyxencImportTest, FitChoosesTheHighestRateAtWhichTheSoundFits) {
    test::writeSoundFile(work / "three.wav", test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 3.0));
    test::writeSoundFile(work / "short.wav", test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 0.5));
    // Below 8000 Hz from a higher rate asked for, the fit says what is lost and which chips hold the sound at 8000 Hz.
    const std::string low = "ryxenc: three.wav: warning: the sound fits the %s only at 4778 Hz, below the 8000 Hz that "
                            "speech needs to stay clear: nothing above 2389 Hz survives; at 8000 Hz it fits the "
                            "PIC16F648A, the PIC16F88 or the PIC12F1840 (4096 words)\n";
    const auto lowOn = [&low](const std::string& chip) { return low.substr(0, low.find("%s")) + chip + low.substr(low.find("%s") + 2); };
    const struct {
        std::string arguments;
        std::string summary;
        std::string err;
    } cases[] = {
        // 14336 samples over 3 s: 4778.67 Hz.
        {"--fit --no-trim --hex three.hex three.wav", " at 4778 Hz (fit to 16f628a), ", lowOn("PIC16F628A")},
        {"--fit --no-trim --chip 16f877a --clock 20000000 -r 20000 --hex three.hex three.wav", " at 20000 Hz (fit to 16f877a), ", ""},
        {"--fit --no-trim --chip 16f877a --clock 20000000 --hex three.hex three.wav", " at 15625 Hz (fit to 16f877a), ", ""},
        {"--fit --no-trim --chip 12f683 --hex three.hex three.wav", " at 4778 Hz (fit to 12f683), ", lowOn("PIC12F683")},
        {"--fit --chip 16f628a -r 8000 short.wav", " at 8000 Hz (fit to 16f628a), ", ""},
        {"--fit --chip 16f628a -r 6000 short.wav", " at 6000 Hz (fit to 16f628a), ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find(c.summary), std::string::npos) << result.out;
        EXPECT_EQ(result.err, c.err);
    }
    // Trimmed, the sound is a little shorter and the rate no lower.
    const ProcessRun trimmed = run("--fit --hex three.hex three.wav");
    EXPECT_EQ(trimmed.status, 0) << trimmed.err;
    EXPECT_NE(trimmed.out.find(" Hz (fit to 16f628a), "), std::string::npos) << trimmed.out;
    EXPECT_NE(trimmed.out.find(" of 2048 words"), std::string::npos) << trimmed.out;

    const ProcessRun alone = run("--fit three.wav");
    EXPECT_EQ(alone.status, 2);
    EXPECT_EQ(alone.err, "ryxenc: --fit needs --chip, --hex, --program or --include\n" + kTryHelp);
}

// --fit with --include counts the routine's org and length; a bank comes to
// one rate for all its sounds. The file is made at the rate named, and half a
// per cent more (a table word's rounding aside) is refused for want of room.
TEST_F(RyxencImportTest, FitCountsTheRoutineAndEverySoundOfABank) {
    test::writeSoundFile(work / "three.wav", test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 3.0));
    test::writeSoundFile(work / "one.wav", test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1.0));
    for (const std::string arguments : {"--include f.inc --chip 16f628a three.wav",
                                        "--include f.inc --chip 16f88 --org 0x700 three.wav",
                                        "--bank --hex f.hex three.wav one.wav",
                                        "--bank --include f.inc --chip 18f2520 --org 0x3000 three.wav one.wav"}) {
        SCOPED_TRACE(arguments);
        const ProcessRun fitted = run("-q --no-trim --fit " + arguments);
        ASSERT_EQ(fitted.status, 0) << fitted.err;
        const ProcessRun named = run("--no-trim --fit " + arguments);
        const std::size_t end = named.out.find(" Hz (fit to ");
        ASSERT_NE(end, std::string::npos) << named.out;
        const std::size_t start = named.out.rfind(" at ", end) + 4;
        const int rate = std::stoi(named.out.substr(start, end - start));
        EXPECT_EQ(run("-q --no-trim -r " + std::to_string(rate) + " " + arguments).status, 0);
        const ProcessRun higher = run("-q --no-trim -r " + std::to_string(rate + rate / 200 + 2) + " " + arguments);
        EXPECT_EQ(higher.status, 1);
        EXPECT_NE(higher.err.find(" not fit "), std::string::npos) << higher.err;
    }
}

TEST_F(RyxencImportTest, HelpNamesTheImportOptionsAndEveryOfferedRate) {
    const ProcessRun help = run("--help");
    for (const char* option : {"-r, --rate RATE", "--fit", "--no-normalize", "--no-trim"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    for (const std::uint32_t rate : kOfferedImportRates) {
        EXPECT_NE(help.out.find(std::to_string(rate)), std::string::npos) << rate;
    }
}

}  // namespace
}  // namespace ryx
