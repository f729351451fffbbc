#include "TestSounds.h"

#include "support/FileBytes.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace ryx::test {
namespace {

// A growable file in memory for libsndfile's virtual I/O.
struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    sf_count_t position = 0;
};

sf_count_t length(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t seek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? file->position
                            : whence == SEEK_END ? static_cast<sf_count_t>(file->bytes.size())
                                                 : 0;
    if (base + offset < 0) return -1;
    file->position = base + offset;
    return file->position;
}

sf_count_t read(void* destination, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t available =
        std::clamp<sf_count_t>(static_cast<sf_count_t>(file->bytes.size()) - file->position, 0, count);
    std::memcpy(destination, file->bytes.data() + file->position, static_cast<std::size_t>(available));
    file->position += available;
    return available;
}

sf_count_t write(const void* source, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto end = static_cast<std::size_t>(file->position + count);
    if (file->bytes.size() < end) file->bytes.resize(end);
    std::memcpy(file->bytes.data() + file->position, source, static_cast<std::size_t>(count));
    file->position += count;
    return count;
}

sf_count_t tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

}  // namespace

ToneSound monoTone(int format, int rate, double seconds) {
    ToneSound tone;
    tone.format = format;
    tone.channels = 1;
    tone.rate = rate;
    tone.leadSeconds = tone.tailSeconds = 0.0;
    tone.toneSeconds = seconds;
    return tone;
}

std::vector<float> toneFrames(const ToneSound& sound) {
    const auto frames = [&sound](double seconds) { return static_cast<std::size_t>(std::lround(seconds * sound.rate)); };
    const std::size_t lead = frames(sound.leadSeconds);
    const std::size_t tone = frames(sound.toneSeconds);
    const std::size_t total = lead + tone + frames(sound.tailSeconds);
    const auto channels = static_cast<std::size_t>(sound.channels);
    std::vector<float> samples(total * channels, static_cast<float>(sound.offset));
    for (std::size_t i = 0; i < tone; ++i) {
        const double phase = 2.0 * std::numbers::pi * sound.toneHz * static_cast<double>(i) / sound.rate;
        const auto value = static_cast<float>(sound.offset + sound.amplitude * std::sin(phase));
        std::fill_n(samples.begin() + static_cast<std::ptrdiff_t>((lead + i) * channels), channels, value);
    }
    return samples;
}

std::vector<std::uint8_t> soundBytes(const ToneSound& sound) { return soundBytes(sound, toneFrames(sound)); }

std::vector<std::uint8_t> soundBytes(const ToneSound& sound, const std::vector<float>& frames) {
    MemoryFile memory;
    SF_VIRTUAL_IO io{length, seek, read, write, tell};
    SF_INFO info{};
    info.format = sound.format;
    info.channels = sound.channels;
    info.samplerate = sound.rate;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    EXPECT_NE(file, nullptr) << "libsndfile cannot write format " << std::hex << sound.format << ": "
                             << sf_strerror(nullptr);
    if (file == nullptr) return {};
    if (!sound.title.empty()) sf_set_string(file, SF_STR_TITLE, sound.title.c_str());
    sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size()) / sound.channels);
    sf_close(file);
    return memory.bytes;
}

void writeSoundFile(const std::filesystem::path& path, const ToneSound& sound) {
    writeFileBytes(path, soundBytes(sound));
}

int zeroCrossings(const std::uint8_t* samples, std::size_t count) {
    int crossings = 0;
    bool above = count > 0 && samples[0] >= 128;
    for (std::size_t i = 1; i < count; ++i) {
        if ((samples[i] >= 128) != above) {
            above = !above;
            ++crossings;
        }
    }
    return crossings;
}

}  // namespace ryx::test
