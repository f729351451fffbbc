#include "BenchSound.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ryx::bench {

std::unique_ptr<ProgramState> makeLargestSound() {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = kMaxSamples;
    std::uint32_t noise = 1;
    for (std::uint32_t i = 0; i < kMaxSamples; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double tone = 100.0 * std::sin(i * 0.05) + 40.0 * std::sin(i * 0.31);
        const std::uint32_t part = (i / 20000) % 4;
        const double value = part == 0 ? 128.0 + tone
                             : part == 1 ? static_cast<double>(noise >> 24)
                             : part == 2 ? 128.0
                                         : 128.0 + 2.0 * tone;
        state->origSamples[i] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
    }
    return state;
}

BenchFolder::BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ryxbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

BenchFolder::~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace ryx::bench
