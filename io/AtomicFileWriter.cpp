#include "io/AtomicFileWriter.h"

#include "io/DisplayName.h"
#include "io/LinkResolution.h"
#include "io/TemporaryFileCleanup.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx {
namespace {

constexpr int kNameAttempts = 16;

// ".ryx" and eight random letters or digits: far below any name length limit,
// whatever the target's name.
std::string hiddenName() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, 8> random{};
    if (::getrandom(random.data(), random.size(), 0) != static_cast<ssize_t>(random.size())) {
        // Only uniqueness matters here; O_EXCL guards against a clash.
        static unsigned counter = 0;
        const auto seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<unsigned char>(seed >> (4 * i));
    }
    std::string name = ".ryx";
    for (const unsigned char byte : random) name += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return name;
}

}  // namespace

OutputTarget OutputTarget::standardOutput(std::filesystem::path shownAs) {
    OutputTarget target;
    target.path_ = std::move(shownAs);
    target.standardOutput_ = true;
    return target;
}

std::string OutputTarget::shownName() const {
    return standardOutput_ && path_.empty() ? std::string("standard output") : displayName(path_.string());
}

AtomicFileWriter::AtomicFileWriter(OutputTarget target, Temporary temporary)
    : target_(std::move(target)), temporaryKind_(temporary) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

Result<> AtomicFileWriter::open() {
    if (target_.isStandardOutput()) return writeThrough(STDOUT_FILENO);
    if (target_.path().empty()) return Result<>::failure("No file name given");

    // Renaming over a link would replace the link, not the file it names.
    Result<ResolvedName> resolved = resolveLinks(target_.path());
    if (!resolved) return Result<>(resolved.failureDetail());
    if (resolved->descriptor >= 0) return writeThrough(resolved->descriptor);
    destination_ = std::move(resolved->path);

    // The system's own way through the links, which a link's text may not retrace.
    struct stat named {};
    if (::stat(target_.path().c_str(), &named) == 0) {
        if (S_ISDIR(named.st_mode)) return fail(EISDIR);
        // A pipe or device (such as /dev/null) is written to, never replaced.
        if (!S_ISREG(named.st_mode)) return openInPlace(0);
        struct stat status {};
        // A file no path leads to (another process's descriptor of a deleted
        // file) has no name to replace: it is written where it is, as by a shell's ">".
        if (::stat(destination_.c_str(), &status) != 0 || status.st_dev != named.st_dev ||
            status.st_ino != named.st_ino) {
            return openInPlace(O_TRUNC);
        }
        // Refused where a shell's ">" would be refused: the same check of the
        // effective user's right to write (which root always has).
        if (::faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0) return fail(errno);
        replacing_ = true;
        mode_ = status.st_mode & 07777;
        owner_ = status.st_uid;
        group_ = status.st_gid;
    } else if (errno != ENOENT) {
        return fail(errno);
    }

    destinationName_ = destination_.filename().string();
    if (destinationName_.empty()) return fail(EISDIR);
    const std::filesystem::path folder = destination_.has_parent_path() ? destination_.parent_path() : ".";
    folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return fail(errno);
    // Linking an unnamed file goes through /proc.
    const bool unnamed = temporaryKind_ == Temporary::unnamedWhereSupported && ::access("/proc/self/fd", X_OK) == 0;
    return openTemporary(unnamed);
}

Result<> AtomicFileWriter::writeThrough(int descriptor) {
    file_ = descriptor;
    direct_ = true;
    borrowed_ = true;
    return {};
}

Result<> AtomicFileWriter::openInPlace(int truncate) {
    file_ = ::open(target_.path().c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | truncate);
    if (file_ < 0) return fail(errno);
    direct_ = true;
    return {};
}

Result<> AtomicFileWriter::openTemporary(bool unnamed) {
    if (unnamed) {
        file_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = file_ >= 0;
        // Not every file system has unnamed files; those get a named one.
        if (file_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(errno);
    }
    if (file_ < 0) {
        std::error_code ignored;
        const std::filesystem::path folder = std::filesystem::absolute(destination_, ignored).parent_path();
        for (int attempt = 0; attempt < kNameAttempts && file_ < 0; ++attempt) {
            const std::string name = hiddenName();
            const SignalsHeldBack held;
            file_ = ::openat(folder_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (file_ >= 0) {
                temporaryName_ = name;
                cleanupSlot_ = registerTemporaryFile(folder / name);
            } else if (errno != EEXIST) {
                return fail(errno);
            }
        }
        if (file_ < 0) return fail(EEXIST);
    }
    if (replacing_) {
        // The new file takes the old one's owner (where allowed) and permission bits.
        struct stat fresh {};
        if (::fstat(file_, &fresh) == 0 && (fresh.st_uid != owner_ || fresh.st_gid != group_)) {
            [[maybe_unused]] const int ignored = ::fchown(file_, owner_, group_);
        }
        if (::fchmod(file_, mode_) != 0) return fail(errno);
    }
    return {};
}

void AtomicFileWriter::write(const void* data, std::size_t size) {
    if (file_ < 0 || writeError_ != 0) return;
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(file_, at, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            writeError_ = errno;
            return;
        }
        at += written;
        size -= static_cast<std::size_t>(written);
    }
}

Result<> AtomicFileWriter::commit() {
    if (file_ < 0) return Result<>::failure("File was not opened");
    if (writeError_ != 0) return fail(writeError_);
    if (direct_) {
        const int file = std::exchange(file_, -1);
        if (!borrowed_ && ::close(file) != 0) return fail(errno);
        return {};
    }
    if (unnamed_) return linkIntoPlace();
    if (::close(std::exchange(file_, -1)) != 0) return fail(errno);
    return renameIntoPlace(temporaryName_);
}

Result<> AtomicFileWriter::linkIntoPlace() {
    const std::string self = "/proc/self/fd/" + std::to_string(file_);
    if (!replacing_) {
        // A new file appears under its name in one step.
        if (::linkat(AT_FDCWD, self.c_str(), folder_, destinationName_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (::close(std::exchange(file_, -1)) == 0) return {};
            const int closeError = errno;
            ::unlinkat(folder_, destinationName_.c_str(), 0);
            return fail(closeError);
        }
        if (errno != EEXIST) return fail(errno);
    }
    // A link cannot replace a file: give it a hidden name, then rename that over the old file.
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::absolute(destination_, ignored).parent_path();
    for (int attempt = 0; attempt < kNameAttempts && temporaryName_.empty(); ++attempt) {
        const std::string name = hiddenName();
        const SignalsHeldBack held;
        if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporaryName_ = name;
            cleanupSlot_ = registerTemporaryFile(folder / name);
        } else if (errno != EEXIST) {
            return fail(errno);
        }
    }
    if (temporaryName_.empty()) return fail(EEXIST);
    if (::close(std::exchange(file_, -1)) != 0) return fail(errno);
    return renameIntoPlace(temporaryName_);
}

Result<> AtomicFileWriter::renameIntoPlace(const std::string& temporaryName) {
    // A plain rename: the file system's own safeguard for replacing a file applies.
    if (::renameat(folder_, temporaryName.c_str(), folder_, destinationName_.c_str()) != 0) return fail(errno);
    unregisterTemporaryFile(std::exchange(cleanupSlot_, -1));
    temporaryName_.clear();
    return {};
}

Result<> AtomicFileWriter::fail(int errorNumber) {
    discard();
    return Result<>::failure(target_.shownName() + ": " + std::strerror(errorNumber), errorNumber);
}

void AtomicFileWriter::discard() {
    if (file_ >= 0 && !borrowed_) ::close(file_);
    file_ = -1;
    if (!temporaryName_.empty()) {
        ::unlinkat(folder_, temporaryName_.c_str(), 0);
        unregisterTemporaryFile(std::exchange(cleanupSlot_, -1));
        temporaryName_.clear();
    }
    if (folder_ >= 0) ::close(std::exchange(folder_, -1));
}

}  // namespace ryx
