#include "core/AtomicFileWriter.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ryx
