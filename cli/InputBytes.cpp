#include "cli/InputBytes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx::cli {
namespace {

InputBytes failed(int errorNumber) {
    InputBytes input;
    input.failure = std::strerror(errorNumber);
    return input;
}

// Reads until the end, or until maxRead bytes; keeps the first maxKept.
InputBytes readAll(int file, std::uint64_t maxRead, std::size_t maxKept) {
    InputBytes input;
    std::array<std::uint8_t, 65536> block;
    while (input.length < maxRead) {
        const std::uint64_t wanted = std::min<std::uint64_t>(block.size(), maxRead - input.length);
        const ssize_t got = ::read(file, block.data(), static_cast<std::size_t>(wanted));
        if (got < 0) {
            if (errno == EINTR) continue;
            return failed(errno);
        }
        if (got == 0) break;
        const auto count = static_cast<std::size_t>(got);
        const std::size_t keep = std::min(count, maxKept - std::min(maxKept, input.bytes.size()));
        input.bytes.insert(input.bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(keep));
        input.length += count;
    }
    return input;
}

}  // namespace

InputBytes readInputBytes(const std::string& name, std::size_t maxKept) {
    const bool standardInput = name == "-";
    const int file = standardInput ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (file < 0) return failed(errno);
    struct Closer {
        int file;
        bool keep;
        ~Closer() {
            if (!keep) ::close(file);
        }
    } closer{file, standardInput};

    struct stat status {};
    if (::fstat(file, &status) != 0) return failed(errno);
    if (S_ISDIR(status.st_mode)) return failed(EISDIR);
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return readAll(file, UINT64_MAX, maxKept);
    if (!S_ISREG(status.st_mode)) {
        InputBytes input;
        input.failure = "not a file or a pipe";
        return input;
    }
    // A regular file: what lies past the longest sound cannot change it.
    const auto length = static_cast<std::uint64_t>(status.st_size);
    InputBytes input = readAll(file, std::min<std::uint64_t>(length, maxKept), maxKept);
    if (!input.failure.empty()) return input;
    // A file that shrank while read is unreadable, never a shorter sound.
    if (input.length != std::min<std::uint64_t>(length, maxKept)) return failed(EIO);
    input.length = length;
    return input;
}

}  // namespace ryx::cli
