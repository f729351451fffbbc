#pragma once
// Where a name ends up once symbolic links are followed, even when the last
// link names a file that does not exist yet (the file a write would create),
// and whether it is one of this process's open descriptors (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N), which no text of a path can stand for.

#include "core/Result.h"

#include <filesystem>

namespace ryx {

struct ResolvedName {
    std::filesystem::path path;  // the name itself when it is no link
    int descriptor = -1;         // >= 0: the name is this open descriptor of this process
};

// Follows links in the last component only; the folders are left as they are.
// Fails with "NAME: reason" (ELOOP for a loop, EBADF for a descriptor that is not open).
Result<ResolvedName> resolveLinks(const std::filesystem::path& name);

}  // namespace ryx
