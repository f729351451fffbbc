#include "ui/PreviewDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace ryx::ui {
namespace {

constexpr char kFolderName[] = "ryx-encoder";
constexpr mode_t kPrivateMode = 0700;

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

Result<> refuse(const std::string& path, const std::string& why) {
    return Result<>::failure(path + ": " + why);
}

}  // namespace

std::vector<std::string> previewDirectoryCandidates(const std::function<std::string(const char*)>& environment) {
    std::vector<std::string> candidates;
    if (const std::string runtime = environment("XDG_RUNTIME_DIR"); isAbsolute(runtime)) {
        candidates.push_back((std::filesystem::path(runtime) / kFolderName).string());
    }
    std::string cache = environment("XDG_CACHE_HOME");
    if (!isAbsolute(cache)) {
        const std::string home = environment("HOME");
        cache = isAbsolute(home) ? (std::filesystem::path(home) / ".cache").string() : std::string();
    }
    if (!cache.empty()) candidates.push_back((std::filesystem::path(cache) / kFolderName).string());
    return candidates;
}

Result<> preparePrivateDirectory(const std::string& path) {
    const std::filesystem::path folder(path);
    if (folder.has_parent_path()) {
        // The parents are ordinary folders (the cache folder may not exist yet).
        std::error_code ignored;
        std::filesystem::create_directories(folder.parent_path(), ignored);
    }
    if (::mkdir(path.c_str(), kPrivateMode) != 0 && errno != EEXIST) return refuse(path, std::strerror(errno));

    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return refuse(path, std::strerror(errno));
    if (S_ISLNK(status.st_mode)) return refuse(path, "is a symbolic link, not a folder of its own");
    if (!S_ISDIR(status.st_mode)) return refuse(path, "is not a folder");
    if (status.st_uid != ::geteuid()) return refuse(path, "belongs to another user");
    if ((status.st_mode & 07777) != kPrivateMode && ::chmod(path.c_str(), kPrivateMode) != 0) {
        return refuse(path, std::strerror(errno));
    }
    return {};
}

Result<std::string> choosePreviewDirectory() {
    const auto environment = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    std::string reasons;
    for (const std::string& candidate : previewDirectoryCandidates(environment)) {
        const Result<> prepared = preparePrivateDirectory(candidate);
        if (prepared) return candidate;
        reasons += (reasons.empty() ? "" : "\n") + prepared.error();
    }
    if (reasons.empty()) reasons = "neither XDG_RUNTIME_DIR nor HOME names a folder";
    return Error{reasons};
}

}  // namespace ryx::ui
