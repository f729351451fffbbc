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

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

struct Slot {
    std::atomic<bool> active{false};
    char path[PATH_MAX];
};

// Static storage: the handler may only touch what needs no allocation.
std::array<Slot, 8> slots;
std::mutex slotsMutex;

extern "C" void removeTemporariesAndDie(int signalNumber) {
    for (Slot& slot : slots) {
        if (slot.active.load(std::memory_order_acquire)) ::unlink(slot.path);
    }
    // Blocked while this handler runs; delivered with the default action on return.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Only for signals whose action is the default (ending the process); checked
// at every registration, since the program may change its actions meanwhile.
void installHandlers() {
    for (const int signalNumber : kSignals) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction ours {};
        ours.sa_handler = removeTemporariesAndDie;
        sigemptyset(&ours.sa_mask);
        for (const int other : kSignals) sigaddset(&ours.sa_mask, other);
        ::sigaction(signalNumber, &ours, nullptr);
    }
}

sigset_t heldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kSignals) sigaddset(&set, signalNumber);
    return set;
}

}  // namespace

SignalsHeldBack::SignalsHeldBack() {
    const sigset_t held = heldSignals();
    pthread_sigmask(SIG_BLOCK, &held, &saved_);
}

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
