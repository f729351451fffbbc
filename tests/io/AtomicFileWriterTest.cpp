#include "io/AtomicFileWriter.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ryx {
namespace {

std::size_t entriesIn(const std::filesystem::path& directory) { return test::entriesOf(directory).size(); }

TEST(AtomicFileWriterTest, ReplacesAnExistingFileOnlyOnCommit) {
    test::TempDirectory directory;
    const auto target = directory / "out.bin";
    test::writeFileBytes(target, {1, 2, 3, 4, 5, 6});
    {
        AtomicFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        writer.write("ab", 2);
        EXPECT_EQ(test::readFileBytes(target).size(), 6u);
        ASSERT_TRUE(writer.commit());
    }
    EXPECT_EQ(test::readFileBytes(target), (std::vector<std::uint8_t>{'a', 'b'}));
    EXPECT_EQ(entriesIn(directory.path()), 1u);
}

TEST(AtomicFileWriterTest, AbandonedWriteLeavesTargetAndNoTemporary) {
    test::TempDirectory directory;
    const auto target = directory / "out.bin";
    test::writeFileBytes(target, {9});
    {
        AtomicFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        writer.write("partial", 7);
    }
    EXPECT_EQ(test::readFileBytes(target), std::vector<std::uint8_t>{9});
    EXPECT_EQ(entriesIn(directory.path()), 1u);
}

TEST(AtomicFileWriterTest, FailuresCarryTheReason) {
    test::TempDirectory directory;
    AtomicFileWriter missingFolder(directory / "no" / "such.asm");
    const Result<> missing = missingFolder.open();
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("No such file or directory"), std::string::npos) << missing.error();

    AtomicFileWriter ontoFolder(directory.path());
    const Result<> folder = ontoFolder.open();
    EXPECT_FALSE(folder.ok());
    EXPECT_NE(folder.error().find("Is a directory"), std::string::npos) << folder.error();

    AtomicFileWriter unnamed{std::filesystem::path{}};
    EXPECT_FALSE(unnamed.open().ok());
    EXPECT_EQ(entriesIn(directory.path()), 0u);
}

// Replacing by rename must not replace a link or a special file itself: a
// link is written through, and a pipe or device (think /dev/null) is written
// to directly.
TEST(AtomicFileWriterTest, WritesThroughALinkAndIntoAPipe) {
    test::TempDirectory directory;
    const auto real = directory / "real.asm";
    const auto link = directory / "link.asm";
    test::writeFileBytes(real, {7, 7, 7});
    std::filesystem::create_symlink(real, link);
    {
        AtomicFileWriter writer(link);
        ASSERT_TRUE(writer.open());
        writer.write("new", 3);
        ASSERT_TRUE(writer.commit());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::readFileBytes(real), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(entriesIn(directory.path()), 2u);

    const auto pipe = directory / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Held open for reading and writing, so that opening it never blocks.
    const int reader = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        AtomicFileWriter writer(pipe);
        ASSERT_TRUE(writer.open());
        writer.write("piped", 5);
        EXPECT_TRUE(writer.commit());
    }
    char received[16] = {};
    EXPECT_EQ(::read(reader, received, sizeof received), 5);
    EXPECT_STREQ(received, "piped");
    ::close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(entriesIn(directory.path()), 3u);
}

using Temporary = AtomicFileWriter::Temporary;

Result<> writeWhole(const OutputTarget& target, std::string_view text, Temporary temporary) {
    AtomicFileWriter writer(target, temporary);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(text);
    return writer.commit();
}

// A name of one of this process's descriptors is written through it at its
// offset, as a shell's ">" would: even a deleted file open there (its link
// reads "g (deleted)") gets the bytes, and no file is made under any name.
TEST(AtomicFileWriterTest, WritesThroughAnOpenDescriptor) {
    test::TempDirectory directory;
    const int file = ::open((directory / "g").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::unlink((directory / "g").c_str()), 0);
    const std::string number = std::to_string(file);
    std::filesystem::create_symlink("/proc/self/fd/" + number, directory / "link");
    std::string expected;
    const std::filesystem::path names[] = {"/dev/fd/" + number, "/proc/" + std::to_string(::getpid()) + "/fd/" + number,
                                           directory / "link"};
    for (const std::filesystem::path& name : names) {
        ASSERT_TRUE(writeWhole(name, name.string() + ";", Temporary::named)) << name;
        expected += name.string() + ";";
    }
    std::string written(expected.size() + 1, '\0');
    written.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(file, written.data(), written.size(), 0))));
    EXPECT_EQ(written, expected);
    EXPECT_EQ(test::entriesOf(directory.path()), std::vector<std::string>{"link"});
    EXPECT_EQ(writeWhole("/dev/fd/999", "x", Temporary::named).error(), "/dev/fd/999: " + std::string(strerror(EBADF)));
    ::close(file);
}

mode_t modeOf(const std::filesystem::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Every case holds for an unnamed temporary file and for a named one alike.
class AtomicFileWriterKindTest : public ::testing::TestWithParam<Temporary> {
protected:
    test::TempDirectory directory;
};

TEST_P(AtomicFileWriterKindTest, ReplacedFileKeepsItsPermissionBits) {
    for (const mode_t mode : {0600u, 0640u, 0755u, 0444u}) {
        SCOPED_TRACE(mode);
        const auto target = directory / "kept.asm";
        test::writeFileBytes(target, {'o', 'l', 'd'});
        ASSERT_EQ(::chmod(target.c_str(), mode), 0);
        // Root may write a 0444 file, as a shell's ">" may; it stays 0444.
        if (mode == 0444u && ::geteuid() != 0) continue;
        ASSERT_TRUE(writeWhole(target, "new", GetParam()));
        EXPECT_EQ(modeOf(target), mode);
        EXPECT_EQ(test::readFileBytes(target), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
        std::filesystem::remove(target);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(writeWhole(directory / "fresh.asm", "new", GetParam()));
    EXPECT_EQ(modeOf(directory / "fresh.asm"), 0666u & ~mask);
    EXPECT_EQ(entriesIn(directory.path()), 1u);
}

// A file the user may not write is refused as a shell's ">" refuses it.
// Checked as an ordinary user: in a child process that gives up root.
TEST_P(AtomicFileWriterKindTest, WriteProtectedFileIsRefused) {
    const auto target = directory / "protected.asm";
    test::writeFileBytes(target, {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(directory.path().c_str(), 0777), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(2);
        const Result<> result = writeWhole(target, "new", GetParam());
        _exit(!result && result.error() == "" + target.string() + ": Permission denied" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(test::readFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(entriesIn(directory.path()), 1u);
}

// A dangling link gets the file it names; a loop is refused with the
// system's reason and every link stays as it was.
TEST_P(AtomicFileWriterKindTest, DanglingLinksAndLinkLoops) {
    std::filesystem::create_directory(directory / "firmware");
    std::filesystem::create_symlink("firmware/made.asm", directory / "dangling.asm");
    std::filesystem::create_symlink("dangling.asm", directory / "twice.asm");
    ASSERT_TRUE(writeWhole(directory / "twice.asm", "made", GetParam()));
    EXPECT_TRUE(std::filesystem::is_symlink(directory / "twice.asm"));
    EXPECT_TRUE(std::filesystem::is_symlink(directory / "dangling.asm"));
    EXPECT_EQ(test::readFileBytes(directory / "firmware/made.asm"), (std::vector<std::uint8_t>{'m', 'a', 'd', 'e'}));
    EXPECT_EQ(entriesIn(directory / "firmware"), 1u);

    std::filesystem::create_symlink("loop-b", directory / "loop-a");
    std::filesystem::create_symlink("loop-a", directory / "loop-b");
    const Result<> loop = writeWhole(directory / "loop-a", "x", GetParam());
    EXPECT_EQ(loop.error(), (directory / "loop-a").string() + ": " + std::strerror(ELOOP));
    EXPECT_EQ(std::filesystem::read_symlink(directory / "loop-a"), "loop-b");
    EXPECT_EQ(std::filesystem::read_symlink(directory / "loop-b"), "loop-a");
    EXPECT_EQ(entriesIn(directory.path()), 5u);
}

// The temporary name never grows with the target's: the longest legal names work.
TEST_P(AtomicFileWriterKindTest, LongestLegalNames) {
    for (const std::size_t length : {246u, 250u, 255u}) {
        const auto target = directory / std::string(length, 'n');
        ASSERT_TRUE(writeWhole(target, "one", GetParam())) << length;
        ASSERT_TRUE(writeWhole(target, "two", GetParam())) << length;
        EXPECT_EQ(test::readFileBytes(target), (std::vector<std::uint8_t>{'t', 'w', 'o'}));
    }
    EXPECT_EQ(entriesIn(directory.path()), 3u);
    const Result<> tooLong = writeWhole(directory / std::string(256, 'n'), "x", GetParam());
    EXPECT_NE(tooLong.error().find(std::strerror(ENAMETOOLONG)), std::string::npos) << tooLong.error();
}

INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicFileWriterKindTest,
                         ::testing::Values(Temporary::unnamedWhereSupported, Temporary::named),
                         [](const ::testing::TestParamInfo<Temporary>& parameter) {
                             return parameter.param == Temporary::named ? "Named" : "Unnamed";
                         });

// A writer killed in the middle of a large write leaves the old file and
// nothing else: an unnamed temporary file dies with the process, a named one
// is removed first by any signal that ends the process and can be caught.
TEST(AtomicFileWriterKillTest, KilledWriterLeavesNoTemporaryFile) {
    struct Case {
        Temporary temporary;
        int signal;
    };
    const Case cases[] = {{Temporary::unnamedWhereSupported, SIGKILL}, {Temporary::unnamedWhereSupported, SIGTERM},
                          {Temporary::named, SIGTERM},  {Temporary::named, SIGINT},   {Temporary::named, SIGHUP},
                          {Temporary::named, SIGPIPE},  {Temporary::named, SIGUSR1},  {Temporary::named, SIGUSR2},
                          {Temporary::named, SIGXFSZ},  {Temporary::named, SIGALRM},  {Temporary::named, SIGQUIT},
                          {Temporary::named, SIGRTMIN + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(strsignal(c.signal));
        test::TempDirectory directory;
        const auto target = directory / "big.asm";
        test::writeFileBytes(target, {'o', 'l', 'd'});
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // As a fresh process gets it, whatever the test runner set; no core file.
            std::signal(c.signal, SIG_DFL);
            sigset_t unblocked;
            sigemptyset(&unblocked);
            sigaddset(&unblocked, c.signal);
            pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            AtomicFileWriter writer(target, c.temporary);
            if (!writer.open()) _exit(3);
            const std::string block(65536, 'x');
            writer.write(block);
            if (::write(ready[1], "r", 1) != 1) _exit(3);
            for (;;) {  // slowly, until killed
                writer.write(block);
                ::usleep(1000);
            }
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(entriesIn(directory.path()), c.temporary == Temporary::named ? 2u : 1u);
        ASSERT_EQ(::kill(child, c.signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        EXPECT_EQ(entriesIn(directory.path()), 1u);
        EXPECT_EQ(test::readFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
}

}  // namespace
}  // namespace ryx
