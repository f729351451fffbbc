#pragma once
// The program state of ryxenc, in memory whose pages are all present from
// the start.

#include "core/ProgramState.h"

#include <cstddef>

namespace ryx::cli {

class StateStorage {
public:
    StateStorage();
    ~StateStorage();
    StateStorage(const StateStorage&) = delete;
    StateStorage& operator=(const StateStorage&) = delete;

    ProgramState& state() { return *state_; }

private:
    ProgramState* state_ = nullptr;
    void* mapping_ = nullptr;
};

}  // namespace ryx::cli
