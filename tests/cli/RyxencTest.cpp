// ryxenc run as a process, as a build script would run it.

#include "cli/QualityReport.h"
#include "core/DecoderModel.h"
#include "core/EncodedSound.h"
#include "core/Encoder.h"
#include "core/ListSelection.h"
#include "core/OutputLevel.h"
#include "core/SettingComparison.h"
#include "formats/PreviewBytes.h"
#include "support/WaveOpen.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "export/CPlayerTarget.h"
#include "firmware/MemoryImage.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"
#include "firmware/PlaybackTiming.h"
#include "firmware/PlayerCode.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>
#include <sstream>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs ryxenc in `directory` with TMPDIR pointing at `tmp`.
// fileSizeLimit makes every write past that size fail, as on a full disk.
ProcessRun runRyxenc(const std::vector<std::string>& arguments, const fs::path& directory, const fs::path& tmp,
                     const fs::path& outPath, rlim_t fileSizeLimit, const std::optional<Bytes>& standardInput) {
    const fs::path errPath = tmp / "stderr.txt";
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0) environment.emplace_back(*entry);
    }
    environment.push_back("TMPDIR=" + (tmp / "private").string());
    fs::create_directories(tmp / "private");

    std::vector<char*> argv{const_cast<char*>(RYXENC_PATH)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    int input[2] = {-1, -1};
    if (standardInput && pipe(input) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        if (standardInput) {
            dup2(input[0], 0);
            close(input[0]);
            close(input[1]);
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        if (fileSizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (standardInput) {
        // Fed through a pipe, as from "cat a.wav |"; a reader that stops early is no failure here.
        close(input[0]);
        const auto previous = std::signal(SIGPIPE, SIG_IGN);
        for (std::size_t at = 0; at < standardInput->size();) {
            const ssize_t written = write(input[1], standardInput->data() + at, standardInput->size() - at);
            if (written <= 0) break;
            at += static_cast<std::size_t>(written);
        }
        close(input[1]);
        std::signal(SIGPIPE, previous);
    }
    ProcessRun run;
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
        run.status = WEXITSTATUS(waitStatus);
    }
    run.out = outPath == "/dev/full" ? std::string() : test::readFileText(outPath);
    run.err = test::readFileText(errPath);
    return run;
}

using test::entriesOf;

// An 8-bit file in the 46-byte layout, of a busy sound.
Bytes waveFile(std::size_t count, std::uint32_t rate, std::uint16_t channels = 1) {
    return test::wave46(test::squareSamples(count), {.rate = rate, .channels = channels});
}

class RyxencTest : public ::testing::Test {
protected:
    ProcessRun run(const std::vector<std::string>& arguments, const fs::path& stdoutPath = {},
                   rlim_t fileSizeLimit = RLIM_INFINITY, const std::optional<Bytes>& standardInput = {}) {
        return runRyxenc(arguments, work.path(), scratch.path(),
                         stdoutPath.empty() ? scratch / "stdout.txt" : stdoutPath, fileSizeLimit, standardInput);
    }
    ProcessRun runWithInput(const std::vector<std::string>& arguments, const Bytes& standardInput) {
        return run(arguments, {}, RLIM_INFINITY, standardInput);
    }

    void writeInput(const std::string& name, const Bytes& bytes) { test::writeFileBytes(work / name, bytes); }

    // The inputs as the window opens them, "1 bit": what a bank of them holds.
    struct OpenedSounds {
        std::vector<std::unique_ptr<ProgramState>> states;
        std::vector<const ProgramState*> sounds;  // empty when one would not open
    };
    OpenedSounds openSounds(std::initializer_list<const char*> names) {
        OpenedSounds opened;
        for (const char* name : names) {
            opened.states.push_back(test::makeStartedState());
            opened.states.back()->encoder.algorithmType = kAlgorithmOneBit;
            if (!test::openWave(*opened.states.back(), (work / name).string())) return {};
            opened.sounds.push_back(opened.states.back().get());
        }
        return opened;
    }

    test::TempDirectory work;     // the current folder of the run
    test::TempDirectory scratch;  // captured output and the program's TMPDIR
};

TEST_F(RyxencTest, HelpAndVersion) {
    const ProcessRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n", 0), 0u);
    for (const char* option : {"--scheme", "--fineness", "--asm", "--bin", "--wav", "--original-wav", "--quiet",
                               "--version", "r=dec", "--optimal", "--report", "--compare", "--oscillator KIND",
                               "sound k plays, whole, when trigger pin k is\n"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(help.out.find(" while the chip's trigger pin"), std::string::npos);
    // The choices come from the window's lists.
    EXPECT_NE(help.out.find("\n  -s, --scheme 1|1.5          encoding scheme (default 1.5)\n"
                            "  -f, --fineness N            4, 5, 6, 8, 11, 16, 21 or 32 (default 16), or auto:\n"),
              std::string::npos)
        << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(run({"-h", "--bogus"}).status, 0);

    const ProcessRun version = run({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "ryxenc (Ryx Sound Encoder LT) 1.0\n");
    EXPECT_TRUE(entriesOf(work.path()).empty());
}

TEST_F(RyxencTest, UsageErrorsExitWithTwoAndWriteNothing) {
    writeInput("a.wav", waveFile(100, 8000));
    writeInput("b.wav", waveFile(100, 8000));
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{}, "no input file given"},
        {{"--bogus", "a.wav"}, "unknown option '--bogus'"},
        {{"-x", "a.wav"}, "unknown option '-x'"},
        {{"-s", "2", "a.wav"}, "invalid scheme '2' (use 1 or 1.5)"},
        {{"--scheme=1.50", "a.wav"}, "invalid scheme '1.50' (use 1 or 1.5)"},
        {{"-f", "7", "a.wav"}, "invalid fineness '7' (use 4, 5, 6, 8, 11, 16, 21 or 32, or auto)"},
        {{"-f016", "a.wav"}, "invalid fineness '016' (use 4, 5, 6, 8, 11, 16, 21 or 32, or auto)"},
        {{"--compare", "-b", "x.ryx", "a.wav"},
         "--compare writes no file; leave out --asm, --bin, --wav, --original-wav, --hex, --program, --include, --image, --c and --c-player"},
        {{"--compare", "--hex", "x.hex", "a.wav"},
         "--compare writes no file; leave out --asm, --bin, --wav, --original-wav, --hex, --program, --include, --image, --c and --c-player"},
        {{"--optimal=yes", "a.wav"}, "option '--optimal' takes no value"},
        {{"a.wav", "--asm"}, "option '--asm' needs a value"},
        {{"--asm=", "a.wav"}, "option '--asm' needs a file name"},
        {{"--quiet=yes", "a.wav"}, "option '--quiet' takes no value"},
        {{"-o", "x.asm", "a.wav", "b.wav"},
         "--asm, --bin, --wav, --original-wav, --hex, --program, --include, --image, --c and --c-player take exactly one input, not 2"},
        {{"--chip", "16f84", "a.wav"}, "unknown chip '16f84' (ryxenc --list-chips shows them)"},
        {{"--clock", "4MHz", "a.wav"}, "invalid clock '4MHz' (use a frequency in Hz from 32768 to 20000000)"},
        {{"--clock=20000001", "a.wav"}, "invalid clock '20000001' (use a frequency in Hz from 32768 to 20000000)"},
        {{"--hex", "x.hex", "--chip", "16f877a", "a.wav"},
         "the PIC16F877A has no internal oscillator: give its crystal's --clock"},
        {{"--asm", "-", "--wav", "-", "a.wav"}, "only one output can be the standard output '-'"},
        {{"-", "a.wav", "-"}, "the standard input '-' can be read only once"},
        // Values known before any input is read are checked before any is.
        {{"-r", "0", "a.wav"}, "invalid rate '0' (use a whole number of hertz, 1000 to 48000)"},
        {{"--rate=48001", "a.wav"}, "invalid rate '48001' (use a whole number of hertz, 1000 to 48000)"},
        {{"--oscillator", "rc", "a.wav"}, "invalid oscillator 'rc' (use internal or crystal)"},
        {{"--trigger", "button", "a.wav"}, "invalid trigger 'button' (use reset, pins or select)"},
        {{"--hex", "x.hex", "--oscillator", "crystal", "a.wav"}, "--oscillator crystal needs the crystal's --clock"},
        {{"--hex", "x.hex", "--oscillator", "internal", "--clock", "8000000", "a.wav"},
         "the PIC16F628A's internal oscillator runs at 4000000 Hz, not 8000000 Hz: leave out --oscillator "
         "internal for a crystal of that clock"},
        {{"--program", "x.asm", "--chip", "16f877a", "--oscillator", "internal", "a.wav"},
         "the PIC16F877A has no internal oscillator: leave out --oscillator internal and give its crystal's --clock"},
        {{"--hex", "x.hex", "-r", "48000", "--clock", "32768", "a.wav"},
         computePlaybackTiming(32768, 48000, playerMinCycles(defaultPicChip(), false), kPlayerMaxCycles).error()},
        // The routine for the user's own program.
        {{"--org", "0x400", "a.wav"}, "--org and --ram place the routine of --include"},
        {{"--include", "x.inc", "--ram", "0x7G", "a.wav"},
         "invalid address '0x7G' (use decimal, or hexadecimal after 0x)"},
        {{"--include", "x.inc", "--hex", "x.hex", "a.wav"},
         "--include writes a routine for your own program, --hex and --program a whole program: choose one"},
        // The circuit's parts.
        {{"--model", "Circuit", "a.wav"}, "invalid model 'Circuit' (use classic or circuit)"},
        {{"--model", "circuit", "--parts", "e6", "a.wav"},
         "invalid parts 'e6' (use exact, e12, e24, or one or two resistances from 1 to 100M such as 4.7k or 10k,8.2k)"},
        {{"--model", "circuit", "--parts=4.7k,", "a.wav"},
         "invalid parts '4.7k,' (use exact, e12, e24, or one or two resistances from 1 to 100M such as 4.7k or "
         "10k,8.2k)"},
        {{"--model", "circuit", "--capacitor", "220", "a.wav"},
         "invalid capacitor '220' (use a capacitance from 10p to 10m such as 0.22u, 220n or 2.2e-7)"},
        {{"--model", "circuit", "--load", "0", "a.wav"},
         "invalid load '0' (use a resistance from 1 to 100M such as 10k, or none)"},
        // Parts one cannot buy.
        {{"--model", "circuit", "--parts", "5e-324", "--optimal", "a.wav"},
         "invalid parts '5e-324' (use exact, e12, e24, or one or two resistances from 1 to 100M such as 4.7k or "
         "10k,8.2k)"},
        {{"--model", "circuit", "--parts", "10k,1e9k", "a.wav"},
         "invalid parts '10k,1e9k' (use exact, e12, e24, or one or two resistances from 1 to 100M such as 4.7k or "
         "10k,8.2k)"},
        {{"--model", "circuit", "--load", "5e-324", "a.wav"},
         "invalid load '5e-324' (use a resistance from 1 to 100M such as 10k, or none)"},
        {{"--model", "circuit", "--capacitor", "1e-300", "a.wav"},
         "invalid capacitor '1e-300' (use a capacitance from 10p to 10m such as 0.22u, 220n or 2.2e-7)"},
        {{"--parts", "e12", "a.wav"}, "--parts, --capacitor and --load need --model circuit"},
        {{"--load", "none", "--model", "classic", "a.wav"}, "--parts, --capacitor and --load need --model circuit"},
        {{"--model", "circuit", "-s", "1", "--parts", "1k,2k", "a.wav"},
         "--scheme 1 drives one resistor: give --parts one value"},
        // A program's options without a program; a file register past any address named as given.
        {{"-b", "x.bin", "--loop", "a.wav"},
         "--loop sets up the PIC program of --hex, --program or --include; without one it does nothing"},
        {{"-b", "x.bin", "--chip", "16f88", "--clock", "4000000", "--oscillator", "crystal", "--pack", "off", "--trigger",
          "pins", "a.wav"},
         "--chip, --clock, --oscillator, --pack and --trigger set up the PIC program of --hex, --program or "
         "--include; without one they do nothing"},
        {{"--include", "x.inc", "--ram", "0x10070", "a.wav"},
         "the routine's 16 file registers from 0x10070 are not all in bank 0's general-purpose memory: choose 0x20 "
         "to 0x70 (0x70: the bank every bank shares)"},
        {{"--memory", "24LC256", "--hex", "x.hex", "a.wav"}, "--memory needs --image, the file its image is written to"},
        {{"--image", "x.bin", "--hex", "x.hex", "a.wav"}, "--image writes the image of --memory: name the memory"},
        {{"--memory", "24LC256", "--image", "x.bin", "a.wav"},
         "--memory plays the sounds of a PIC program: it needs --hex, --program or --include"},
        {{"--memory", "24C256", "--image", "x.bin", "--hex", "x.hex", "a.wav"},
         "unknown memory '24C256' (ryxenc --list-memories shows them)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "ryxenc: " + c.message +
                                  "\nUsage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
                                  "Try 'ryxenc --help' for more information.\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.wav", "b.wav"}));
    }
}

TEST_F(RyxencTest, DefaultOutputIsTheAssemblerFileBesideEachInput) {
    fs::create_directory(work / "sub");
    writeInput("voice.wav", waveFile(1000, 8000));
    writeInput("sub/take.two.WAV", waveFile(777, 22050));
    writeInput("plain", waveFile(64, 15625));
    const ProcessRun result = run({"voice.wav", "sub/take.two.WAV", "plain"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::exists(work / "voice.asm"));
    EXPECT_TRUE(fs::exists(work / "sub/take.two.asm"));
    EXPECT_TRUE(fs::exists(work / "plain.asm"));

    // The summary names the sound, its settings, what was written and how loud the output is.
    const auto size = [&](const char* name) { return std::to_string(fs::file_size(work / name)); };
    const auto level = [&](const char* name) {
        auto state = test::makeStartedState();
        EXPECT_TRUE(test::openWave(*state, (work / name).string()));
        return "  output: " + outputLevelText(outputLevel(*state)) + "\n";
    };
    EXPECT_EQ(result.out,
              "voice.wav: 1000 samples, 8000 Hz, 1.5 bit, Ryx16, R = 8802 ohms, each 2R = 17604 ohms -> voice.asm (" +
                  size("voice.asm") + " bytes)\n" + level("voice.wav") +
                  "sub/take.two.WAV: 777 samples, 22050 Hz, 1.5 bit, Ryx16, R = 3193 ohms, each 2R = 6386 ohms -> "
                  "sub/take.two.asm (" + size("sub/take.two.asm") + " bytes)\n" + level("sub/take.two.WAV") +
                  "plain: 64 samples, 15625 Hz, 1.5 bit, Ryx16, R = 4506 ohms, each 2R = 9012 ohms -> plain.asm (" +
                  size("plain.asm") + " bytes)\n" + level("plain"));
    // A busy sound swings the node: the level is measured, not silent.
    EXPECT_EQ(result.out.find("silent"), std::string::npos) << result.out;
    // The private preview folder is gone.
    EXPECT_EQ(entriesOf(scratch / "private"), std::vector<std::string>{});
}

TEST_F(RyxencTest, OutputsEqualTheWindowsFiles) {
    // Long enough that the bits are made on a second thread while the assembler file is written.
    constexpr std::size_t kCount = 40003;
    const Bytes input = waveFile(kCount, 11025);
    writeInput("in.wav", input);
    struct Case {
        std::vector<std::string> settings;
        std::int8_t algorithm;
        std::int8_t fineness;
        std::string summary;
    };
    const Case cases[] = {
        {{}, 15, 16, "1.5 bit, Ryx16, R = 6387 ohms, each 2R = 12774 ohms"},
        {{"-s", "1", "-f", "4"}, 1, 4, "1 bit, Ryx4, R = 1432 ohms"},
        {{"--scheme=1.5", "--fineness=32"}, 15, 32, "1.5 bit, Ryx32, R = 12984 ohms, each 2R = 25968 ohms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        std::vector<std::string> arguments = c.settings;
        for (const char* extra : {"--asm", "out.asm", "-b", "out.ryx", "--wav", "decoded.wav", "--original-wav",
                                  "original.wav", "in.wav"}) {
            arguments.emplace_back(extra);
        }
        const ProcessRun result = run(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find("in.wav: " + std::to_string(kCount) + " samples, 11025 Hz, " + c.summary + " -> out.asm ("), std::string::npos)
            << result.out;

        // The same sound through the core, as the window would do it.
        test::TempDirectory reference;
        auto state = test::makeStartedState();
        state->encoder.algorithmType = c.algorithm;
        state->encoder.fineness = c.fineness;
        ASSERT_TRUE(test::openWave(*state, (work / "in.wav").string()));
        ASSERT_TRUE(exportAssembler(*state, reference / "ref.asm"));
        ASSERT_TRUE(exportBinary(*state, reference / "ref.ryx"));
        EXPECT_EQ(test::readFileBytes(work / "out.asm"), test::readFileBytes(reference / "ref.asm"));
        EXPECT_EQ(test::readFileBytes(work / "out.ryx"), test::readFileBytes(reference / "ref.ryx"));
        const std::span<const std::uint8_t> decoded(state->smoothedSamples.data(), kCount);
        const std::span<const std::uint8_t> original(state->origSamples.data(), kCount);
        EXPECT_EQ(test::readFileBytes(work / "decoded.wav"), test::previewFileBytes(decoded, 11025));
        EXPECT_EQ(test::readFileBytes(work / "original.wav"), test::previewFileBytes(original, 11025));
    }
    // Each run after the first replaced the files; nothing else is left.
    EXPECT_EQ(entriesOf(work.path()),
              (std::vector<std::string>{"decoded.wav", "in.wav", "original.wav", "out.asm", "out.ryx"}));
}

TEST_F(RyxencTest, QualityOptionsMatchTheCore) {
    writeInput("in.wav", waveFile(5003, 11025));
    auto loaded = [&](std::int8_t algorithm, std::int8_t fineness, EncoderChoice choice) {
        auto state = test::makeStartedState();
        state->encoder.algorithmType = algorithm;
        state->encoder.fineness = fineness;
        state->encoderChoice = choice;
        EXPECT_TRUE(test::openWave(*state, (work / "in.wav").string()));
        return state;
    };
    test::TempDirectory reference;

    // --optimal: the optimal encoder's bits, byte for byte as the core exports them.
    const ProcessRun optimal = run({"--optimal", "-s", "1", "-f", "21", "--report", "-b", "opt.ryx", "in.wav"});
    ASSERT_EQ(optimal.status, 0) << optimal.err;
    auto optimalState = loaded(kAlgorithmOneBit, 21, EncoderChoice::optimal);
    ASSERT_TRUE(exportBinary(*optimalState, reference / "opt.ryx"));
    EXPECT_EQ(test::readFileBytes(work / "opt.ryx"), test::readFileBytes(reference / "opt.ryx"));
    EXPECT_NE(test::readFileBytes(work / "opt.ryx"), [&] {
        auto greedy = loaded(kAlgorithmOneBit, 21, EncoderChoice::greedy);
        EXPECT_TRUE(exportBinary(*greedy, reference / "greedy.ryx"));
        return test::readFileBytes(reference / "greedy.ryx");
    }());
    // --report: the figures of what was written, first line; then the summary.
    std::ostringstream expectedReport;
    cli::printQualityLine(expectedReport, "in.wav", measureEncoded(*optimalState), {},
                          outputLevelText(outputLevel(*optimalState)));
    EXPECT_EQ(optimal.out.rfind(expectedReport.str() + "in.wav: 5003 samples, 11025 Hz, 1 bit, Ryx21, optimal, R = ", 0),
              0u) << optimal.out;

    // -f auto: the fineness the core chooses, named in the summary.
    const ProcessRun automatic = run({"-f", "auto", "-b", "auto.ryx", "in.wav"});
    ASSERT_EQ(automatic.status, 0) << automatic.err;
    auto autoState = loaded(kAlgorithmOneAndHalfBit, 16, EncoderChoice::greedy);
    const std::int8_t chosen = chooseFineness(*autoState, EncoderChoice::greedy);
    EXPECT_NE(automatic.out.find("1.5 bit, Ryx" + std::to_string(chosen) + " (best of all finenesses), R = "),
              std::string::npos) << automatic.out;
    autoState->encoder.fineness = chosen;
    encodeSound(*autoState);
    ASSERT_TRUE(exportBinary(*autoState, reference / "auto.ryx"));
    EXPECT_EQ(test::readFileBytes(work / "auto.ryx"), test::readFileBytes(reference / "auto.ryx"));

    // --compare: a heading, the columns and sixteen rows, one of them best; no file.
    const auto before = entriesOf(work.path());
    const ProcessRun table = run({"--compare", "in.wav"});
    ASSERT_EQ(table.status, 0) << table.err;
    std::ostringstream expectedTable;
    cli::printComparison(expectedTable, "in.wav", *autoState, EncoderChoice::greedy,
                         compareSettings(*autoState, EncoderChoice::greedy));
    EXPECT_EQ(table.out, expectedTable.str());
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 18);
    EXPECT_EQ(table.out.find("best"), table.out.rfind("best"));
    EXPECT_EQ(entriesOf(work.path()), before);
}

// The circuit model: the core's bits for the same parts, and the parts named
// in the summary, the quality line and the comparison.
TEST_F(RyxencTest, CircuitModelWritesTheCoresBitsAndNamesTheParts) {
    writeInput("in.wav", waveFile(5003, 11025));
    struct Case {
        std::vector<std::string> settings;
        std::int8_t algorithm;
        std::int8_t fineness;
        EncoderChoice choice;
        CircuitParts parts;
        std::string summary;
    };
    const Case cases[] = {
        {{"--model", "circuit"}, kAlgorithmOneAndHalfBit, 16, EncoderChoice::greedy, {},
         "1.5 bit, Ryx16, circuit model, each 2R = 12776 ohms (exact; nearest E24 13k), C = 220nF"},
        {{"--model", "circuit", "-s", "1", "-f", "8", "--parts", "E12", "--capacitor", "0.1uF", "--load", "10k",
          "--optimal"},
         kAlgorithmOneBit, 8, EncoderChoice::optimal, {{ResistorSeries::e12, {}}, 0.1e-6, 10e3},
         "1 bit, Ryx8, optimal, circuit model, R = 6.8k (exact 6793) ohms, C = 100nF, load 10k ohms"},
        {{"--model=circuit", "-f", "32", "--parts", "10k,8.2k"}, kAlgorithmOneAndHalfBit, 32, EncoderChoice::greedy,
         {{ResistorSeries::given, {10e3, 8.2e3}}},
         "1.5 bit, Ryx32, circuit model, 2R = 10k at A, 8.2k at B (exact 25972) ohms, C = 220nF"},
    };
    test::TempDirectory reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        std::vector<std::string> arguments = c.settings;
        for (const char* extra : {"--report", "-b", "out.ryx", "in.wav"}) arguments.emplace_back(extra);
        const ProcessRun result = run(arguments);
        ASSERT_EQ(result.status, 0) << result.err;

        auto state = test::makeStartedState();
        state->encoder.algorithmType = c.algorithm;
        state->encoder.fineness = c.fineness;
        state->encoderChoice = c.choice;
        state->filterModel = FilterModelChoice::circuit;
        state->circuitParts = c.parts;
        ASSERT_TRUE(test::openWave(*state, (work / "in.wav").string()));
        ASSERT_TRUE(exportBinary(*state, reference / "ref.ryx"));
        EXPECT_EQ(test::readFileBytes(work / "out.ryx"), test::readFileBytes(reference / "ref.ryx"));

        const std::string model = c.summary.substr(c.summary.find("circuit model"));
        std::ostringstream expected;
        const std::string level = outputLevelText(outputLevel(*state));
        cli::printQualityLine(expected, "in.wav", measureEncoded(*state), model, level);
        expected << "in.wav: 5003 samples, 11025 Hz, " << c.summary << " -> out.ryx (625 bytes)\n  output: " << level
                 << '\n';
        EXPECT_EQ(result.out, expected.str());
    }
    // The model matters: the classic model's bits for the last settings differ.
    ASSERT_EQ(run({"-f", "32", "-b", "classic.ryx", "in.wav"}).status, 0);
    EXPECT_NE(test::readFileBytes(work / "classic.ryx"), test::readFileBytes(work / "out.ryx"));

    // --compare through the circuit: the core's figures, the parts in the heading, the resistors to buy per row.
    const ProcessRun table = run({"--compare", "--model", "circuit", "--parts", "e24", "in.wav"});
    ASSERT_EQ(table.status, 0) << table.err;
    auto state = test::makeStartedState();
    state->filterModel = FilterModelChoice::circuit;
    state->circuitParts.resistors.series = ResistorSeries::e24;
    ASSERT_TRUE(test::openWave(*state, (work / "in.wav").string()));
    std::ostringstream expectedTable;
    cli::printComparison(expectedTable, "in.wav", *state, EncoderChoice::greedy,
                         compareSettings(*state, EncoderChoice::greedy));
    EXPECT_EQ(table.out, expectedTable.str());
    EXPECT_EQ(table.out.rfind("in.wav: 5003 samples, 11025 Hz, greedy encoder, circuit model (resistors e24, "
                              "C = 220nF); figures in dB\n", 0), 0u) << table.out;
    EXPECT_NE(table.out.find(" %  R 1.5k\n"), std::string::npos) << table.out;    // Ryx4: 1433 ohms exact
    EXPECT_NE(table.out.find(" %  2R 27k"), std::string::npos) << table.out;  // Ryx32: 25972 ohms exact
}

TEST_F(RyxencTest, FailedReplacementKeepsTheOldFile) {
    writeInput("in.wav", waveFile(20000, 8000));
    const Bytes old(100, 'o');
    test::writeFileBytes(work / "out.asm", old);
    const ProcessRun result = run({"--asm", "out.asm", "in.wav"}, {}, 8192);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, std::string("ryxenc: out.asm: ") + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(test::readFileBytes(work / "out.asm"), old);
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"in.wav", "out.asm"}));
}

TEST_F(RyxencTest, RefusedInputsAreReportedAndTheOthersStillWritten) {
    writeInput("a.wav", waveFile(500, 8000));
    writeInput("stereo.wav", waveFile(500, 8000, 2));
    Bytes notWave = waveFile(500, 8000);
    std::memcpy(&notWave[8], "AVI ", 4);
    writeInput("movie.wav", notWave);
    writeInput("c.wav", waveFile(600, 8000));
    fs::create_directory(work / "folder.wav");

    const ProcessRun result = run({"a.wav", "stereo.wav", "missing.wav", "movie.wav", "folder.wav", "c.wav"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "ryxenc: stereo.wav: Only 8-bit MONO wave files supported!\n"
              "ryxenc: stereo.wav: use --rate 15625 to convert this sound\n"
              "ryxenc: missing.wav: Cannot open file! - no file loaded. (No such file or directory)\n"
              "ryxenc: movie.wav: Not a WAVE file! - no file loaded.\n"
              "ryxenc: folder.wav: Cannot open file! - no file loaded. (Is a directory)\n");
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.asm", "a.wav", "c.asm", "c.wav", "folder.wav",
                                                                "movie.wav", "stereo.wav"}));
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);  // each with its output level
    EXPECT_EQ(result.out.rfind("a.wav: 500 samples", 0), 0u);
    EXPECT_NE(result.out.find("\nc.wav: 600 samples"), std::string::npos);
}

TEST_F(RyxencTest, UnwritableOutputExitsWithThreeAndLeavesNothing) {
    writeInput("a.wav", waveFile(500, 8000));
    fs::create_directory(work / "taken.asm");
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"--asm", "nowhere/a.asm", "a.wav"}, "ryxenc: nowhere/a.asm: No such file or directory\n"},
        {{"--bin", "nowhere/a.ryx", "a.wav"}, "ryxenc: nowhere/a.ryx: No such file or directory\n"},
        {{"--wav", "nowhere/a.wav", "a.wav"}, "ryxenc: nowhere/a.wav: No such file or directory\n"},
        {{"-o", "taken.asm", "a.wav"}, "ryxenc: taken.asm: Is a directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.err, c.error);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.wav", "taken.asm"}));
        EXPECT_TRUE(entriesOf(work / "taken.asm").empty());
    }

    // A write failure outranks a refusal; the good input is still written.
    fs::rename(work / "taken.asm", work / "b.asm");
    writeInput("b.wav", waveFile(500, 8000));
    const ProcessRun mixed = run({"missing.wav", "b.wav", "a.wav"});
    EXPECT_EQ(mixed.status, 3);
    EXPECT_EQ(mixed.err,
              "ryxenc: missing.wav: Cannot open file! - no file loaded. (No such file or directory)\n"
              "ryxenc: b.asm: Is a directory\n");
    EXPECT_TRUE(fs::is_regular_file(work / "a.asm"));
}

TEST_F(RyxencTest, SummaryThatCannotBePrintedIsAFailedOutput) {
    writeInput("a.wav", waveFile(500, 8000));
    const ProcessRun full = run({"a.wav"}, "/dev/full");
    EXPECT_EQ(full.status, 3);
    EXPECT_EQ(full.err, "ryxenc: standard output: write error\n");
    EXPECT_EQ(run({"-q", "a.wav"}, "/dev/full").status, 0);
}

TEST_F(RyxencTest, QuietPrintsOnlyErrors) {
    writeInput("a.wav", waveFile(500, 8000));
    const ProcessRun quiet = run({"-q", "a.wav", "missing.wav"});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "ryxenc: missing.wav: Cannot open file! - no file loaded. (No such file or directory)\n");
    EXPECT_TRUE(fs::exists(work / "a.asm"));
}

TEST_F(RyxencTest, InputThatLooksLikeAnOptionOrAnOutput) {
    writeInput("-odd.wav", waveFile(500, 8000));
    EXPECT_EQ(run({"--", "-odd.wav"}).status, 0);
    EXPECT_TRUE(fs::exists(work / "-odd.asm"));

    // The default name would overwrite the input itself.
    const Bytes input = waveFile(500, 8000);
    writeInput("sound.asm", input);
    const ProcessRun result = run({"sound.asm"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "ryxenc: sound.asm (assembler file of sound.asm) would replace the input sound.asm; "
                          "nothing was written\n");
    EXPECT_EQ(test::readFileBytes(work / "sound.asm"), input);
}

// An output named through a link replaces the file the link names, and a pipe
// receives the text: neither the link nor the pipe is replaced by a file.
TEST_F(RyxencTest, OutputThroughALinkOrIntoAPipe) {
    writeInput("a.wav", waveFile(500, 8000));
    ASSERT_EQ(run({"--asm", "expected.asm", "-b", "expected.ryx", "a.wav"}).status, 0);
    const Bytes expectedAsm = test::readFileBytes(work / "expected.asm");

    fs::create_directory(work / "firmware");
    test::writeFileBytes(work / "firmware/sound.asm", {'o', 'l', 'd'});
    fs::create_symlink("firmware/sound.asm", work / "sound.asm");
    ASSERT_EQ(run({"--asm", "sound.asm", "a.wav"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(work / "sound.asm"));
    EXPECT_EQ(test::readFileBytes(work / "firmware/sound.asm"), expectedAsm);
    EXPECT_EQ(entriesOf(work / "firmware"), std::vector<std::string>{"sound.asm"});

    ASSERT_EQ(mkfifo((work / "pipe").c_str(), 0600), 0);
    // Open for reading and writing, so the program's open never blocks; the
    // 61 bytes of the binary fit the pipe's buffer.
    const int pipe = open((work / "pipe").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(pipe, 0);
    EXPECT_EQ(run({"-q", "-b", "pipe", "a.wav"}).status, 0);
    std::vector<std::uint8_t> received(1000);
    const ssize_t count = read(pipe, received.data(), received.size());
    close(pipe);
    received.resize(count < 0 ? 0 : static_cast<std::size_t>(count));
    EXPECT_EQ(received, test::readFileBytes(work / "expected.ryx"));
    EXPECT_TRUE(fs::is_fifo(work / "pipe"));
}

struct RefusedRun {
    std::vector<std::string> arguments;
    std::string error;
};

// No output may be an input, whatever name leads to it; the run writes nothing.
TEST_F(RyxencTest, OutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
    const Bytes input = waveFile(500, 8000);
    writeInput("in.wav", input);
    writeInput("in.asm", input);
    fs::create_symlink("in.wav", work / "link.wav");
    fs::create_hard_link(work / "in.wav", work / "hard.wav");
    const RefusedRun cases[] = {
        {{"--wav", "in.wav", "in.wav"}, "in.wav (--wav) would replace the input in.wav"},
        {{"-b", "out.ryx", "--original-wav", "./in.wav", "in.wav"},
         "./in.wav (--original-wav) would replace the input in.wav"},
        {{"--asm", "link.wav", "in.wav"}, "link.wav (--asm) would replace the input in.wav"},
        {{"--bin", "hard.wav", "in.wav"}, "hard.wav (--bin) would replace the input in.wav"},
        {{"--wav", "in.wav", "link.wav"}, "in.wav (--wav) would replace the input link.wav"},
        {{"in.wav", "in.asm"}, "in.asm (assembler file of in.wav) would replace the input in.asm"},
    };
    for (const RefusedRun& c : cases) {
        SCOPED_TRACE(c.error);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.err, "ryxenc: " + c.error + "; nothing was written\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"hard.wav", "in.asm", "in.wav", "link.wav"}));
        EXPECT_EQ(test::readFileBytes(work / "in.wav"), input);
        EXPECT_EQ(test::readFileBytes(work / "in.asm"), input);
    }
}

// Two outputs of one run that name one file, spelled alike or not, are refused
// before anything is written: none of them would survive.
TEST_F(RyxencTest, OutputsThatAreOneFileAreRefusedBeforeAnythingIsWritten) {
    writeInput("t.wav", waveFile(500, 8000));
    writeInput("t.wave", waveFile(600, 8000));
    fs::create_directory(work / "sub");
    fs::create_symlink("x", work / "to-x");
    const RefusedRun cases[] = {
        {{"--asm", "x", "--bin", "x", "t.wav"}, "x (--asm) and x (--bin) are one file"},
        {{"--asm", "x", "--wav", "sub/../x", "t.wav"}, "x (--asm) and sub/../x (--wav) are one file"},
        {{"--bin", "to-x", "--original-wav", "x", "t.wav"}, "to-x (--bin) and x (--original-wav) are one file"},
        {{"t.wav", "t.wave"}, "t.asm (assembler file of t.wav) and t.asm (assembler file of t.wave) are one file"},
    };
    for (const RefusedRun& c : cases) {
        SCOPED_TRACE(c.error);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.err, "ryxenc: " + c.error + "; nothing was written\n");
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"sub", "t.wav", "t.wave", "to-x"}));
    }
}

// A sound read from a pipe, a FIFO or the standard input gives exactly what
// the same bytes give from a file, a too-long one with the same warning.
TEST_F(RyxencTest, SoundFromAPipeEncodesAsTheSameBytesInAFile) {
    for (const std::size_t count : {std::size_t{8}, std::size_t{5003}, std::size_t{kMaxSamples} + 1000}) {
        SCOPED_TRACE(count);
        const Bytes bytes = waveFile(count, 11025);
        writeInput("file.wav", bytes);
        const ProcessRun fromFile = run({"-q", "--asm", "file.asm", "--bin", "file.ryx", "file.wav"});
        ASSERT_EQ(fromFile.status, 0) << fromFile.err;
        const std::string warning =
            count > kMaxSamples ? ": warning: the sound has 263500 samples; kept the first 262500, dropped 1000\n" : "";
        EXPECT_EQ(fromFile.err, warning.empty() ? "" : "ryxenc: file.wav" + warning);

        const ProcessRun piped = runWithInput({"-q", "--asm", "pipe.asm", "--bin", "pipe.ryx", "-"}, bytes);
        EXPECT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.err, warning.empty() ? "" : "ryxenc: standard input" + warning);
        EXPECT_EQ(test::readFileBytes(work / "pipe.asm"), test::readFileBytes(work / "file.asm"));
        EXPECT_EQ(test::readFileBytes(work / "pipe.ryx"), test::readFileBytes(work / "file.ryx"));

        EXPECT_EQ(runWithInput({"-q", "--asm", "stdin.asm", "/dev/stdin"}, bytes).status, 0);
        EXPECT_EQ(test::readFileBytes(work / "stdin.asm"), test::readFileBytes(work / "file.asm"));

        ASSERT_EQ(mkfifo((work / "fifo.wav").c_str(), 0600), 0);
        std::thread feeder([&] { test::writeFileBytes(work / "fifo.wav", bytes); });
        const ProcessRun fromFifo = run({"-q", "--asm", "fifo.asm", "fifo.wav"});
        feeder.join();
        EXPECT_EQ(fromFifo.status, 0) << fromFifo.err;
        EXPECT_EQ(test::readFileBytes(work / "fifo.asm"), test::readFileBytes(work / "file.asm"));
        fs::remove(work / "fifo.wav");
    }
}

// "-" as an output is the standard output; the summary then goes to the
// standard error, so the output stays clean.
TEST_F(RyxencTest, StandardOutputAsAnOutput) {
    const Bytes input = waveFile(500, 8000);
    writeInput("a.wav", input);
    ASSERT_EQ(run({"-q", "--asm", "a.asm", "--bin", "a.ryx", "--wav", "a-decoded.wav", "a.wav"}).status, 0);
    const std::pair<const char*, const char*> cases[] = {
        {"--asm", "a.asm"}, {"--bin", "a.ryx"}, {"--wav", "a-decoded.wav"}};
    for (const auto& [option, file] : cases) {
        SCOPED_TRACE(option);
        const ProcessRun result = run({option, "-", "a.wav"});
        EXPECT_EQ(result.status, 0) << result.err;
        const Bytes expected = test::readFileBytes(work / file);
        EXPECT_EQ(result.out, std::string(expected.begin(), expected.end()));
        EXPECT_EQ(result.err.rfind("a.wav: 500 samples", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("-> standard output\n"), std::string::npos) << result.err;
    }
    // The standard input's assembler file goes to the standard output.
    const ProcessRun filter = runWithInput({"-q", "-"}, input);
    const Bytes expected = test::readFileBytes(work / "a.asm");
    EXPECT_EQ(filter.out, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(filter.status, 0);
}

// Runs a shell script in `directory` with ryxenc as $0; its exit status.
int runShell(const std::string& script, const fs::path& directory) {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(directory.c_str()) != 0) _exit(127);
        execl("/bin/sh", "sh", "-c", script.c_str(), RYXENC_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A name of the standard output is written through it, as "-" is: into a
// pipe, or into the file a grouped redirection has open, between the lines
// around it; the summary goes to the standard error, and no file is made.
TEST_F(RyxencTest, NamesOfTheStandardOutputAreWrittenThroughIt) {
    writeInput("a.wav", waveFile(500, 8000));
    ASSERT_EQ(run({"-q", "--bin", "a.ryx", "--wav", "a-decoded.wav", "a.wav"}).status, 0);
    const std::pair<std::string, const char*> cases[] = {{"--bin /dev/stdout", "a.ryx"},
                                                         {"--wav /proc/self/fd/1", "a-decoded.wav"}};
    for (const auto& [option, file] : cases) {
        SCOPED_TRACE(option);
        const Bytes bytes = test::readFileBytes(work / file);
        const std::string expected(bytes.begin(), bytes.end());
        const std::string command = "\"$0\" " + option + " a.wav";
        EXPECT_EQ(runShell("{ " + command + " -q && echo ok >&2; } 2> status | cat > piped", work.path()), 0);
        EXPECT_EQ(test::readFileText(work / "status") + test::readFileText(work / "piped"), "ok\n" + expected);
        EXPECT_EQ(runShell("{ echo header; " + command + "; echo footer; } > log 2> err", work.path()), 0);
        EXPECT_EQ(test::readFileText(work / "log"), "header\n" + expected + "footer\n");
        EXPECT_NE(test::readFileText(work / "err").find("a.wav: 500 samples"), std::string::npos);
        EXPECT_EQ(entriesOf(work.path()),
                  (std::vector<std::string>{"a-decoded.wav", "a.ryx", "a.wav", "err", "log", "piped", "status"}));
    }
}

// No control character reaches the terminal raw, C0 or C1 (as UTF-8 or as a
// lone byte), in a usage error or in a summary; other UTF-8 is shown as it is.
TEST_F(RyxencTest, ControlCharactersArePrintedQuoted) {
    writeInput("a.wav", waveFile(100, 8000));
    const RefusedRun usageErrors[] = {
        {{"--chip=\x1b[2J", "a.wav"}, "unknown chip \"\\x1b[2J\" (ryxenc --list-chips shows them)"},
        {{"--scheme", "\xc2\x9b" "2J", "a.wav"}, "invalid scheme \"\\xc2\\x9b2J\" (use 1 or 1.5)"},
        {{"-r", "\x9b", "a.wav"}, "invalid rate \"\\x9b\" (use a whole number of hertz, 1000 to 48000)"},
        {{"--\xc2\x85", "a.wav"}, "unknown option \"--\\xc2\\x85\""},
        {{"-\a", "a.wav"}, "unknown option \"-\\x07\""},
    };
    for (const RefusedRun& c : usageErrors) {
        SCOPED_TRACE(c.error);
        const ProcessRun result = run(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "ryxenc: " + c.error +
                                  "\nUsage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
                                  "Try 'ryxenc --help' for more information.\n");
    }

    struct Name {
        std::string file;
        std::string shownInput;
        std::string shownOutput;
    };
    const Name names[] = {
        {"evil\x1b[2J\n.wav", "\"evil\\x1b[2J\\n.wav\"", "\"evil\\x1b[2J\\n.asm\""},
        {"c1\xc2\x9b" "2J.wav", "\"c1\\xc2\\x9b2J.wav\"", "\"c1\\xc2\\x9b2J.asm\""},
        {"lone\x9b.wav", "\"lone\\x9b.wav\"", "\"lone\\x9b.asm\""},
        // The euro sign's middle byte is 0x82, a C1 value inside a character.
        {"caf\xc3\xa9 \xe2\x82\xac.wav", "caf\xc3\xa9 \xe2\x82\xac.wav", "caf\xc3\xa9 \xe2\x82\xac.asm"},
    };
    for (const Name& name : names) {
        SCOPED_TRACE(name.shownInput);
        const ProcessRun missing = run({name.file});
        EXPECT_EQ(missing.status, 1);
        EXPECT_EQ(missing.err, "ryxenc: " + name.shownInput +
                                   ": Cannot open file! - no file loaded. (No such file or directory)\n");
        writeInput(name.file, waveFile(100, 8000));
        const ProcessRun loaded = run({name.file});
        EXPECT_EQ(loaded.status, 0) << loaded.err;
        EXPECT_EQ(loaded.out.rfind(name.shownInput + ": 100 samples", 0), 0u) << loaded.out;
        EXPECT_NE(loaded.out.find("-> " + name.shownOutput + " ("), std::string::npos) << loaded.out;
    }
}

// Replacing keeps the mode; a dangling link gets its file; a loop is refused
// untouched; the longest legal names work.
TEST_F(RyxencTest, ModesLinksAndLongNames) {
    writeInput("a.wav", waveFile(500, 8000));
    test::writeFileBytes(work / "p.asm", {'k'});
    ASSERT_EQ(chmod((work / "p.asm").c_str(), 0600), 0);
    EXPECT_EQ(run({"-q", "-o", "p.asm", "a.wav"}).status, 0);
    EXPECT_EQ(fs::status(work / "p.asm").permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_symlink("made.asm", work / "dl.asm");
    EXPECT_EQ(run({"-q", "-o", "dl.asm", "a.wav"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(work / "dl.asm"));
    EXPECT_EQ(test::readFileBytes(work / "made.asm"), test::readFileBytes(work / "p.asm"));

    fs::create_symlink("l2", work / "l1");
    fs::create_symlink("l1", work / "l2");
    const ProcessRun loop = run({"-q", "-o", "l1", "a.wav"});
    EXPECT_EQ(loop.status, 3);
    EXPECT_EQ(loop.err, std::string("ryxenc: l1: ") + std::strerror(ELOOP) + "; nothing was written\n");
    EXPECT_EQ(fs::read_symlink(work / "l1"), "l2");

    const std::string longName = std::string(251, 'n') + ".asm";
    EXPECT_EQ(run({"-q", "-o", longName, "a.wav"}).status, 0);
    EXPECT_EQ(run({"-q", "-o", longName, "a.wav"}).status, 0);
    EXPECT_EQ(entriesOf(work.path()),
              (std::vector<std::string>{"a.wav", "dl.asm", "l1", "l2", "made.asm", longName, "p.asm"}));
}

// An existing output is replaced by one plain rename, which the file system
// guards (its data is written before the rename counts), never by swapping
// two names.
TEST_F(RyxencTest, ReplacesByPlainRename) {
    if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed";
    writeInput("a.wav", waveFile(500, 8000));
    test::writeFileBytes(work / "out.asm", {'o', 'l', 'd'});
    const std::string command = "cd '" + work.path().string() + "' && strace -f -qq -e trace=rename,renameat,renameat2 -o '" +
                                (scratch / "calls.txt").string() + "' '" + RYXENC_PATH + "' -q -o out.asm a.wav";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string calls = test::readFileText(scratch / "calls.txt");
    EXPECT_EQ(calls.find("RENAME_EXCHANGE"), std::string::npos) << calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), 1) << calls;
    EXPECT_NE(calls.find("\"out.asm\""), std::string::npos) << calls;
    EXPECT_GT(fs::file_size(work / "out.asm"), 3u);
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.wav", "out.asm"}));
}

// A device named as an input is refused without being opened: opening a
// terminal or a tape may block or act.
TEST_F(RyxencTest, RefusesADeviceInputWithoutOpeningIt) {
    if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed";
    const std::string command = "strace -f -qq -e trace=open,openat -o '" + (scratch / "calls.txt").string() + "' '" +
                                RYXENC_PATH + "' /dev/null 2> '" + (scratch / "err.txt").string() + "'";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    EXPECT_NE(test::readFileText(scratch / "err.txt").find("/dev/null: Cannot open file! - no file loaded. (not a file or a pipe)"),
              std::string::npos)
        << test::readFileText(scratch / "err.txt");
    const std::string calls = test::readFileText(scratch / "calls.txt");
    EXPECT_EQ(calls.find("\"/dev/null\""), std::string::npos) << calls;
}

// The whole PIC program: the same bytes as the core makes, the chip's
// figures in the summary, and a sound that does not fit refused with exit 1.
TEST_F(RyxencTest, PicProgramFilesAndTheirRefusal) {
    writeInput("in.wav", waveFile(8000, 8000));
    const ProcessRun result =
        run({"--hex", "in.hex", "--program", "in.pic.asm", "--chip", "PIC16F88", "--loop", "-s", "1", "in.wav"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\n  PIC16F88 at 8000000 Hz: 250 cycles per sample, 8000.000 Hz (pitch +0.000 %), "
                              "828 of 4096 words, looping\n"),
              std::string::npos)
        << result.out;

    test::TempDirectory reference;
    auto state = test::makeStartedState();
    state->encoder.algorithmType = kAlgorithmOneBit;
    ASSERT_TRUE(test::openWave(*state, (work / "in.wav").string()));
    const PicProgramSettings settings{findPicChip("16f88"), 0, true};
    ASSERT_TRUE(writePicHex(*state, settings, reference / "ref.hex"));
    ASSERT_TRUE(writePicAssembler(*state, settings, reference / "ref.asm"));
    EXPECT_EQ(test::readFileBytes(work / "in.hex"), test::readFileBytes(reference / "ref.hex"));
    EXPECT_EQ(test::readFileBytes(work / "in.pic.asm"), test::readFileBytes(reference / "ref.asm"));

    // 14344 samples, 14343 of them encoded, need one word more than the chip
    // has: the input is refused before any of its files is written.
    writeInput("over.wav", waveFile(14344, 8000));
    const ProcessRun refused =
        run({"over.wav", "--asm", "a", "--bin", "b", "--wav", "c", "--original-wav", "d", "--hex", "h"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ryxenc: over.wav: the sound does not fit the PIC16F628A: its 14343 samples need "
                           "2049 words of 2048. 14336 samples fit, 1.79 s at 8000 Hz; use a lower sample rate, a "
                           "shorter sound, or a larger chip such as the PIC16F648A (4096 words)\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"in.hex", "in.pic.asm", "in.wav", "over.wav"}));

    const ProcessRun list = run({"--list-chips"});
    EXPECT_EQ(list.status, 0);
    for (const PicChip& chip : picChips()) EXPECT_NE(list.out.find(chip.processor), std::string::npos);
    // Pins with their package numbers, and the seconds that fit at each rate.
    for (const char* row : {
             "16f877a     8192   RB0 (pin 33), RB1 (pin 34)   13.89 s    7.11 s  packed  a crystal: --clock needed\n",
             "12f683      2048   GP0 (pin 7), GP1 (pin 6)      1.79 s    0.92 s  retlw   internal 8000000 Hz",
             "16f648a     4096   RB0 (pin 6), RB1 (pin 7)      3.84 s    1.97 s  retlw   internal 4000000 Hz",
             // Then the trigger pins of each chip, those a crystal takes named.
             "\n12f683      GP2 (pin 5), GP4 (pin 3), GP5 (pin 2); GP4 and GP5 only on the internal oscillator\n",
             "\n16f1709     RA2 (pin 17), RC2 (pin 14), RC3 (pin 7), RC4 (pin 6)\n",
             "\n18f26k22    RB4 (pin 25), RB5 (pin 26), RB6 (pin 27), RB7 (pin 28)\n"}) {
        EXPECT_NE(list.out.find(row), std::string::npos) << row << "\n" << list.out;
    }
}

// --include writes the library's include for the bank, addresses in decimal
// or hex, on a PIC18 its registers by default in the access bank; a routine
// that cannot be made is refused and nothing written.
TEST_F(RyxencTest, IncludeForTheUsersProgram) {
    writeInput("a.wav", waveFile(2001, 8000));
    writeInput("b.wav", waveFile(1601, 8000));
    const ProcessRun result =
        run({"--bank", "--include", "sounds.inc", "--org", "1024", "--ram", "0x20", "-s", "1", "a.wav", "b.wav"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("W = 1\n"), std::string::npos) << result.out;

    test::TempDirectory reference;
    const OpenedSounds opened = openSounds({"a.wav", "b.wav"});
    ASSERT_EQ(opened.sounds.size(), 2u);
    const std::vector<const ProgramState*>& sounds = opened.sounds;
    PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    settings.form = PlayerForm::routine;
    settings.org = 0x400;
    settings.ram = 0x20;
    ASSERT_TRUE(writePicRoutineInclude(sounds, settings, reference / "ref.inc"));
    EXPECT_EQ(test::readFileBytes(work / "sounds.inc"), test::readFileBytes(reference / "ref.inc"));

    const ProcessRun pic18 = run({"--bank", "--include", "k22.inc", "--chip", "18f26k22", "-s", "1", "a.wav", "b.wav"});
    ASSERT_EQ(pic18.status, 0) << pic18.err;
    PicProgramSettings k22{findPicChip("18f26k22"), 0, false};
    k22.form = PlayerForm::routine;
    k22.ram = kDefaultPic18RoutineRam;
    ASSERT_TRUE(writePicRoutineInclude(sounds, k22, reference / "k22.inc"));
    EXPECT_EQ(test::readFileBytes(work / "k22.inc"), test::readFileBytes(reference / "k22.inc"));

    const ProcessRun refused = run({"--include", "x.inc", "--ram", "0x75", "a.wav"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("16 file registers from 0x75 are not all in bank 0"), std::string::npos) << refused.err;
    const ProcessRun refused18 = run({"--include", "x.inc", "--chip", "18f2520", "--ram", "0x70", "a.wav"});
    EXPECT_EQ(refused18.status, 1);
    EXPECT_NE(refused18.err.find("16 file registers from 0x70 are not all in the access bank"), std::string::npos)
        << refused18.err;
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.wav", "b.wav", "k22.inc", "sounds.inc"}));
}

// --c writes the array under the name given, or the input's name made a C identifier.
TEST_F(RyxencTest, CHeaderNamesItsArray) {
    writeInput("door chime.wav", waveFile(4001, 8000));
    ASSERT_EQ(run({"--c", "a.h", "door chime.wav"}).status, 0);
    EXPECT_NE(test::readFileText(work / "a.h").find("static const unsigned char RYX_STORAGE door_chime[500]"),
              std::string::npos);
    ASSERT_EQ(run({"--c", "b.h", "--name", "bell", "door chime.wav"}).status, 0);
    EXPECT_NE(test::readFileText(work / "b.h").find("#define bell_SAMPLES 4000UL"), std::string::npos);
    const ProcessRun badName = run({"--c", "c.h", "--name", "2bell", "door chime.wav"});
    EXPECT_EQ(badName.status, 2);
    EXPECT_NE(badName.err.find("invalid array name '2bell'"), std::string::npos) << badName.err;
    const ProcessRun alone = run({"--name", "bell", "door chime.wav"});
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.err.find("--name names the array of --c"), std::string::npos) << alone.err;
}

// A name given that would not compile is refused before anything is
// written, saying why; one made from a file is changed, the summary says to
// what, and the header compiles beside the user's own main.
TEST_F(RyxencTest, CHeaderNamesAlwaysCompile) {
    if (std::system("command -v cc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no C compiler";
    for (const char* name : {"a", "b", "main", "sounds", "a_COUNT", "d1/a", "d2/a"}) {
        fs::create_directories((work / name).parent_path());
        writeInput(std::string(name) + ".wav", waveFile(801, 8000));
    }
    const std::vector<std::string> inputs = entriesOf(work.path());
    for (const char* name : {"RYX_STORAGE", "__LINE__", "__FILE__", "_Static_assert", "_Alignas", "_Atomic",
                             "_Noreturn", "_Thread_local", "_Generic", "_Alignof", "main"}) {
        const ProcessRun refused = run({"--bank", "--hex", "p.hex", "--c", "o.h", "--name", name, "a.wav", "b.wav"});
        EXPECT_EQ(refused.status, 2) << name;
        EXPECT_NE(refused.err.find("invalid array name '" + std::string(name) + "': it "), std::string::npos) << refused.err;
    }
    EXPECT_EQ(entriesOf(work.path()), inputs);

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"main.wav"}, "\n  C array main_sound: \"main\" is the name of the program's function main\n"},
        {{"--bank", "sounds.wav", "b.wav"}, ", C array sounds_sound (\"sounds\" is the bank's table)\n"},
        {{"--bank", "--name", "a", "a_COUNT.wav", "b.wav"}, ", C array a_COUNT_sound (\"a_COUNT\" is a figure of the bank)"},
        // Two files of one name, and a PIC program written first.
        {{"--bank", "--hex", "p.hex", "d1/a.wav", "d2/a.wav"}, ", C array a_sound (\"a\" is the array of sound 1)"},
    };
    std::ofstream(work / "user.c") << "#include \"o.h\"\nint main(void) { return 0; }\n";
    for (const auto& [arguments, said] : cases) {
        std::vector<std::string> all{"--c", "o.h"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const ProcessRun made = run(all);
        ASSERT_EQ(made.status, 0) << made.err;
        EXPECT_NE(made.out.find(said), std::string::npos) << made.out;
        const std::string compile = "cd '" + work.path().string() + "' && cc -std=c99 -Wall -Wextra -pedantic -Werror "
                                                                    "-c user.c -o user.o 2> cc.out";
        EXPECT_EQ(std::system(compile.c_str()), 0) << said << test::readFileText(work / "cc.out");
    }
}

// --bank with one sound is still a bank: the table under its name.
// Outputs that hold different numbers of a sound's samples say so.
TEST_F(RyxencTest, CHeaderHoldsEveryEncodedSample) {
    writeInput("a.wav", waveFile(14, 8000));
    const ProcessRun one = run({"--bank", "--c", "o.h", "--name", "foo", "a.wav"});
    ASSERT_EQ(one.status, 0) << one.err;
    const std::string bank = test::readFileText(work / "o.h");
    for (const char* line : {"#define a_SAMPLES 13UL", "RYX_STORAGE a[2] = {", "#define foo_COUNT 1\n",
                             "*const foo[1] = {a};", "foo_samples[1] = {a_SAMPLES};"}) {
        EXPECT_NE(bank.find(line), std::string::npos) << line << "\n" << bank;
    }
    EXPECT_NE(one.out.find("\nbank of 1 sound -> o.h\n"), std::string::npos) << one.out;

    const ProcessRun held = run({"--bin", "a.bin", "--c", "a.h", "--hex", "a.hex", "a.wav"});
    ASSERT_EQ(held.status, 0) << held.err;
    EXPECT_NE(held.out.find("\n  encoded samples held (of 13): a.bin 8, a.hex "), std::string::npos) << held.out;
    EXPECT_NE(held.out.find(", a.h 13\n"), std::string::npos) << held.out;
    writeInput("c.wav", waveFile(17, 8000));
    EXPECT_EQ(run({"--bin", "c.bin", "--c", "c.h", "c.wav"}).out.find("held"), std::string::npos);  // 16: whole bytes
}

// --c-player: the player's files in a folder made for them (sounds.h as --c
// writes it), main.c only for a chip, the summary's timer, pitch, flash and
// cycles; what cannot be played refused with nothing written.
TEST_F(RyxencTest, CPlayerWritesItsFolder) {
    writeInput("a.wav", waveFile(4001, 8000));
    writeInput("b.wav", waveFile(2001, 11025));
    const CPlayerTarget& mega = *findCPlayerTarget("atmega328p");
    const ProcessRun made = run({"--c-player", "out/avr", "--target", "atmega328p", "-s", "1", "a.wav"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(entriesOf(work / "out/avr"), (std::vector<std::string>{"main.c", "ryx_player.c", "ryx_player.h", "sounds.h"}));
    EXPECT_NE(made.out.find("ATmega328P at 16000000 Hz: Timer1 every 2000 cycles, 8000.000 Hz (pitch +0.000 %); "
                            "the player takes at most " + std::to_string(mega.playerFlashBytes) +
                            " bytes of flash, a tick at most " + std::to_string(mega.tickCycles) + " cycles"),
              std::string::npos) << made.out;
    ASSERT_EQ(run({"--c", "a.h", "-s", "1", "a.wav"}).status, 0);
    EXPECT_EQ(test::readFileText(work / "out/avr/sounds.h"), test::readFileText(work / "a.h"));

    // 8 MHz / 11025 Hz: 91 counts of 8 cycles.
    const ProcessRun tiny = run({"--c-player", "tiny", "--target", "attiny85", "b.wav"});
    ASSERT_EQ(tiny.status, 0) << tiny.err;
    EXPECT_NE(tiny.out.find("ATtiny85 at 8000000 Hz: Timer0 every 728 cycles, 10989.011 Hz (pitch -0.326 %)"),
              std::string::npos) << tiny.out;
    const ProcessRun generic = run({"--c-player", "gen", "a.wav"});
    ASSERT_EQ(generic.status, 0) << generic.err;
    EXPECT_EQ(entriesOf(work / "gen"), (std::vector<std::string>{"ryx_player.c", "ryx_player.h", "sounds.h"}));

    struct Refusal {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const Refusal refusals[] = {
        {{"--bank", "--c-player", "x", "--target", "attiny85", "a.wav", "a.wav", "a.wav", "a.wav"}, 1,
         "the ATtiny85 has 3 trigger pins, not 4"},
        {{"--c-player", "x", "--target", "attiny85", "--clock", "1000000", "b.wav"}, 1,
         "the ATtiny85 at 1000000 Hz plays at most 3846 samples a second"},
        {{"--target", "attiny85", "a.wav"}, 2, "--target names the chip of --c-player's main.c"},
        {{"--c-player", "x", "--target", "avr", "a.wav"}, 2, "invalid target 'avr' (use atmega328p, attiny85 or generic)"},
        {{"--c-player", "-", "a.wav"}, 2, "--c-player writes files into a folder, not '-'"},
    };
    for (const Refusal& refusal : refusals) {
        const ProcessRun refused = run(refusal.arguments);
        EXPECT_EQ(refused.status, refusal.status) << refusal.message;
        EXPECT_NE(refused.err.find(refusal.message), std::string::npos) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(work / "x")) << refusal.message;
    }
}

// --bank: one program for every input, the same bytes as the library makes
// from the same sounds; inputs of two rates, or files a bank cannot hold, refused.
TEST_F(RyxencTest, BankMakesOneProgramOfEveryInput) {
    writeInput("a.wav", waveFile(3001, 8000));
    writeInput("b.wav", waveFile(2001, 8000));
    writeInput("c.wav", waveFile(2001, 11025));
    const ProcessRun made = run({"--bank", "--hex", "bank.hex", "-s", "1", "a.wav", "b.wav"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.out.find("sound 2: b.wav, 2001 samples, 8000 Hz, 1 bit, Ryx16, on RB5 (pin 11)"),
              std::string::npos) << made.out;

    const OpenedSounds opened = openSounds({"a.wav", "b.wav"});
    ASSERT_EQ(opened.sounds.size(), 2u);
    const std::vector<const ProgramState*>& sounds = opened.sounds;
    PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    settings.trigger = PlayTrigger::pins;
    test::TempDirectory reference;
    ASSERT_TRUE(writePicBankHex(sounds, settings, reference / "ref.hex"));
    EXPECT_EQ(test::readFileBytes(work / "bank.hex"), test::readFileBytes(reference / "ref.hex"));

    // -f auto: one fineness for the bank, the one under which the sound it
    // suits least sounds best, though each alone would take another.
    for (const auto& [name, hertz] : {std::pair("low.wav", 440.0), std::pair("high.wav", 660.0)}) {
        Bytes samples(4000);
        for (std::size_t k = 0; k < samples.size(); ++k) {
            samples[k] = static_cast<std::uint8_t>(128 + std::lround(100 * std::sin(2 * M_PI * hertz * static_cast<double>(k) / 8000)));
        }
        writeInput(name, test::wave46(samples, {.rate = 8000}));
    }
    const OpenedSounds tones = openSounds({"low.wav", "high.wav"});
    ASSERT_EQ(tones.sounds.size(), 2u);
    ASSERT_NE(chooseFineness(*tones.sounds[0], EncoderChoice::greedy), chooseFineness(*tones.sounds[1], EncoderChoice::greedy));
    const ProcessRun automatic = run({"--bank", "-f", "auto", "-s", "1", "--hex", "auto.hex", "low.wav", "high.wav"});
    ASSERT_EQ(automatic.status, 0) << automatic.err;
    std::int8_t best = 0;
    double bestWorst = -1e300;
    for (const FinenessEntry& entry : fineTable) {
        double worst = 1e300;
        for (const ProgramState* sound : tones.sounds) {
            worst = std::min(worst, TrialEncoder(*sound).measure(kAlgorithmOneBit, entry.fineness, EncoderChoice::greedy).lowPassSnrDb);
        }
        if (worst >= bestWorst) std::tie(best, bestWorst) = std::pair(entry.fineness, worst);
    }
    const std::string fineness(finenessItemText(best));
    EXPECT_NE(automatic.out.find("bank of 2 sounds, " + fineness + " (best of all"), std::string::npos) << automatic.out;
    for (const char* line : {"low.wav, 4000 samples, 8000 Hz, 1 bit, ", "high.wav, 4000 samples, 8000 Hz, 1 bit, "}) {
        EXPECT_NE(automatic.out.find(line + fineness + ", on RB"), std::string::npos) << line;
    }

    const ProcessRun rates = run({"--bank", "--hex", "x.hex", "a.wav", "c.wav"});
    EXPECT_EQ(rates.status, 1);
    EXPECT_NE(rates.err.find("sound 2 has 11025 Hz and sound 1 8000 Hz: import them at one rate with -r"),
              std::string::npos) << rates.err;
    EXPECT_FALSE(std::filesystem::exists(work / "x.hex"));
    EXPECT_EQ(run({"--bank", "--asm", "x.asm", "a.wav", "b.wav"}).status, 2);
}

// Under the circuit model every file that draws the circuit names the parts
// the bits were chosen for, as the summary does: never the classic R and
// 0.22 uF, never the exact value where a series value was modelled.
TEST_F(RyxencTest, CircuitModelFilesNameTheModelledParts) {
    writeInput("a.wav", waveFile(4001, 8000));
    struct Case {
        std::vector<std::string> settings;
        std::string resistors;  // as the summary names them
        std::string capacitorAndLoad;
    };
    const std::vector<Case> cases{
        {{"--parts", "4.7k,10k", "--capacitor", "1u"}, "2R = 4.7k at A, 10k at B (exact 3874) ohms", "C = 1uF"},
        {{"--parts", "e12", "--load", "22k"}, "each 2R = 18k (exact 17608) ohms", "C = 220nF, load 22k ohms"},
        {{"-s", "1", "--capacitor", "100n"}, "R = 19368 ohms (exact; nearest E24 20k)", "C = 100nF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resistors);
        std::vector<std::string> files{"--model", "circuit", "-o", "x.asm", "--program", "p.asm", "--c", "o.h"};
        std::vector<std::string> include{"--model", "circuit", "--include", "i.inc"};
        for (std::vector<std::string>* arguments : {&files, &include}) {
            arguments->insert(arguments->end(), c.settings.begin(), c.settings.end());
            arguments->push_back("a.wav");
            const ProcessRun made = run(*arguments);
            ASSERT_EQ(made.status, 0) << made.err;
            EXPECT_NE(made.out.find("circuit model, " + c.resistors + ", " + c.capacitorAndLoad + " ->"),
                      std::string::npos) << made.out;
        }
        const std::string capacitor = c.capacitorAndLoad.substr(0, c.capacitorAndLoad.find(','));
        const std::string load = c.capacitorAndLoad.find("load") == std::string::npos
                                     ? std::string()
                                     : c.capacitorAndLoad.substr(c.capacitorAndLoad.find("load"));
        for (const char* name : {"x.asm", "p.asm", "o.h", "i.inc"}) {
            SCOPED_TRACE(name);
            const std::string text = test::readFileText(work / name);
            EXPECT_NE(text.find(c.resistors), std::string::npos) << text.substr(0, 1500);
            EXPECT_NE(text.find(capacitor), std::string::npos);
            if (!load.empty()) {
                EXPECT_NE(text.find(load), std::string::npos);
            }
            EXPECT_EQ(text.find("0.22 uF"), std::string::npos);
            EXPECT_EQ(text.find("17604"), std::string::npos);  // the classic 2R at 8000 Hz
        }
    }
}

// The bank's summary, as the single sound's: the pitch of the chip's rate and,
// under the circuit model, the parts to buy.
TEST_F(RyxencTest, BankSummaryNamesThePitchAndTheParts) {
    writeInput("a.wav", waveFile(3001, 8000));
    writeInput("b.wav", waveFile(2001, 8000));
    const std::vector<std::string> settings{"-r", "3800", "--model", "circuit", "--parts", "e12", "--hex"};
    std::vector<std::string> bank{"--bank"};
    bank.insert(bank.end(), settings.begin(), settings.end());
    for (const char* extra : {"bank.hex", "a.wav", "b.wav"}) bank.emplace_back(extra);
    std::vector<std::string> single = settings;
    for (const char* extra : {"a.hex", "a.wav"}) single.emplace_back(extra);
    const ProcessRun made = run(bank);
    ASSERT_EQ(made.status, 0) << made.err;
    const ProcessRun alone = run(single);
    ASSERT_EQ(alone.status, 0) << alone.err;
    // 3800 Hz on a 16F628A at 4 MHz is 263 cycles, 3802.281 Hz.
    EXPECT_NE(made.out.find("cycles per sample, 3802.281 Hz (pitch +0.060 %)"), std::string::npos) << made.out;
    const std::size_t from = alone.out.find("circuit model, ");
    ASSERT_NE(from, std::string::npos) << alone.out;
    const std::string parts = alone.out.substr(from, alone.out.find(" ->") - from);
    EXPECT_NE(made.out.find("sound 1: a.wav, 1425 samples, 3800 Hz, 1.5 bit, Ryx16, " + parts), std::string::npos)
        << made.out;
    EXPECT_NE(made.out.find("sound 2: b.wav, 950 samples, 3800 Hz, 1.5 bit, Ryx16, " + parts), std::string::npos)
        << made.out;
}

// --pack off keeps one retlw byte per word on a chip that could read packed words.
TEST_F(RyxencTest, PackOffStoresRetlwBytes) {
    writeInput("in.wav", waveFile(8000, 8000));
    const ProcessRun off = run({"--hex", "off.hex", "--chip", "16f88", "--pack", "off", "in.wav"});
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_NE(off.out.find("1256 of 4096 words"), std::string::npos) << off.out;
    const ProcessRun wrong = run({"--hex", "x.hex", "--pack", "tight", "in.wav"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("invalid packing 'tight' (use auto or off)"), std::string::npos) << wrong.err;
}

// --oscillator crystal at the internal oscillator's frequency: a crystal's
// config word, as the core makes it for that choice.
TEST_F(RyxencTest, CrystalAtTheInternalFrequencyHasItsOwnConfigWord) {
    writeInput("in.wav", waveFile(800, 8000));
    const std::vector<std::string> common{"-q", "--chip", "16f628a", "--clock", "4000000", "in.wav", "--hex"};
    auto withOscillator = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    ASSERT_EQ(run(withOscillator({"default.hex"})).status, 0);
    ASSERT_EQ(run(withOscillator({"crystal.hex", "--oscillator", "crystal"})).status, 0);
    ASSERT_EQ(run(withOscillator({"internal.hex", "--oscillator=internal"})).status, 0);
    EXPECT_NE(test::readFileBytes(work / "crystal.hex"), test::readFileBytes(work / "default.hex"));
    EXPECT_EQ(test::readFileBytes(work / "internal.hex"), test::readFileBytes(work / "default.hex"));

    test::TempDirectory reference;
    auto state = test::makeStartedState();
    ASSERT_TRUE(test::openWave(*state, (work / "in.wav").string()));
    const PicChip* chip = findPicChip("16f628a");
    ASSERT_TRUE(writePicHex(*state, {chip, 4000000, false, PicOscillator::crystal}, reference / "crystal.hex"));
    EXPECT_EQ(test::readFileBytes(work / "crystal.hex"), test::readFileBytes(reference / "crystal.hex"));
}

// --list-memories: each memory with its bus, size and seconds; --list-chips
// adds each chip's memory pins and what they take from it.
TEST_F(RyxencTest, ListsTheMemoriesAndTheirPins) {
    const ProcessRun memories = run({"--list-memories"});
    EXPECT_EQ(memories.status, 0);
    for (const char* row : {"\n24LC256    I2C  32768          32.76 s     16.77 s  up to 5.5 V\n",
                            "\nW25Q128    SPI  16777216    16777.21 s   8589.93 s  2.7 to 3.6 V only\n",
                            "\n24LC1025   A0, A1 (pins 1, 2) and WP (pin 7) to VSS, A2 (pin 3) to VCC\n"}) {
        EXPECT_NE(memories.out.find(row), std::string::npos) << row << "\n" << memories.out;
    }
    const ProcessRun chips = run({"--list-chips"});
    EXPECT_EQ(chips.status, 0);
    for (const char* rows : {
             "\n12f683      I2C  SCL GP4 (pin 3), SDA GP5 (pin 2)\n"
             "            SPI  CS GP2 (pin 5), SCK GP4 (pin 3), SI GP5 (pin 2), SO GP3 (pin 4)\n"
             "            no serial port: bit-banged\n"
             "            I2C takes trigger pins 2, 3, the crystal\n"
             "            SPI takes trigger pins 1, 2, 3, the crystal, the reset pin\n",
             "\n16f1709     I2C  SCL RB6 (pin 11), SDA RB4 (pin 13)\n"
             "            SPI  CS RB7 (pin 10), SCK RB6 (pin 11), SI RB5 (pin 12), SO RB4 (pin 13)\n"
             "            MSSP: SCL/SCK RB6 (pin 11), SDA/SDI RB4 (pin 13), SDO RB5 (pin 12); runs the bus\n",
             "\n16f88       I2C  SCL RA0 (pin 17), SDA RA1 (pin 18)\n"
             "            SPI  CS RA2 (pin 1), SCK RA0 (pin 17), SI RA1 (pin 18), SO RA3 (pin 2)\n"
             "            SSP: SCK RB4 (pin 10), SDI RB1 (pin 7), SDO RB2 (pin 8); bit-banged\n"}) {
        EXPECT_NE(chips.out.find(rows), std::string::npos) << rows << "\n" << chips.out;
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// --memory with --image: the program and the memory's image, both as the
// library makes them of the sound the window opens; a bank's index; every
// refusal before either file is written.
TEST_F(RyxencTest, MemoryProgramAndImageWrittenTogetherOrNotAtAll) {
    writeInput("a.wav", waveFile(4000, 8000));
    writeInput("b.wav", waveFile(2001, 8000));
    writeInput("long.wav", waveFile(kMaxSamples, 8000));
    writeInput("huge.wav", waveFile(600001, 8000));
    const struct {
        const char* memory;
        std::vector<std::string> arguments;
        const char* refusal;
    } refused[] = {
        {"24LC256", {"long.wav"}, "long.wav: the sound does not fit the 24LC256 (32768 bytes, 32.76 s at 8000 Hz): it is 0.06 s too long"},
        {"24LC1025", {"--loop", "huge.wav"}, "huge.wav: the sound (75000 bytes) is longer than the 24LC1025's 64 KiB block: a loop or a routine plays each sound from one block"},
        {"24LC256", {"--chip", "12f683", "--bank", "--trigger", "pins", "a.wav", "b.wav"},
         "the 24LC256's SCL takes the PIC12F683's GP4 (pin 3), which the sounds' trigger pins need"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.refusal);
        std::vector<std::string> arguments{"--memory", c.memory, "--image", "r.img", "--hex", "r.hex"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProcessRun result = run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.refusal), std::string::npos) << result.err;
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.wav", "b.wav", "huge.wav", "long.wav"}));
    }

    const ProcessRun one = run({"-s", "1", "--memory", "24LC256", "--image", "a.img", "--hex", "a.hex", "a.wav"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("  24LC256 image a.img: 1 sound, 0.50 s of the 32.76 s it holds at 8000 Hz\n"),
              std::string::npos) << one.out;
    OpenedSounds opened = openSounds({"a.wav"});
    ASSERT_EQ(opened.sounds.size(), 1u);
    PicProgramSettings settings{findPicChip(kDefaultPicChip), 0, false};
    settings.memory = findMemory("24LC256");
    EXPECT_EQ(test::readFileText(work / "a.hex"), *picProgramHex(*opened.sounds[0], settings));
    const SoundBits bits(opened.sounds[0]->bitStream.data(), 3999);
    EXPECT_EQ(test::readFileBytes(work / "a.img"), *memoryImage(*settings.memory, std::span(&bits, 1), 8000));
    const Bytes image = test::readFileBytes(work / "a.img");
    ASSERT_GE(image.size(), 8u);
    // One sound from byte 8, its 3,999 played samples (0xF9F).
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 8), (Bytes{1, 0, 0, 8, 0, 0, 0x0F, 0x9F}));
    EXPECT_EQ(image.size(), 8u + 500u);

    const ProcessRun bank = run({"--bank", "--trigger", "select", "--memory", "W25Q32", "--image", "bank.HEX",
                                 "--program", "bank.asm", "a.wav", "b.wav"});
    ASSERT_EQ(bank.status, 0) << bank.err;
    // Two entries: sound 1 from byte 15 (3,999 samples), sound 2 from byte 515 (2,000 samples).
    EXPECT_NE(test::readFileText(work / "bank.HEX").find(":100000000200000F00000F9F000203000007D0"),
              std::string::npos);
    EXPECT_NE(test::readFileText(work / "bank.asm")
                  .find("; External   W25Q32: CS RA2 (pin 1), SCK RA0 (pin 17), SI RA1 (pin 18), SO RA3 (pin 2)"),
              std::string::npos);
    EXPECT_NE(bank.out.find("W25Q32 image bank.HEX: 2 sounds, 0.75 s"), std::string::npos) << bank.out;

    // The 24LC1025's routine: b.wav, which would cross into the second
    // block after a sound of almost 64 KiB, starts at 0x10000.
    writeInput("big.wav", waveFile(8 * (65536 - 100), 8000));
    const ProcessRun routine = run({"-q", "--bank", "--memory", "24LC1025", "--image", "r.img", "--include", "r.inc",
                                    "big.wav", "b.wav"});
    ASSERT_EQ(routine.status, 0) << routine.err;
    const Bytes blocks = test::readFileBytes(work / "r.img");
    ASSERT_EQ(blocks.size(), 0x10000u + 250u);
    EXPECT_EQ(Bytes(blocks.begin() + 8, blocks.begin() + 11), (Bytes{1, 0, 0}));
}

// --fit with --memory: 40 s fill the 24LC256's 262,080 samples at 6552 Hz,
// and the notice of a rate too low for speech names the memory.
TEST_F(RyxencTest, FitToTheMemory) {
    writeInput("long.wav", waveFile(16000 * 40, 16000));
    const ProcessRun fit =
        run({"-r", "15625", "--fit", "--memory", "24LC256", "--image", "f.bin", "--hex", "f.hex", "long.wav"});
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_NE(fit.out.find("262080 samples at 6552 Hz (fit to 24LC256)"), std::string::npos) << fit.out;
    EXPECT_EQ(test::readFileBytes(work / "f.bin").size(), 32768u);
    EXPECT_NE(fit.err.find("the sound fits the 24LC256 only at 6552 Hz"), std::string::npos) << fit.err;

    // A loop on the 24LC1025 keeps 80 s within one 64 KiB block: 6553 Hz, from 0x10000.
    writeInput("longer.wav", waveFile(8000 * 80, 8000));
    const ProcessRun loop = run(
        {"-q", "-r", "8000", "--fit", "--loop", "--memory", "24LC1025", "--image", "l.bin", "--hex", "l.hex", "longer.wav"});
    ASSERT_EQ(loop.status, 0) << loop.err;
    const Bytes image = test::readFileBytes(work / "l.bin");
    ASSERT_EQ(image.size(), 0x10000u + 65530u);
    EXPECT_EQ(Bytes(image.begin() + 1, image.begin() + 8), (Bytes{0x01, 0x00, 0x00, 0x00, 0x07, 0xFF, 0xCF}))
        << "524,239 samples played from 0x10000";
}

// A sound past the window's longest: a slow sweep, busy bits to its end.
Bytes sweepSamples(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i);
        samples[i] = static_cast<std::uint8_t>(std::lround(128 + 100 * std::sin(t * (0.01 + t * 2e-8))));
    }
    return samples;
}

// The default encode (1.5 bit, Ryx16, greedy) by its rule, of every sample but the last.
Bytes ruleBits(const Bytes& samples) {
    Bytes bits(samples.size() - 1);
    std::uint32_t v = kStartVoltage;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        previous = chooseNearerBit<true>(v, previous, samples[i], 16u);
        bits[i] = static_cast<std::uint8_t>(previous);
    }
    return bits;
}

EncodedSound wholeSound(const Bytes& bits, std::uint32_t rate) {
    EncodedSound sound;
    sound.encoder.sampleRate = rate;
    sound.encoder.sampleCount = static_cast<std::uint32_t>(bits.size() + 1);
    sound.encoder.resistorOhms = computeResistorOhms(16, rate);
    sound.samples = sound.encoder.sampleCount;
    sound.bits = bits;
    return sound;
}

// Past 262,500 samples a sound goes whole into a serial memory's image and a
// PIC18's program, its last bits as the encoder's rule gives them; with a
// file of the window's fixed formats asked for too, it is cut as the window
// cuts it, with its warning.
TEST_F(RyxencTest, LongSoundsGoWholeIntoAMemoryOrAPic18AndAreCutForTheFixedFormats) {
    constexpr std::size_t kCount = kMaxSamples + 30000;
    const Bytes samples = sweepSamples(kCount);
    writeInput("long.wav", test::wave46(samples, {.rate = 8000}));
    const Bytes bits = ruleBits(samples);
    const EncodedSound whole = wholeSound(bits, 8000);

    const ProcessRun image = run({"-q", "--memory", "W25Q32", "--image", "l.img", "--hex", "l.hex", "long.wav"});
    ASSERT_EQ(image.status, 0) << image.err;
    EXPECT_EQ(image.err, "");
    const SerialMemory& w25q32 = *findMemory("W25Q32");
    const SoundBits played(bits);
    const Bytes imageBytes = test::readFileBytes(work / "l.img");
    EXPECT_EQ(imageBytes, *memoryImage(w25q32, std::span(&played, 1), 8000));
    // Its index counts every played sample: 292,499 (0x476953), the last in the last byte's top bit.
    ASSERT_EQ(imageBytes.size(), 8u + (kCount - 1 + 7) / 8);
    EXPECT_EQ(Bytes(imageBytes.begin() + 4, imageBytes.begin() + 8), (Bytes{0, 0x04, 0x76, 0x93}));
    EXPECT_EQ(imageBytes.back() >> 5, bits[kCount - 4] << 2 | bits[kCount - 3] << 1 | bits[kCount - 2]);

    // The routine from the memory too: its image the same.
    const ProcessRun routine = run({"-q", "--memory", "W25Q32", "--image", "r.img", "--include", "r.inc", "long.wav"});
    ASSERT_EQ(routine.status, 0) << routine.err;
    EXPECT_EQ(routine.err, "");
    EXPECT_EQ(test::readFileBytes(work / "r.img"), imageBytes);

    const ProcessRun pic18 = run({"--chip", "18F26K22", "--program", "p.asm", "--hex", "p.hex", "long.wav"});
    ASSERT_EQ(pic18.status, 0) << pic18.err;
    EXPECT_EQ(pic18.err, "");
    EXPECT_EQ(pic18.out.rfind("long.wav: 292500 samples, 8000 Hz", 0), 0u) << pic18.out;
    const PicProgramSettings settings{findPicChip("18F26K22"), 0, false};
    const Result<PicProgram> program = buildPicBank(std::span(&whole, 1), settings);
    ASSERT_TRUE(program) << program.error();
    EXPECT_EQ(test::readFileText(work / "p.hex"), formatIntelHex(program->memory));
    EXPECT_NE(test::readFileText(work / "p.asm").find("; Sound      292500 samples at 8000 Hz, 1.5 bit, Ryx16; 292499 samples played"),
              std::string::npos);

    const std::string cut = "ryxenc: long.wav: warning: the sound has 292500 samples; kept the first 262500, dropped 30000\n";
    const std::vector<std::string> fixedFormats[] = {
        {"--memory", "W25Q32", "--image", "c.img", "--hex", "c.hex", "--bin", "c.bin"},
        {"--chip", "18F26K22", "--hex", "c.hex", "--asm", "c.asm"},
        {"--chip", "18F26K22", "--include", "c.inc"},
    };
    for (const std::vector<std::string>& arguments : fixedFormats) {
        std::vector<std::string> all{"-q"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        all.push_back("long.wav");
        const ProcessRun cutRun = run(all);
        EXPECT_EQ(cutRun.status, 0) << cutRun.err;
        EXPECT_EQ(cutRun.err, cut);
    }
    const SoundBits firstPart(bits.data(), kMaxSamples - 1);
    EXPECT_EQ(test::readFileBytes(work / "c.img"), *memoryImage(w25q32, std::span(&firstPart, 1), 8000));
}

// A long sound too long for its target is refused naming it, writing nothing;
// --fit brings it down to the rate at which it fits.
TEST_F(RyxencTest, LongSoundsRefusedOrFittedByTheirTarget) {
    writeInput("long.wav", test::wave46(sweepSamples(562500), {.rate = 8000}));
    const struct {
        std::vector<std::string> target;
        const char* refusal;
    } refused[] = {
        {{"--memory", "24LC512", "--image", "r.img"}, "the sound does not fit the 24LC512 (65536 bytes, 65.53 s at 8000 Hz): it is 4.79 s too long"},
        {{"--chip", "18F26K22"}, "the sound does not fit the PIC18F26K22: its 562499 samples need"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.refusal);
        std::vector<std::string> arguments = c.target;
        arguments.insert(arguments.end(), {"--hex", "r.hex", "long.wav"});
        const ProcessRun result = run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.refusal), std::string::npos) << result.err;
        EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"long.wav"}));
    }
    // Past 65,536 bytes of one sound: a W25Q32 takes all 70.3 s; --fit
    // brings them down to the 24LC512's 65,528 bytes after its index.
    const struct {
        const char* memory;
        bool fit;
        const char* said;
        std::uint32_t samples;
    } made[] = {{"W25Q32", false, "", 562499}, {"24LC512", true, "samples at 7455 Hz (fit to 24LC512)", 0}};
    for (const auto& c : made) {
        SCOPED_TRACE(c.memory);
        std::vector<std::string> arguments{"-r", "8000", "--no-trim", "--memory", c.memory, "--image", "f.img",
                                           "--hex", "f.hex", "long.wav"};
        if (c.fit) arguments.insert(arguments.begin(), "--fit");
        const ProcessRun result = run(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find(c.said), std::string::npos) << result.out;
        const Bytes image = test::readFileBytes(work / "f.img");
        ASSERT_GE(image.size(), 8u);
        const std::uint32_t played = std::uint32_t{image[4]} << 24 | std::uint32_t{image[5]} << 16 |
                                     std::uint32_t{image[6]} << 8 | image[7];
        if (c.samples != 0) {
            EXPECT_EQ(played, c.samples);
        }
        EXPECT_EQ(image.size(), 8u + (played + 7) / 8);
        EXPECT_LE(image.size(), findMemory(c.memory)->sizeBytes);
    }
}

}  // namespace
}  // namespace ryx
