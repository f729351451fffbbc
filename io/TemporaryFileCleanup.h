#pragma once
// Named temporary files that SIGINT, SIGTERM or SIGHUP must not leave
// behind: while one is registered, such a signal that would end the process
// removes it first. A signal the program ignores or handles itself is left
// alone (the process goes on, and so does the write).

#include <csignal>
#include <filesystem>

namespace ryx {

// Holds the three signals back while a temporary file is made and registered,
// so that no signal falls between the two.
class SignalsHeldBack {
public:
    SignalsHeldBack();
    ~SignalsHeldBack();
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

private:
    sigset_t saved_{};
};

// Registers an absolute path; returns a slot for unregisterTemporaryFile, or
// -1 when every slot is taken or the path is too long to keep.
int registerTemporaryFile(const std::filesystem::path& path);
void unregisterTemporaryFile(int slot);

}  // namespace ryx
