#include "io/LinkResolution.h"

#include "io/DisplayName.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

constexpr int kMostLinks = 40;  // as the system counts before ELOOP

// The folders that list this process's descriptors; /proc/PID/fd and /dev/fd
// lead to the first.
constexpr std::array<const char*, 2> kOwnDescriptorFolders{"/proc/self/fd", "/proc/thread-self/fd"};

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The descriptor a name in one of this process's descriptor folders stands
// for, or -1. Compared by inode, whatever the spelling; the folder is held
// open meanwhile, so that its inode stays the one a lookup finds.
int ownDescriptor(const std::filesystem::path& name) {
    const std::string last = name.filename().string();
    int descriptor = -1;
    const auto [end, error] = std::from_chars(last.data(), last.data() + last.size(), descriptor);
    if (last.empty() || error != std::errc() || end != last.data() + last.size() || descriptor < 0) return -1;

    const std::filesystem::path folder = name.has_parent_path() ? name.parent_path() : ".";
    for (const char* own : kOwnDescriptorFolders) {
        const int held = ::open(own, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (held < 0) continue;
        struct stat ownStatus {};
        struct stat folderStatus {};
        const bool same = ::fstat(held, &ownStatus) == 0 && ::stat(folder.c_str(), &folderStatus) == 0 &&
                          sameInode(ownStatus, folderStatus);
        ::close(held);
        if (same) return descriptor;
    }
    return -1;
}

Result<ResolvedName> failure(const std::filesystem::path& name, int errorNumber) {
    return Result<ResolvedName>::failure(displayName(name.string()) + ": " + std::strerror(errorNumber), errorNumber);
}

}  // namespace

Result<ResolvedName> resolveLinks(const std::filesystem::path& name) {
    std::filesystem::path current = name;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        // Such a link's text ("pipe:[12]", "/x/g (deleted)") names no file to write.
        if (const int descriptor = ownDescriptor(current); descriptor >= 0) {
            if (::fcntl(descriptor, F_GETFD) < 0) return failure(name, EBADF);
            return ResolvedName{current, descriptor};
        }
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            // A name that does not exist is where the file will be made.
            if (errno == ENOENT) return ResolvedName{current};
            return failure(name, errno);
        }
        if (!S_ISLNK(status.st_mode)) return ResolvedName{current};
        std::array<char, PATH_MAX> text{};
        const ssize_t length = ::readlink(current.c_str(), text.data(), text.size());
        if (length < 0) return failure(name, errno);
        if (static_cast<std::size_t>(length) == text.size()) return failure(name, ENAMETOOLONG);
        const std::filesystem::path named(std::string(text.data(), static_cast<std::size_t>(length)));
        current = named.is_absolute() ? named : current.parent_path() / named;
    }
    return failure(name, ELOOP);
}

}  // namespace ryx
