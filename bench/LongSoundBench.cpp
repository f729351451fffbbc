#include "BenchSound.h"
#include "core/SoundStreamEncoder.h"
#include "firmware/MemoryImage.h"
#include "firmware/SerialMemory.h"
#include "import/SoundStream.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include <sys/resource.h>

namespace ryx::bench {
namespace {

void putLittle(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) out.put(static_cast<char>(value >> (8 * k) & 0xFF));
}

// An hour of 16-bit mono sound at `rate`: a voice-like tone whose pitch and
// loudness wander, and a little noise.
void writeHourSound(const std::filesystem::path& path, std::uint32_t rate) {
    const std::uint32_t frames = 3600 * rate;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    putLittle(out, 36 + 2 * frames, 4);
    out.write("WAVEfmt ", 8);
    putLittle(out, 16, 4);
    putLittle(out, 1, 2);
    putLittle(out, 1, 2);
    putLittle(out, rate, 4);
    putLittle(out, 2 * rate, 4);
    putLittle(out, 2, 2);
    putLittle(out, 16, 2);
    out.write("data", 4);
    putLittle(out, 2 * frames, 4);
    std::vector<std::int16_t> second(rate);
    std::uint32_t noise = 1;
    double phase = 0;
    for (std::uint32_t s = 0; s < 3600; ++s) {
        const double pitch = 200 + 150 * std::sin(s / 7.0);
        const double loudness = 8000 + 6000 * std::sin(s / 3.1);
        for (std::int16_t& sample : second) {
            noise = noise * 1664525u + 1013904223u;
            phase += 2 * 3.141592653589793 * pitch / rate;
            sample = static_cast<std::int16_t>(loudness * (std::sin(phase) + 0.3 * std::sin(3.1 * phase)) +
                                               static_cast<double>(noise >> 23) - 256);
        }
        out.write(reinterpret_cast<const char*>(second.data()), static_cast<std::streamsize>(2 * second.size()));
    }
}

// The hour imported at its own rate, encoded and packed into a W25Q128's
// image piece by piece, as ryxenc --memory W25Q128 --image does.
void BM_HourIntoW25Q128Image(benchmark::State& run) {
    const auto rate = static_cast<std::uint32_t>(run.range(0));
    BenchFolder folder;
    const auto path = folder.path() / "hour.wav";
    writeHourSound(path, 8000);
    const SerialMemory& memory = *findMemory("W25Q128");
    EncodingSettings settings;
    settings.encoder.sampleRate = rate;
    std::size_t imageBytes = 0;
    for (auto _ : run) {
        SoundStreamEncoder encoder(settings, memorySampleCapacity(memory));
        const Result<StreamedSound> sound = streamSoundFile(path, ImportOptions{rate, true, true},
                                                            [&encoder](std::span<const std::uint8_t> block) { encoder.add(block); });
        if (!sound) {
            run.SkipWithError(sound.error().c_str());
            break;
        }
        const std::vector<std::uint8_t> bits = encoder.finish();
        const SoundBits played(bits);
        const Result<std::vector<std::uint8_t>> image = memoryImage(memory, std::span(&played, 1), rate);
        if (!image) {
            run.SkipWithError(image.error().c_str());
            break;
        }
        imageBytes = image->size();
        benchmark::DoNotOptimize(image->data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    run.counters["image_bytes"] = static_cast<double>(imageBytes);
    run.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

BENCHMARK(BM_HourIntoW25Q128Image)->Arg(8000)->Arg(15625)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace ryx::bench
