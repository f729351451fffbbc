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

Result<InputBytes> failed(int errorNumber) {
    return Result<InputBytes>::failure(std::strerror(errorNumber), errorNumber);
}

// Reads until the end, or until maxRead bytes; keeps the first maxKept,
// straight into room when they fit there, else into the result's storage
// (expected: how many bytes to make room for).
Result<InputBytes> readAll(int file, std::uint64_t maxRead, std::size_t maxKept, std::size_t expected,
                   std::span<std::uint8_t> room) {
    InputBytes input;
    const bool inRoom = maxKept <= room.size();
    std::span<std::uint8_t> kept = room.first(inRoom ? maxKept : 0);
    if (!inRoom) {
        input.storage.resize(std::min(std::max<std::size_t>(expected, 65536), maxKept));
        kept = input.storage;
    }
    std::array<std::uint8_t, 65536> discarded;
    while (input.length < maxRead) {
        const auto used = static_cast<std::size_t>(std::min<std::uint64_t>(input.length, maxKept));
        if (used == kept.size() && used < maxKept) {
            input.storage.resize(std::min(2 * used, maxKept));
            kept = input.storage;
        }
        // Past maxKept the bytes are only counted.
        const std::span<std::uint8_t> into = used < kept.size() ? kept.subspan(used) : std::span(discarded);
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), maxRead - input.length));
        const ssize_t got = ::read(file, into.data(), wanted);
        if (got < 0) {
            if (errno == EINTR) continue;
            return failed(errno);
        }
        if (got == 0) break;
        input.length += static_cast<std::uint64_t>(got);
    }
    input.bytes = kept.first(static_cast<std::size_t>(std::min<std::uint64_t>(input.length, maxKept)));
    return input;
}

}  // namespace

Result<InputBytes> readInputBytes(const std::string& name, std::size_t maxKept, std::span<std::uint8_t> room,
                                  RegularFileBytes regularFile) {
    const bool standardInput = name == "-";
    // A device or folder is refused before it is opened: opening one may
    // block (a terminal, a tape) or have effects of its own.
    struct stat named {};
    if (!standardInput && ::stat(name.c_str(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISFIFO(named.st_mode) &&
        !S_ISSOCK(named.st_mode)) {
        if (S_ISDIR(named.st_mode)) return failed(EISDIR);
        return Result<InputBytes>::failure("not a file or a pipe");
    }
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
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return readAll(file, UINT64_MAX, maxKept, 0, room);
    if (!S_ISREG(status.st_mode)) return Result<InputBytes>::failure("not a file or a pipe");
    // A regular file: what lies past the longest sound cannot change it.
    const auto length = static_cast<std::uint64_t>(status.st_size);
    if (regularFile == RegularFileBytes::leftInFile && !standardInput) {
        InputBytes input;
        input.length = length;
        input.leftInFile = true;
        return input;
    }
    const std::uint64_t wanted = std::min<std::uint64_t>(length, maxKept);
    Result<InputBytes> input = readAll(file, wanted, maxKept, static_cast<std::size_t>(wanted), room);
    if (!input) return input;
    // A file that shrank while read is unreadable, never a shorter sound.
    if (input->length != wanted) return failed(EIO);
    input->length = length;
    return input;
}

}  // namespace ryx::cli
