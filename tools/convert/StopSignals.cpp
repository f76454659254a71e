#include "StopSignals.h"

#include <csignal>

namespace convert {

// A lock-free atomic is safe to set from a handler.
std::atomic<int> g_stop{0};
static_assert(std::atomic<int>::is_always_lock_free);

namespace {

void OnStopSignal(int signal) {
    g_stop.store(signal, std::memory_order_relaxed);
}

} // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // Writes to a terminal or a pipe carry on; the loops look at the flag.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace convert
