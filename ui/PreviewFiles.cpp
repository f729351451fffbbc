#include "ui/PreviewFiles.h"

#include "io/PreviewFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx::ui {
namespace {

constexpr char kOriginalName[] = "ryxelt1.wav";
constexpr char kDecodedName[] = "ryxelt2.wav";
constexpr char kWindowPrefix[] = "window-";
constexpr std::size_t kUniqueSuffixLength = 6;  // mkdtemp's XXXXXX

Result<> failure(const std::string& path, int errorNumber) {
    return Result<>::failure(path + ": " + std::strerror(errorNumber), errorNumber);
}

bool processIsGone(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace

std::string windowFolderPattern(long pid) {
    return kWindowPrefix + std::to_string(pid) + "-" + std::string(kUniqueSuffixLength, 'X');
}

long windowFolderOwner(const std::string& name) {
    const std::string_view prefix = kWindowPrefix;
    if (name.size() < prefix.size() + 2 + kUniqueSuffixLength || name.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::size_t dash = name.size() - kUniqueSuffixLength - 1;
    if (name[dash] != '-' || dash == prefix.size() || dash - prefix.size() > 9) return 0;
    long pid = 0;
    for (std::size_t at = prefix.size(); at < dash; ++at) {
        if (name[at] < '0' || name[at] > '9') return 0;
        pid = pid * 10 + (name[at] - '0');
    }
    return pid;
}

void removeStaleWindowFolders(const std::string& base) {
    std::vector<std::string> stale;
    DIR* listing = ::opendir(base.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        const long pid = windowFolderOwner(name);
        if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
        struct stat status {};
        // Only a real folder of this user's own; a link or another's is left.
        if (::fstatat(::dirfd(listing), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) continue;
        if (processIsGone(pid)) stale.push_back(name);
    }
    ::closedir(listing);
    for (const std::string& name : stale) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(base) / name, ignored);  // links inside are not followed
    }
}

Result<> PreviewFiles::create(const std::string& base, std::unique_ptr<PreviewFiles>& made) {
    removeStaleWindowFolders(base);
    std::string folder = (std::filesystem::path(base) / windowFolderPattern(static_cast<long>(::getpid()))).string();
    if (::mkdtemp(folder.data()) == nullptr) return failure(folder, errno);  // mode 0700
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        const int openError = errno;
        ::rmdir(folder.c_str());
        return failure(folder, openError);
    }
    made.reset(new PreviewFiles(std::move(folder), descriptor));
    return {};
}

PreviewFiles::PreviewFiles(std::string folder, int folderDescriptor)
    : folder_(std::move(folder)), folderDescriptor_(folderDescriptor) {}

PreviewFiles::~PreviewFiles() {
    for (const char* name : {kOriginalName, kDecodedName}) ::unlinkat(folderDescriptor_, name, 0);
    ::close(folderDescriptor_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string PreviewFiles::originalPath() const { return folder_ + "/" + kOriginalName; }

std::string PreviewFiles::decodedPath() const { return folder_ + "/" + kDecodedName; }

Result<> PreviewFiles::writePreviewWav(const ProgramState& state, PreviewMode mode) {
    const bool original = isOriginalPreview(mode);
    const char* name = original ? kOriginalName : kDecodedName;
    const std::string path = original ? originalPath() : decodedPath();
    // The old file (or a link planted in its place) goes first: the writer
    // then makes a new file, and one that fails leaves none.
    if (::unlinkat(folderDescriptor_, name, 0) != 0 && errno != ENOENT) return failure(path, errno);
    return writePreviewFile(state, mode, path);
}

}  // namespace ryx::ui
