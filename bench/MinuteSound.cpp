#include "MinuteSound.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace ryx::bench {

std::filesystem::path minuteSoundFile(const std::filesystem::path& folder, int format, const char* name) {
    const auto path = folder / name;
    constexpr int kRate = 44100;
    constexpr int kFrames = 60 * kRate;
    std::vector<short> frames(2 * static_cast<std::size_t>(kFrames));
    std::uint32_t noise = 12345;
    double phase = 0.0;
    for (int i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 200.0 + 2800.0 * std::fmod(t, 5.0) / 5.0;
        phase += 2.0 * std::numbers::pi * hz / kRate;
        noise = noise * 1664525u + 1013904223u;
        const bool pause = std::fmod(t, 7.0) > 6.5;
        const double value = pause ? 0.0 : 0.5 * std::sin(phase) + 0.05 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
        const auto left = static_cast<short>(std::lround(value * 32767.0));
        frames[2 * static_cast<std::size_t>(i)] = left;
        frames[2 * static_cast<std::size_t>(i) + 1] = static_cast<short>(left / 2);
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) std::abort();
    sf_writef_short(file, frames.data(), kFrames);
    sf_close(file);
    return path;
}

}  // namespace ryx::bench
