// ryxenc run as a process, as a build script would run it.

#include "core/Encoder.h"
#include "core/PreviewWriter.h"
#include "core/WavReader.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <fstream>
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

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs ryxenc in `directory` with TMPDIR pointing at `tmp`.
// fileSizeLimit makes every write past that size fail, as on a full disk.
ProcessRun runRyxenc(const std::vector<std::string>& arguments, const fs::path& directory, const fs::path& tmp,
                     const fs::path& outPath, rlim_t fileSizeLimit) {
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

    const pid_t child = fork();
    if (child == 0) {
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
    ProcessRun run;
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
        run.status = WEXITSTATUS(waitStatus);
    }
    run.out = outPath == "/dev/full" ? std::string() : readText(outPath);
    run.err = readText(errPath);
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
                   rlim_t fileSizeLimit = RLIM_INFINITY) {
        return runRyxenc(arguments, work.path(), scratch.path(),
                         stdoutPath.empty() ? scratch / "stdout.txt" : stdoutPath, fileSizeLimit);
    }

    void writeInput(const std::string& name, const Bytes& bytes) { test::writeFileBytes(work / name, bytes); }

    test::TempDirectory work;     // the current folder of the run
    test::TempDirectory scratch;  // captured output and the program's TMPDIR
};

TEST_F(RyxencTest, HelpAndVersion) {
    const ProcessRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n", 0), 0u);
    for (const char* option : {"--scheme", "--fineness", "--asm", "--bin", "--wav", "--original-wav", "--quiet",
                               "--version", "r=dec"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    // The choices come from the window's lists.
    EXPECT_NE(help.out.find("\n  -s, --scheme 1|1.5          encoding scheme (default 1.5)\n"
                            "  -f, --fineness N            4, 5, 6, 8, 11, 16, 21 or 32 (default 16)\n"
                            "  -o, --asm FILE "),
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
        {{"-f", "7", "a.wav"}, "invalid fineness '7' (use 4, 5, 6, 8, 11, 16, 21 or 32)"},
        {{"-f016", "a.wav"}, "invalid fineness '016' (use 4, 5, 6, 8, 11, 16, 21 or 32)"},
        {{"a.wav", "--asm"}, "option '--asm' needs a value"},
        {{"--asm=", "a.wav"}, "option '--asm' needs a file name"},
        {{"--quiet=yes", "a.wav"}, "option '--quiet' takes no value"},
        {{"-o", "x.asm", "a.wav", "b.wav"}, "--asm, --bin, --wav and --original-wav take exactly one input, not 2"},
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

    // The summary names the sound, its settings and what was written.
    const auto size = [&](const char* name) { return std::to_string(fs::file_size(work / name)); };
    EXPECT_EQ(result.out,
              "voice.wav: 1000 samples, 8000 Hz, 1.5 bit, Ryx16, R = 8802 ohms, each 2R = 17604 ohms -> voice.asm (" +
                  size("voice.asm") + " bytes)\n"
                  "sub/take.two.WAV: 777 samples, 22050 Hz, 1.5 bit, Ryx16, R = 3193 ohms, each 2R = 6386 ohms -> "
                  "sub/take.two.asm (" + size("sub/take.two.asm") + " bytes)\n"
                  "plain: 64 samples, 15625 Hz, 1.5 bit, Ryx16, R = 4506 ohms, each 2R = 9012 ohms -> plain.asm (" +
                  size("plain.asm") + " bytes)\n");
    // The private preview folder is gone.
    EXPECT_EQ(entriesOf(scratch / "private"), std::vector<std::string>{});
}

TEST_F(RyxencTest, OutputsEqualTheWindowsFiles) {
    const Bytes input = waveFile(5003, 11025);
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
        EXPECT_NE(result.out.find("in.wav: 5003 samples, 11025 Hz, " + c.summary + " -> out.asm ("), std::string::npos)
            << result.out;

        // The same sound through the core, as the window would do it.
        test::TempDirectory reference;
        auto state = test::makeStartedState();
        state->encoder.algorithmType = c.algorithm;
        state->encoder.fineness = c.fineness;
        ASSERT_EQ(loadWaveFile(*state, (work / "in.wav").string()), LoadResult::loaded);
        ASSERT_TRUE(exportAssembler(*state, reference / "ref.asm"));
        ASSERT_TRUE(exportBinary(*state, reference / "ref.ryx"));
        EXPECT_EQ(test::readFileBytes(work / "out.asm"), test::readFileBytes(reference / "ref.asm"));
        EXPECT_EQ(test::readFileBytes(work / "out.ryx"), test::readFileBytes(reference / "ref.ryx"));
        const std::span<const std::uint8_t> decoded(state->smoothedSamples.data(), 5003);
        const std::span<const std::uint8_t> original(state->origSamples.data(), 5003);
        EXPECT_EQ(test::readFileBytes(work / "decoded.wav"), test::previewFileBytes(decoded, 11025));
        EXPECT_EQ(test::readFileBytes(work / "original.wav"), test::previewFileBytes(original, 11025));
    }
    // Each run after the first replaced the files; nothing else is left.
    EXPECT_EQ(entriesOf(work.path()),
              (std::vector<std::string>{"decoded.wav", "in.wav", "original.wav", "out.asm", "out.ryx"}));
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
              "ryxenc: missing.wav: Cannot open file! - no file loaded.\n"
              "ryxenc: movie.wav: Not a WAVE file! - no file loaded.\n"
              "ryxenc: folder.wav: Cannot open file! - no file loaded.\n");
    EXPECT_EQ(entriesOf(work.path()), (std::vector<std::string>{"a.asm", "a.wav", "c.asm", "c.wav", "folder.wav",
                                                                "movie.wav", "stereo.wav"}));
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2);
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
              "ryxenc: missing.wav: Cannot open file! - no file loaded.\n"
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
    EXPECT_EQ(quiet.err, "ryxenc: missing.wav: Cannot open file! - no file loaded.\n");
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
    EXPECT_EQ(result.err, "ryxenc: sound.asm: the assembler file would replace the input; name it with --asm\n");
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

}  // namespace
}  // namespace ryx
