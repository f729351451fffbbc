#include "cli/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace ryx::cli {

// Renaming over an existing file makes ext4 write the new file out at once
// (its safeguard for replace-by-rename), which takes longer than the whole
// encode. Exchanging the two names and then removing the old file keeps the
// replacement atomic and leaves the writing-out to the kernel, as for any
// newly created file. Where exchange is not available, a plain rename.
OperationResult writeReplacing(const std::filesystem::path& target,
                               const std::function<OperationResult(const std::filesystem::path&)>& write) {
    std::error_code error;
    if (target.empty() || !std::filesystem::is_regular_file(target, error)) return write(target);
    // Exchanging names with a link would replace the link, not the file it names.
    if (std::filesystem::is_symlink(target, error)) {
        const auto named = std::filesystem::canonical(target, error);
        return error ? write(target) : writeReplacing(named, write);
    }

    std::filesystem::path fresh = target;
    fresh += ".new" + std::to_string(getpid());
    if (std::filesystem::exists(fresh, error)) return write(target);  // not ours to touch
    if (OperationResult written = write(fresh); !written) {
        // Name the file the user asked for, not the fresh one.
        std::string reason = written.error();
        if (reason.rfind(fresh.string(), 0) == 0) reason.replace(0, fresh.string().size(), target.string());
        return OperationResult::failure(reason);
    }

    if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        std::filesystem::remove(fresh, error);  // now the old content
        return {};
    }
    if (std::rename(fresh.c_str(), target.c_str()) == 0) return {};
    const int renameError = errno;
    std::filesystem::remove(fresh, error);
    return OperationResult::failure(target.string() + ": " + std::strerror(renameError));
}

}  // namespace ryx::cli
