#include "cli/QuietStandardError.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace ryx::cli {

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved_ >= 0) ::dup2(nothing, STDERR_FILENO);
    ::close(nothing);
}

QuietStandardError::~QuietStandardError() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
}

}  // namespace ryx::cli
