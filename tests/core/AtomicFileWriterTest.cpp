#include "core/AtomicFileWriter.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

std::size_t entriesIn(const std::filesystem::path& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++count;
    return count;
}

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
    const OperationResult missing = missingFolder.open();
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("No such file or directory"), std::string::npos) << missing.error();

    AtomicFileWriter ontoFolder(directory.path());
    const OperationResult folder = ontoFolder.open();
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

}  // namespace
}  // namespace ryx
