#pragma once
// A sound player that records what it is asked to do, with the state of the
// program and the size of a watched file (such as a preview) at that moment.

#include "core/ProgramState.h"
#include "ui/SoundPlayer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ryx::test {

class RecordingPlayer final : public SoundPlayer {
public:
    struct Call {
        std::string operation, fileName;
        int showSmoothed;
        std::uintmax_t watchedFileSize;  // 0 when it is missing
    };

    explicit RecordingPlayer(const ProgramState& state) : state_(state) {}

    Result<> open(const std::string& fileName) override;
    void play() override { record("play", ""); }
    void close() override { record("close", ""); }

    std::vector<std::string> operations() const;

    std::vector<Call> calls;
    std::string watchedFile;
    std::function<Result<>(const std::string&)> openResult = [](const std::string&) {
        return Result<>{};
    };

private:
    void record(const std::string& operation, const std::string& fileName);

    const ProgramState& state_;
};

}  // namespace ryx::test
