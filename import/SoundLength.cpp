#include "import/SoundLength.h"

#include "import/SoundLibraries.h"

#include <filesystem>

namespace ryx {

Result<SoundLength> readSoundLength(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) return Result<SoundLength>::failure("not a regular file");
    const Result<const SoundLibraries*> libraries = soundLibraries();
    if (!libraries) return libraries.failureDetail();
    SF_INFO info{};
    SNDFILE* file = (*libraries)->open(fileName.c_str(), SFM_READ, &info);
    if (file == nullptr) return Result<SoundLength>::failure((*libraries)->errorText(nullptr));
    (*libraries)->close(file);
    if (info.samplerate <= 0 || info.frames < 0) return Result<SoundLength>::failure("the file states no length");
    return SoundLength{static_cast<std::uint64_t>(info.frames), static_cast<std::uint32_t>(info.samplerate)};
}

}  // namespace ryx
