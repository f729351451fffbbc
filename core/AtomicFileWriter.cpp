#include "core/AtomicFileWriter.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace ryx {
namespace {

std::string describe(const std::filesystem::path& path, int errorNumber) {
    return path.string() + ": " + std::strerror(errorNumber);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

OperationResult AtomicFileWriter::open() {
    if (target_.empty()) return OperationResult::failure("No file name given");
    std::error_code error;
    destination_ = target_;
    // Renaming over a link would replace the link, not the file it names.
    if (std::filesystem::is_symlink(target_, error)) {
        const auto named = std::filesystem::canonical(target_, error);
        if (!error) destination_ = named;
    }
    const auto status = std::filesystem::status(destination_, error);
    if (std::filesystem::is_directory(status)) {
        return OperationResult::failure(describe(target_, EISDIR));
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        // A pipe or device (such as /dev/null) is written to, never replaced.
        file_ = std::fopen(destination_.c_str(), "wb");
        if (file_ == nullptr) return OperationResult::failure(describe(target_, errno));
        direct_ = true;
        return {};
    }
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = destination_;
        temporary_ += ".tmp" + std::to_string(entropy() % 1000000u);
        // "x": never follow or reuse a file that is already there.
        file_ = std::fopen(temporary_.c_str(), "wbx");
        if (file_ != nullptr) return {};
        if (errno != EEXIST) break;
    }
    const int openError = errno;
    temporary_.clear();
    return OperationResult::failure(describe(target_, openError));
}

void AtomicFileWriter::write(const void* data, std::size_t size) {
    if (file_ == nullptr || writeError_ != 0 || size == 0) return;
    if (std::fwrite(data, 1, size, file_) != size) writeError_ = errno != 0 ? errno : EIO;
}

OperationResult AtomicFileWriter::commit() {
    if (file_ == nullptr) return OperationResult::failure("File was not opened");
    if (writeError_ == 0 && std::fflush(file_) != 0) writeError_ = errno;
    const int closeStatus = std::fclose(file_);
    file_ = nullptr;
    if (writeError_ == 0 && closeStatus != 0) writeError_ = errno;
    if (writeError_ != 0) return fail(writeError_);
    if (direct_) return {};
    std::error_code error;
    std::filesystem::rename(temporary_, destination_, error);
    if (error) return fail(error.value());
    temporary_.clear();
    return {};
}

OperationResult AtomicFileWriter::fail(int errorNumber) {
    discard();
    return OperationResult::failure(describe(target_, errorNumber));
}

void AtomicFileWriter::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

}  // namespace ryx
