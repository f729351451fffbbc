#include "FakeSoundPlayer.h"

#include <filesystem>

namespace ryx::test {

void FakeSoundPlayer::record(const std::string& operation, const std::string& fileName) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(decodedPreviewPath(state_), error);
    calls.push_back({operation, fileName, state_.encoder.showSmoothed, error ? 0 : size});
}

OperationResult FakeSoundPlayer::open(const std::string& fileName) {
    record("open", fileName);
    return openResult(fileName);
}

void FakeSoundPlayer::play() { record("play", ""); }

void FakeSoundPlayer::close() {
    record("close", "");
    if (onClose) onClose();
}

std::vector<std::string> FakeSoundPlayer::operations() const {
    std::vector<std::string> names;
    for (const Call& call : calls) names.push_back(call.operation);
    return names;
}

}  // namespace ryx::test
