#pragma once
// A failed check stops the run at once, so the fuzzer keeps the input.

namespace ryx::fuzz {

inline void require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace ryx::fuzz
