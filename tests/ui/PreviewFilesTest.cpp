#include "ui/PreviewFiles.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;

// The id of a process that has ended and been reaped.
long goneProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return static_cast<long>(child);
}

TEST(PreviewFiles, OwnerIsReadFromTheWindowFolderNameOnly) {
    struct Case {
        std::string name;
        long owner;
    };
    const std::vector<Case> cases{
        {windowFolderPattern(4321), 4321}, {"window-1-a1B2c3", 1},      {"window-123456789-zzzzzz", 123456789},
        {"window--abcdef", 0},             {"window-12-abcde", 0},      {"window-1x2-abcdef", 0},
        {"window-1234567890-abcdef", 0},   {"other-12-abcdef", 0},      {"ryxelt1.wav", 0},
        {"window-12_abcdef", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(windowFolderOwner(c.name), c.owner) << c.name;
}

TEST(PreviewFiles, FolderOfAGoneWindowIsRemovedAndNothingElse) {
    test::TempDirectory base;
    const std::string gone = "window-" + std::to_string(goneProcess()) + "-abcdef";
    const std::string living = "window-" + std::to_string(static_cast<long>(getppid())) + "-abcdef";
    const std::string mine = "window-" + std::to_string(static_cast<long>(getpid())) + "-abcdef";
    for (const std::string& name : {gone, living, mine, std::string("kept")}) {
        fs::create_directory(base / name);
        test::writeFileBytes(base / name / "ryxelt1.wav", {1, 2, 3});
    }
    // A link that looks like a gone window's folder is not removed, nor what it names.
    fs::create_directory(base / "elsewhere");
    const std::string goneLink = "window-" + std::to_string(goneProcess()) + "-linked";
    fs::create_directory_symlink(base / "elsewhere", base / goneLink);
    test::writeFileBytes(base / "ryxelt2.wav", {4});

    std::unique_ptr<PreviewFiles> previews;
    ASSERT_TRUE(PreviewFiles::create(base.path().string(), previews));
    const std::string own = fs::path(previews->folder()).filename().string();
    EXPECT_EQ(windowFolderOwner(own), static_cast<long>(getpid()));

    std::vector<std::string> expected{"elsewhere", goneLink, "kept", living, mine, own, "ryxelt2.wav"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::entriesOf(base.path()), expected);
    EXPECT_EQ(test::entriesOf(base / mine), std::vector<std::string>{"ryxelt1.wav"});

    previews.reset();
    EXPECT_FALSE(fs::exists(base / own));
}

TEST(PreviewFiles, FolderThatCannotBeMadeIsReportedWithTheReason) {
    test::TempDirectory base;
    std::unique_ptr<PreviewFiles> previews;
    const Result<> made = PreviewFiles::create((base / "missing").string(), previews);
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error().rfind((base / "missing").string() + "/window-", 0), 0u) << made.error();
    EXPECT_NE(made.error().find("No such file or directory"), std::string::npos) << made.error();
    EXPECT_EQ(previews, nullptr);
}

}  // namespace
}  // namespace ryx::ui
