#include "ui/PreviewDirectory.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST(PreviewDirectory, RuntimeFolderFirstThenTheCacheFolder) {
    struct Case {
        std::map<std::string, std::string> environment;
        std::vector<std::string> candidates;
    };
    const std::vector<Case> cases{
        {{{"XDG_RUNTIME_DIR", "/run/user/7"}, {"HOME", "/home/u"}},
         {"/run/user/7/ryx-encoder", "/home/u/.cache/ryx-encoder"}},
        {{{"XDG_CACHE_HOME", "/var/c"}, {"HOME", "/home/u"}}, {"/var/c/ryx-encoder"}},
        // Relative values are not trusted.
        {{{"XDG_RUNTIME_DIR", "run"}, {"XDG_CACHE_HOME", "cache"}, {"HOME", "/home/u"}},
         {"/home/u/.cache/ryx-encoder"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        const auto environment = [&c](const char* name) {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? std::string() : found->second;
        };
        EXPECT_EQ(previewDirectoryCandidates(environment), c.candidates);
    }
}

TEST(PreviewDirectory, CreatesAPrivateFolderAndNarrowsAnOpenOneOfTheUsersOwn) {
    test::TempDirectory base;
    const fs::path fresh = base / "cache" / "deeper" / "ryx-encoder";
    ASSERT_TRUE(preparePrivateDirectory(fresh.string()));
    EXPECT_TRUE(fs::is_directory(fresh));
    EXPECT_EQ(modeOf(fresh), 0700u);
    ASSERT_TRUE(preparePrivateDirectory(fresh.string()));  // again: still fine

    const fs::path open = base / "open";
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    ASSERT_TRUE(preparePrivateDirectory(open.string()));
    EXPECT_EQ(modeOf(open), 0700u);
}

TEST(PreviewDirectory, RefusesALinkAFileAndAFolderOfAnotherUser) {
    test::TempDirectory base;
    const fs::path target = base / "elsewhere";
    fs::create_directory(target);
    fs::create_directory_symlink(target, base / "link");
    const Result<> link = preparePrivateDirectory((base / "link").string());
    EXPECT_FALSE(link);
    EXPECT_NE(link.error().find("symbolic link"), std::string::npos) << link.error();

    test::writeFileBytes(base / "file", {1});
    const Result<> file = preparePrivateDirectory((base / "file").string());
    EXPECT_FALSE(file);
    EXPECT_NE(file.error().find("is not a folder"), std::string::npos) << file.error();

    if (::geteuid() != 0) GTEST_SKIP() << "only root can hand a folder to another user";
    const fs::path foreign = base / "foreign";
    fs::create_directory(foreign);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    const Result<> other = preparePrivateDirectory(foreign.string());
    EXPECT_FALSE(other);
    EXPECT_NE(other.error().find("belongs to another user"), std::string::npos) << other.error();
}

}  // namespace
}  // namespace ryx::ui
