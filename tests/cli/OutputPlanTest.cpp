// The check of a run's outputs, before anything is written.

#include "cli/OutputPlan.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace ryx::cli {
namespace {

namespace fs = std::filesystem;

CommandLine withOutputs(const std::string& input, const std::string& asmFile, const std::string& binFile) {
    CommandLine options;
    options.inputs = {input};
    options.asmFile = asmFile;
    options.binFile = binFile;
    return options;
}

// Two names of one file yet to be made are caught through whatever makes
// their folders one: a link to the folder, or a bind mount no text can see.
TEST(OutputPlanTest, TwoNamesOfOneNewFileThroughALinkedFolder) {
    test::TempDirectory work;
    fs::create_directory(work / "real");
    fs::create_directory_symlink("real", work / "alias");
    const std::string real = (work / "real/x.out").string();
    const std::string alias = (work / "alias/x.out").string();
    EXPECT_EQ(planOutputs(withOutputs("in.wav", real, alias)).error(),
              real + " (--asm) and " + alias + " (--bin) are one file");
    // Other names in the one folder are no conflict.
    EXPECT_TRUE(planOutputs(withOutputs("in.wav", real, (work / "alias/y.out").string())));
    EXPECT_EQ(test::entriesOf(work / "real"), std::vector<std::string>{});
}

TEST(OutputPlanTest, TwoNamesOfOneNewFileThroughABindMount) {
    test::TempDirectory work;
    fs::create_directory(work / "bA");
    fs::create_directory(work / "bB");
    if (::mount((work / "bA").c_str(), (work / "bB").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "needs a user that may bind-mount: " << std::strerror(errno);
    }
    const std::string a = (work / "bA/x.out").string();
    const std::string b = (work / "bB/x.out").string();
    const std::string conflict = planOutputs(withOutputs("in.wav", a, b)).error();
    ::umount2((work / "bB").c_str(), MNT_DETACH);
    EXPECT_EQ(conflict, a + " (--asm) and " + b + " (--bin) are one file");
}

// --compare writes nothing, so nothing it would have written stops it: an
// input that has the assembler file's name, or a link loop there.
TEST(OutputPlanTest, CompareWritesNothingAndPlansNothing) {
    test::TempDirectory work;
    test::writeFileBytes(work / "snd.asm", {1});
    test::writeFileBytes(work / "loop.wav", {1});
    fs::create_symlink("loop.asm", work / "loop.asm");
    CommandLine options;
    options.compare = true;
    options.inputs = {(work / "snd.asm").string(), (work / "loop.wav").string()};
    const Result<OutputPlan> plan = planOutputs(options);
    ASSERT_TRUE(plan) << plan.error();
    ASSERT_EQ(plan->inputs.size(), 2u);
    for (const PlannedInput& input : plan->inputs) EXPECT_TRUE(input.outputs.empty()) << input.name;

    options.compare = false;
    EXPECT_FALSE(planOutputs(options));
}

}  // namespace
}  // namespace ryx::cli
