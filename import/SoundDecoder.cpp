#include "import/SoundDecoder.h"

#include "import/SoundLibraries.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include <sys/stat.h>

namespace ryx {
namespace {

struct SndfileCloser {
    const SoundLibraries* libraries;
    void operator()(SNDFILE* file) const { libraries->close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

constexpr sf_count_t kBlockFrames = 8192;

// A pipe, device or folder is never opened (it could block for ever).
bool isRegularFile(const std::string& fileName) {
    struct stat status {};
    return !fileName.empty() && ::stat(fileName.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string openError(const SoundLibraries& libraries) {
    const char* reason = libraries.errorText(nullptr);
    return reason != nullptr && *reason != '\0' ? reason : "unknown error";
}

DecodedSound decodeOpened(const SoundLibraries& libraries, SNDFILE* file, const SF_INFO& info) {
    DecodedSound sound;
    if (info.channels < 1) {
        sound.error = "the sound has no channels";
        return sound;
    }
    if (info.samplerate < static_cast<int>(kMinSourceRate) || info.samplerate > static_cast<int>(kMaxSourceRate)) {
        sound.error = "its sample rate of " + std::to_string(info.samplerate) + " Hz is not supported (" +
                      std::to_string(kMinSourceRate) + " to " + std::to_string(kMaxSourceRate) + " Hz)";
        return sound;
    }
    sound.sampleRate = static_cast<std::uint32_t>(info.samplerate);
    const auto channels = static_cast<std::size_t>(info.channels);
    const std::uint64_t limit = std::min(kMaxDecodedFrames, kMaxDecodedSeconds * sound.sampleRate);
    if (info.frames > 0 && static_cast<std::uint64_t>(info.frames) < limit) {
        sound.samples.reserve(static_cast<std::size_t>(info.frames));
    }

    std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * channels);
    const float scale = 1.0f / static_cast<float>(channels);
    while (sound.samples.size() < limit) {
        const auto wanted = static_cast<sf_count_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(kBlockFrames), limit - sound.samples.size()));
        const sf_count_t got = libraries.readFrames(file, block.data(), wanted);
        if (got <= 0) break;
        const auto frames = static_cast<std::size_t>(got);
        if (channels == 1) {
            sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(frames));
            continue;
        }
        const float* frame = block.data();
        for (std::size_t i = 0; i < frames; ++i, frame += channels) {
            float sum = 0.0f;
            for (std::size_t c = 0; c < channels; ++c) sum += frame[c];
            sound.samples.push_back(sum * scale);
        }
    }
    if (sound.samples.size() >= limit && info.frames > 0 &&
        static_cast<std::uint64_t>(info.frames) > sound.samples.size()) {
        sound.framesLeftOut = static_cast<std::uint64_t>(info.frames) - sound.samples.size();
    }
    if (sound.samples.empty()) sound.error = "the sound has no samples";
    return sound;
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

DecodedSound failed(std::string reason) {
    DecodedSound sound;
    sound.error = std::move(reason);
    return sound;
}

// Opens with the loaded library and decodes; `open` gets the library's
// functions and the info to fill.
template <typename Open>
DecodedSound decodeWith(Open open) {
    std::string reason;
    const SoundLibraries* libraries = soundLibraries(reason);
    if (libraries == nullptr) return failed(reason);
    SF_INFO info{};
    const SndfileHandle file(open(*libraries, info), SndfileCloser{libraries});
    if (!file) return failed(openError(*libraries));
    return decodeOpened(*libraries, file.get(), info);
}

}  // namespace

DecodedSound decodeSoundFile(const std::string& fileName) {
    if (!isRegularFile(fileName)) return failed("it is not a readable file");
    return decodeWith([&](const SoundLibraries& libraries, SF_INFO& info) {
        return libraries.open(fileName.c_str(), SFM_READ, &info);
    });
}

DecodedSound decodeSoundBytes(std::span<const std::uint8_t> bytes) {
    MemoryFile memory{bytes};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    return decodeWith([&](const SoundLibraries& libraries, SF_INFO& info) {
        return libraries.openVirtual(&io, SFM_READ, &info, &memory);
    });
}

bool isReadableSound(std::span<const std::uint8_t> bytes) {
    MemoryFile memory{bytes};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    std::string reason;
    const SoundLibraries* libraries = soundLibraries(reason);
    if (libraries == nullptr) return false;
    SF_INFO info{};
    const SndfileHandle file(libraries->openVirtual(&io, SFM_READ, &info, &memory), SndfileCloser{libraries});
    return file != nullptr && info.channels > 0;
}

}  // namespace ryx
