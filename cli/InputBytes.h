#pragma once
// The bytes of one input of ryxenc, from a file, a pipe or FIFO, or the
// standard input ("-"). A pipe is read to its end; its length is what was read.

#include "core/Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx::cli {

// Move-only: bytes may point into storage.
struct InputBytes {
    InputBytes() = default;
    InputBytes(InputBytes&&) = default;
    InputBytes& operator=(InputBytes&&) = default;
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    std::span<const std::uint8_t> bytes;  // at most maxKept of them
    std::uint64_t length = 0;             // the whole input's length
    std::vector<std::uint8_t> storage;    // holds the bytes unless they are in the caller's room
    bool leftInFile = false;              // a regular file, opened but not read: read it by its name
};

// Whether a regular file named as an input (not the standard input) is read,
// or only opened and left for the caller to read by its name.
enum class RegularFileBytes : std::uint8_t { read, leftInFile };

// The bytes go into room when maxKept fits there, else into storage; the
// failure is the system's reason.
Result<InputBytes> readInputBytes(const std::string& name, std::size_t maxKept, std::span<std::uint8_t> room = {},
                                  RegularFileBytes regularFile = RegularFileBytes::read);

}  // namespace ryx::cli
