#pragma once
// The program state of ryxenc and the room its WAV input is read into, in
// memory whose pages are all present from the start.

#include "core/ProgramState.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ryx::cli {

class StateStorage {
public:
    StateStorage();
    ~StateStorage();
    StateStorage(const StateStorage&) = delete;
    StateStorage& operator=(const StateStorage&) = delete;

    ProgramState& state() { return *state_; }
    // Room for a WAV input's useful bytes (empty when no such memory could be had).
    std::span<std::uint8_t> inputRoom() { return inputRoom_; }

private:
    ProgramState* state_ = nullptr;
    void* mapping_ = nullptr;
    std::size_t mappingSize_ = 0;
    std::span<std::uint8_t> inputRoom_;
};

}  // namespace ryx::cli
