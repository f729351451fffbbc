#include "import/SoundDecoder.h"

#include "import/DeclaredLength.h"
#include "import/SoundLibraries.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

struct SndfileCloser {
    const SoundLibraries* libraries;
    void operator()(SNDFILE* file) const { libraries->close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

constexpr sf_count_t kBlockFrames = 8192;
constexpr const char* kNotReadable = "it is not a readable file";
// libsndfile's "not a regular file (possibly a pipe?)": only regular files
// and memory reach it here, so it means the decoder gave up on the contents.
constexpr int kSndfileBadFile = 7;

std::string openError(const SoundLibraries& libraries) {
    if (libraries.errorNumber(nullptr) == kSndfileBadFile) return "it is not a sound the decoder recognises";
    const char* reason = libraries.errorText(nullptr);
    return reason != nullptr && *reason != '\0' ? reason : "unknown error";
}

// The file's first and last bytes, where its container states its length.
struct FileEnds {
    std::span<const std::uint8_t> head;
    std::span<const std::uint8_t> tail;
};

// The frames the file declares, where the count is exact.
std::optional<std::uint64_t> declaredFrames(const SF_INFO& info, const FileEnds& ends) {
    if (const auto frames = headerDeclaredFrames(ends.head)) return frames;
    if (info.frames <= 0 || info.frames == SF_COUNT_MAX) return std::nullopt;
    // Without a length frame, the MPEG decoder estimates it from the file's size.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && !statesExactMpegLength(ends.head)) return std::nullopt;
    return static_cast<std::uint64_t>(info.frames);
}

// Why the decoding that stopped before the limit stopped early, if it did.
Result<> checkWhole(const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info, const FileEnds& ends,
                    std::uint64_t decoded, std::optional<std::uint64_t> declared) {
    const int failure = libraries.errorNumber(file);
    const bool endsEarly = declared && decoded < *declared;
    const bool oggCut = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG && endsInMidOggStream(ends.tail);
    if (failure == 0 && !endsEarly && !oggCut) return {};
    std::string message = "the sound is damaged after " + std::to_string(decoded);
    if (declared) message += " of " + std::to_string(*declared);
    message += " frames";
    if (failure != 0) message += std::string(": ") + libraries.errorText(file);
    return Result<>::failure(message);
}

// Reads mono blocks up to `limit` frames into `sink`; the frames read, or why the
// sound is refused. Stops short of the limit only where the file ends.
template <typename Sink>
Result<std::uint64_t> decodeBlocks(const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info,
                                   std::uint64_t limit, std::uint64_t& nonFinite, Sink&& sink) {
    if (info.channels < 1) return Error{"the sound has no channels"};
    if (info.samplerate < static_cast<int>(kMinSourceRate) || info.samplerate > static_cast<int>(kMaxSourceRate)) {
        return Error{"its sample rate of " + std::to_string(info.samplerate) + " Hz is not supported (" +
                     std::to_string(kMinSourceRate) + " to " + std::to_string(kMaxSourceRate) + " Hz)"};
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * channels);
    std::vector<float> mono(channels == 1 ? 0 : static_cast<std::size_t>(kBlockFrames));
    const float scale = 1.0f / static_cast<float>(channels);
    std::uint64_t decoded = 0;
    while (decoded < limit) {
        const auto wanted = static_cast<sf_count_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(kBlockFrames), limit - decoded));
        const sf_count_t got = libraries.readFrames(file, block.data(), wanted);
        if (got <= 0) break;
        const auto frames = static_cast<std::size_t>(got);
        // One NaN would reach every sample through the offset removal.
        for (float& value : std::span(block.data(), frames * channels)) {
            if (!std::isfinite(value)) {
                value = 0.0f;
                ++nonFinite;
            }
        }
        decoded += frames;
        if (channels == 1) {
            sink(std::span<const float>(block.data(), frames));
            continue;
        }
        const float* frame = block.data();
        for (std::size_t i = 0; i < frames; ++i, frame += channels) {
            float sum = 0.0f;
            for (std::size_t c = 0; c < channels; ++c) sum += frame[c];
            mono[i] = sum * scale;
        }
        sink(std::span<const float>(mono.data(), frames));
    }
    return decoded;
}

Result<DecodedSound> decodeOpened(const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info,
                                  const FileEnds& ends) {
    DecodedSound sound;
    sound.sampleRate = static_cast<std::uint32_t>(std::max(info.samplerate, 0));
    const std::uint64_t limit = decodedFrameLimit(sound.sampleRate);
    // The frames present, as far as libsndfile can tell: a header may claim far more.
    if (info.frames > 0 && static_cast<std::uint64_t>(info.frames) < limit) {
        sound.samples.reserve(static_cast<std::size_t>(info.frames));
    }
    const Result<std::uint64_t> read =
        decodeBlocks(libraries, file, info, limit, sound.nonFiniteSamples, [&sound](std::span<const float> block) {
            sound.samples.insert(sound.samples.end(), block.begin(), block.end());
        });
    if (!read) return read.failureDetail();
    const std::uint64_t decoded = sound.samples.size();
    const std::optional<std::uint64_t> declared = declaredFrames(info, ends);
    if (decoded < limit) {
        if (Result<> whole = checkWhole(libraries, file, info, ends, decoded, declared); !whole) {
            return whole.failureDetail();
        }
    } else if (declared && *declared > decoded) {
        sound.framesLeftOut = *declared - decoded;
    }
    if (sound.samples.empty()) return Error{"the sound has no samples"};
    return sound;
}

// The whole sound, however long, block by block.
Result<DecodedStream> decodeOpenedInBlocks(const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info,
                                           const FileEnds& ends, const DecodedBlockSink& sink) {
    DecodedStream stream;
    stream.sampleRate = static_cast<std::uint32_t>(std::max(info.samplerate, 0));
    const Result<std::uint64_t> read =
        decodeBlocks(libraries, file, info, std::numeric_limits<std::uint64_t>::max(), stream.nonFiniteSamples,
                     [&sink, &stream](std::span<const float> block) { sink(block, stream.sampleRate); });
    if (!read) return read.failureDetail();
    stream.frames = *read;
    if (Result<> whole = checkWhole(libraries, file, info, ends, stream.frames, declaredFrames(info, ends)); !whole) {
        return whole.failureDetail();
    }
    if (stream.frames == 0) return Error{"the sound has no samples"};
    return stream;
}

// libsndfile's virtual I/O over bytes in memory.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* memory = static_cast<MemoryFile*>(user);
    const auto length = static_cast<sf_count_t>(memory->bytes.size());
    sf_count_t target = offset;
    if (whence == SEEK_CUR) target += memory->position;
    if (whence == SEEK_END) target += length;
    if (target < 0 || target > length) return -1;
    memory->position = target;
    return target;
}

sf_count_t memoryRead(void* destination, sf_count_t count, void* user) {
    auto* memory = static_cast<MemoryFile*>(user);
    const auto length = static_cast<sf_count_t>(memory->bytes.size());
    const sf_count_t available = std::max<sf_count_t>(0, std::min(count, length - memory->position));
    if (available > 0) {
        std::memcpy(destination, memory->bytes.data() + memory->position, static_cast<std::size_t>(available));
        memory->position += available;
    }
    return available;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

// Opens with the loaded library and decodes; `open` gets the library's
// functions and the info to fill.
template <typename Open, typename Decode>
auto decodeWith(const FileEnds& ends, Open open, Decode decode) -> decltype(decode(
    std::declval<const SoundLibraries&>(), static_cast<SNDFILE*>(nullptr), std::declval<const SF_INFO&>(), ends)) {
    const Result<const SoundLibraries*> libraries = soundLibraries();
    if (!libraries) return libraries.failureDetail();
    SF_INFO info{};
    const SndfileHandle file(open(**libraries, info), SndfileCloser{*libraries});
    if (!file) return Error{openError(**libraries)};
    return decode(**libraries, file.get(), info, ends);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// `count` bytes from `offset`, or fewer where the file ends.
Result<std::vector<std::uint8_t>> readAt(int fd, std::uint64_t offset, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Result<std::vector<std::uint8_t>>::failure(std::string("it cannot be read: ") + std::strerror(errno), errno);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

namespace {

template <typename Decode>
auto decodeFileWith(const std::string& fileName, Decode decode) {
    using Outcome = decltype(decodeWith(FileEnds{}, [](const SoundLibraries&, SF_INFO&) { return static_cast<SNDFILE*>(nullptr); }, decode));
    // Without O_NONBLOCK, opening a FIFO would wait for a writer for good;
    // only a regular file is read.
    const Descriptor file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return Outcome{Error{kNotReadable, errno}};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return Outcome{Error{kNotReadable}};

    const auto size = static_cast<std::uint64_t>(status.st_size);
    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kOggTail));
    const Result<std::vector<std::uint8_t>> head = readAt(file.get(), 0, kDeclaredLengthHead);
    if (!head) return Outcome{head.failureDetail()};
    const Result<std::vector<std::uint8_t>> tail = readAt(file.get(), size - tailSize, tailSize);
    if (!tail) return Outcome{tail.failureDetail()};
    // Opened by name: libsndfile tells some kinds without a header (.mp3, .gsm) by it.
    return decodeWith(FileEnds{*head, *tail}, [&](const SoundLibraries& libraries, SF_INFO& info) {
        return libraries.open(fileName.c_str(), SFM_READ, &info);
    }, decode);
}

template <typename Decode>
auto decodeBytesWith(std::span<const std::uint8_t> bytes, Decode decode) {
    MemoryFile memory{bytes};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    const FileEnds ends{bytes.first(std::min(bytes.size(), kDeclaredLengthHead)),
                        bytes.last(std::min(bytes.size(), kOggTail))};
    return decodeWith(ends, [&](const SoundLibraries& libraries, SF_INFO& info) {
        return libraries.openVirtual(&io, SFM_READ, &info, &memory);
    }, decode);
}

auto inBlocks(const DecodedBlockSink& sink) {
    return [&sink](const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info, const FileEnds& ends) {
        return decodeOpenedInBlocks(libraries, file, info, ends, sink);
    };
}

}  // namespace

Result<DecodedSound> decodeSoundFile(const std::string& fileName) { return decodeFileWith(fileName, decodeOpened); }

Result<DecodedSound> decodeSoundBytes(std::span<const std::uint8_t> bytes) {
    return decodeBytesWith(bytes, decodeOpened);
}

Result<DecodedStream> decodeSoundFileInBlocks(const std::string& fileName, const DecodedBlockSink& sink) {
    return decodeFileWith(fileName, inBlocks(sink));
}

Result<DecodedStream> decodeSoundBytesInBlocks(std::span<const std::uint8_t> bytes, const DecodedBlockSink& sink) {
    return decodeBytesWith(bytes, inBlocks(sink));
}

bool isReadableSound(std::span<const std::uint8_t> bytes) {
    MemoryFile memory{bytes};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    const Result<const SoundLibraries*> libraries = soundLibraries();
    if (!libraries) return false;
    SF_INFO info{};
    const SndfileHandle file((*libraries)->openVirtual(&io, SFM_READ, &info, &memory), SndfileCloser{*libraries});
    return file != nullptr && info.channels > 0;
}

}  // namespace ryx
