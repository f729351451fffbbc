#pragma once
// The bytes of one input of ryxenc, from a file, a pipe or FIFO, or the
// standard input ("-"). A pipe is read to its end; its length is what was read.

#include <cstdint>
#include <string>
#include <vector>

namespace ryx::cli {

struct InputBytes {
    std::vector<std::uint8_t> bytes;  // at most maxKept of them
    std::uint64_t length = 0;         // the whole input's length
    std::string failure;              // why it could not be read; empty when read
};

InputBytes readInputBytes(const std::string& name, std::size_t maxKept);

}  // namespace ryx::cli
