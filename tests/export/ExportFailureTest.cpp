// Both exports fail loudly, leave no partial file and keep an existing target.

#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace ryx {
namespace {

using Exporter = Result<> (*)(const ProgramState&, const OutputTarget&);

struct ExportKind {
    const char* name;
    Exporter exporter;
};

void PrintTo(const ExportKind& kind, std::ostream* out) { *out << kind.name; }

using test::entriesOf;

// Files may grow to `limit` bytes only, as on a nearly full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of a signal
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int);
};

class ExportFailureTest : public ::testing::TestWithParam<ExportKind> {
protected:
    test::TempDirectory directory;
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_P(ExportFailureTest, MissingFolderIsReportedAndNothingIsCreated) {
    const auto path = directory / "no-such-folder" / "out.file";
    const Result<> result = GetParam().exporter(*state, path);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().find(path.string()), std::string::npos) << result.error();
    EXPECT_NE(result.error().find(std::strerror(ENOENT)), std::string::npos) << result.error();
    EXPECT_TRUE(entriesOf(directory.path()).empty());
}

TEST_P(ExportFailureTest, FolderInTheWayIsReportedAndLeftAlone) {
    const auto path = directory / "folder";
    std::filesystem::create_directory(path);
    const Result<> result = GetParam().exporter(*state, path);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().find(std::strerror(EISDIR)), std::string::npos) << result.error();
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_TRUE(entriesOf(path).empty());
    EXPECT_EQ(entriesOf(directory.path()), std::vector<std::string>{"folder"});
}

TEST_P(ExportFailureTest, FailedWriteKeepsTheExistingFileIntact) {
    // The largest sound: 32812 binary bytes or about a megabyte of text.
    state->encoder.sampleCount = kMaxSamples;
    const auto path = directory / "existing.file";
    const std::vector<std::uint8_t> old(300, 0x5A);
    test::writeFileBytes(path, old);
    Result<> result;
    {
        FileSizeLimit limit(4096);
        result = GetParam().exporter(*state, path);
    }
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().find(std::strerror(EFBIG)), std::string::npos) << result.error();
    EXPECT_EQ(test::readFileBytes(path), old);
    EXPECT_EQ(entriesOf(directory.path()), std::vector<std::string>{"existing.file"});
}

TEST_P(ExportFailureTest, EmptyNameIsReported) { EXPECT_FALSE(GetParam().exporter(*state, "")); }

INSTANTIATE_TEST_SUITE_P(BothExports, ExportFailureTest,
                         ::testing::Values(ExportKind{"Assembler", &exportAssembler},
                                           ExportKind{"Binary", &exportBinary}),
                         [](const ::testing::TestParamInfo<ExportKind>& kind) { return kind.param.name; });

}  // namespace
}  // namespace ryx
