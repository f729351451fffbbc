#pragma once

#include "core/ProgramState.h"

#include <filesystem>
#include <memory>

namespace ryx::bench {

// The largest sound, of varied content (tones, noise, silence, clipping).
std::unique_ptr<ProgramState> makeLargestSound();

// A fresh private folder for a benchmark's files, removed with them at the end.
class BenchFolder {
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace ryx::bench
