#include "io/WaveFile.h"

#include "formats/WaveLoad.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

Error cannotOpen(int systemError) { return Error{std::string(kCannotOpenMessage), systemError}; }

}  // namespace

Result<> loadWaveFile(ProgramState& state, const std::string& fileName) {
    resetSound(state);
    if (fileName.empty()) return cannotOpen(ENOENT);
    // A device, pipe or folder is refused before it is opened; the open does
    // not block either, in case the name changed in between.
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0) return cannotOpen(errno);
    if (!S_ISREG(status.st_mode)) return cannotOpen(S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    const FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return cannotOpen(errno);
    if (::fstat(file.get(), &status) != 0) return cannotOpen(errno);
    if (!S_ISREG(status.st_mode)) return cannotOpen(S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    // Bytes past the longest sound cannot change it; they are read straight
    // into the sample buffer, where the load takes them from.
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(status.st_size), kLongestUsefulWave));
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t read = ::read(file.get(), state.origSamples.data() + got, wanted - got);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) {
            // A short read is an unreadable file, never a shorter sound.
            const int systemError = read < 0 ? errno : EIO;
            resetSound(state);
            std::fill(state.origSamples.begin() + kMaxSamples, state.origSamples.end(), std::uint8_t{0});
            return cannotOpen(systemError);
        }
        got += static_cast<std::size_t>(read);
    }
    return loadWaveBytes(state, std::span<const std::uint8_t>(state.origSamples).first(got));
}

}  // namespace ryx
