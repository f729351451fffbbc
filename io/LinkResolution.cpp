#include "io/LinkResolution.h"

#include <array>
#include <cerrno>
#include <climits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

constexpr int kMostLinks = 40;  // as the system counts before ELOOP

}  // namespace

ResolvedName resolveLinks(const std::filesystem::path& name) {
    std::filesystem::path current = name;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            // A name that does not exist is where the file will be made.
            if (errno == ENOENT) return {current, 0};
            return {current, errno};
        }
        if (!S_ISLNK(status.st_mode)) return {current, 0};
        std::array<char, PATH_MAX> text{};
        const ssize_t length = ::readlink(current.c_str(), text.data(), text.size());
        if (length < 0) return {current, errno};
        if (static_cast<std::size_t>(length) == text.size()) return {current, ENAMETOOLONG};
        const std::filesystem::path named(std::string(text.data(), static_cast<std::size_t>(length)));
        current = named.is_absolute() ? named : current.parent_path() / named;
    }
    return {name, ELOOP};
}

}  // namespace ryx
