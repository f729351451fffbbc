#pragma once
// Writes a file so that it appears whole or not at all: the bytes go to a
// new file beside the target, which is renamed over the target on commit.
// An existing target stays intact until the rename succeeds. A link is
// written through to the file it names; a pipe or device is written directly.

#include "core/OperationResult.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace ryx {

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter();  // discards the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file; fails with the system's reason.
    OperationResult open();
    // Buffered; the first failure is remembered and reported by commit().
    void write(const void* data, std::size_t size);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Flushes, closes and renames over the target; on failure nothing is left.
    OperationResult commit();

private:
    void discard();
    OperationResult fail(int errorNumber);

    std::filesystem::path target_;       // as given: named in every reason
    std::filesystem::path destination_;  // the file actually replaced
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    int writeError_ = 0;
    bool direct_ = false;  // a pipe or device: no temporary, no rename
};

}  // namespace ryx
