#pragma once
// A sound player that records what it is asked to do, with the state of
// the program and the size of the decoded preview at that moment.

#include "core/PreviewWriter.h"
#include "core/SoundPlayer.h"

#include <filesystem>
#include <functional>
#include <vector>

namespace ryx::test {

class FakeSoundPlayer final : public SoundPlayer {
public:
    struct Call {
        std::string operation, fileName;
        int showSmoothed;
        std::uintmax_t decodedPreviewSize;
    };

    explicit FakeSoundPlayer(const ProgramState& state) : state_(state) {}

    OperationResult open(const std::string& fileName) override {
        record("open", fileName);
        return openResult(fileName);
    }
    void play() override { record("play", ""); }
    void close() override { record("close", ""); }

    std::vector<std::string> operations() const {
        std::vector<std::string> names;
        for (const Call& call : calls) names.push_back(call.operation);
        return names;
    }

    std::vector<Call> calls;
    std::function<OperationResult(const std::string&)> openResult = [](const std::string&) {
        return OperationResult{};
    };

private:
    void record(const std::string& operation, const std::string& fileName) {
        std::error_code missing;
        const std::uintmax_t size = std::filesystem::file_size(decodedPreviewPath(state_), missing);
        calls.push_back({operation, fileName, state_.encoder.showSmoothed, missing ? 0 : size});
    }

    const ProgramState& state_;
};

}  // namespace ryx::test
