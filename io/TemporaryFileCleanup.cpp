#include "io/TemporaryFileCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace ryx {
namespace {

// The catchable signals whose default action ends the process; the
// real-time ones are added at run time.
constexpr int kFatalSignals[] = {
    SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2,
    SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

struct Slot {
    std::atomic<bool> active{false};
    char path[PATH_MAX];
};

// Static storage: the handler may only touch what needs no allocation.
std::array<Slot, 8> slots;
std::mutex slotsMutex;

const sigset_t& fatalSignals() {
    static const sigset_t set = [] {
        sigset_t signals;
        sigemptyset(&signals);
        for (const int signalNumber : kFatalSignals) sigaddset(&signals, signalNumber);
        for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) sigaddset(&signals, signalNumber);
        return signals;
    }();
    return set;
}

extern "C" void removeTemporariesAndDie(int signalNumber) {
    for (Slot& slot : slots) {
        if (slot.active.load(std::memory_order_acquire)) ::unlink(slot.path);
    }
    // Blocked while this handler runs; delivered with the default action on return.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signalNumber, &fallback, nullptr);
    ::raise(signalNumber);
}

// Only for signals whose action is the default (ending the process); checked
// at every registration, since the program may change its actions meanwhile.
void installHandlers() {
    struct sigaction ours {};
    ours.sa_handler = removeTemporariesAndDie;
    // Every other fatal signal waits until the files are gone.
    ours.sa_mask = fatalSignals();
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (sigismember(&fatalSignals(), signalNumber) != 1) continue;
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        ::sigaction(signalNumber, &ours, nullptr);
    }
}

}  // namespace

SignalsHeldBack::SignalsHeldBack() { pthread_sigmask(SIG_BLOCK, &fatalSignals(), &saved_); }

SignalsHeldBack::~SignalsHeldBack() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

int registerTemporaryFile(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX) return -1;
    std::lock_guard lock(slotsMutex);
    installHandlers();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].active.load(std::memory_order_relaxed)) continue;
        std::memcpy(slots[i].path, text.c_str(), text.size() + 1);
        slots[i].active.store(true, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void unregisterTemporaryFile(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots.size()) return;
    slots[static_cast<std::size_t>(slot)].active.store(false, std::memory_order_release);
}

}  // namespace ryx
