#pragma once
// Named temporary files that a fatal signal must not leave behind. While one
// is registered, every catchable signal whose default action ends the
// process (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGALRM,
// SIGUSR1, SIGSEGV, the real-time signals, ...) removes it first, then ends
// the process as that signal would have. A signal the program ignores or
// handles itself is left alone (the process goes on, and so does the write).
// Not promised: SIGKILL cannot be caught, so a kill -9 while a named
// temporary exists (always for a named one, and for the moment an unnamed
// file takes a hidden name to replace an old one) leaves it behind; nothing
// is flushed to the disk, so a power cut or a crash of the system may lose or
// truncate a file that was just written; more than eight temporaries at
// once, or a path longer than PATH_MAX, go unregistered.

#include <csignal>
#include <filesystem>

namespace ryx {

// Holds those signals back while a temporary file is made and registered,
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
