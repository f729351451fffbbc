#include "io/PcmWavFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace ryx {
namespace {

// A file larger than this is no short sound; refused before it is read.
constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

Error refuse(std::string why) { return Error{std::move(why)}; }

}  // namespace

Result<PcmSound> readPcmWavFile(const std::string& fileName) {
    std::error_code error;
    if (std::filesystem::is_directory(fileName, error)) return Error{fileName + ": " + std::strerror(EISDIR), EISDIR};
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return Error{fileName + ": " + std::strerror(errno), errno};

    std::vector<std::uint8_t> bytes;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (!error && size > kLargestFile) return refuse(fileName + ": the file is too large to play");
    if (!error) bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) break;
        if (bytes.size() > kLargestFile) return refuse(fileName + ": the file is too large to play");
    }
    if (std::ferror(file.get())) return Error{fileName + ": " + std::strerror(EIO), EIO};

    Result<PcmSound> parsed = parsePcmWav(bytes);
    if (!parsed) return refuse(fileName + ": not a playable WAV file: " + parsed.error());
    return parsed;
}

}  // namespace ryx
