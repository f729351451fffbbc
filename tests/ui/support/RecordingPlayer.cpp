#include "ui/support/RecordingPlayer.h"

#include <filesystem>
#include <system_error>

namespace ryx::test {

Result<> RecordingPlayer::open(const std::string& fileName) {
    record("open", fileName);
    return openResult(fileName);
}

std::vector<std::string> RecordingPlayer::operations() const {
    std::vector<std::string> names;
    for (const Call& call : calls) names.push_back(call.operation);
    return names;
}

void RecordingPlayer::record(const std::string& operation, const std::string& fileName) {
    std::error_code missing;
    const std::uintmax_t size = watchedFile.empty() ? 0 : std::filesystem::file_size(watchedFile, missing);
    calls.push_back({operation, fileName, state_.encoder.showSmoothed, missing ? 0 : size});
}

}  // namespace ryx::test
