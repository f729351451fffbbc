#pragma once
// Where a name ends up once symbolic links are followed, even when the last
// link names a file that does not exist yet (the file a write would create).

#include <filesystem>

namespace ryx {

struct ResolvedName {
    std::filesystem::path path;  // the name itself when it is no link
    int error = 0;               // errno (ELOOP for a loop); 0 when resolved
};

// Follows links in the last component only; the folders are left as they are.
ResolvedName resolveLinks(const std::filesystem::path& name);

}  // namespace ryx
