#pragma once
// A sound player that only records what it is asked to do, and what the
// program's state and preview files looked like at that moment.

#include "core/PreviewWriter.h"
#include "core/ProgramState.h"
#include "core/SoundPlayer.h"

#include <functional>
#include <string>
#include <vector>

namespace ryx::test {

class FakeSoundPlayer final : public SoundPlayer {
public:
    struct Call {
        std::string operation;  // "open", "play" or "close"
        std::string fileName;   // for "open"
        int showSmoothed;       // at the time of the call
        std::uintmax_t decodedPreviewSize;  // 0 when the file is missing
    };

    explicit FakeSoundPlayer(const ProgramState& state) : state_(state) {}

    OperationResult open(const std::string& fileName) override;
    void play() override;
    void close() override;

    std::vector<std::string> operations() const;
    void forget() { calls.clear(); }

    std::vector<Call> calls;
    // What open() answers; it may also throw.
    std::function<OperationResult(const std::string&)> openResult = [](const std::string&) {
        return OperationResult{};
    };
    // Called on every close, to look at the files at that moment.
    std::function<void()> onClose;

private:
    void record(const std::string& operation, const std::string& fileName);

    const ProgramState& state_;
};

}  // namespace ryx::test
