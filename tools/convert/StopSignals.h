// How the converter is asked to stop: SIGINT (Ctrl+C), SIGTERM and SIGHUP set
// one flag that every job's loop reads, so a run ends through the
// conversion's own cleanup (partial outputs removed) instead of mid-write.
#pragma once

#include <atomic>

namespace convert {

// The signal that asked the converter to stop, 0 while none did.
extern std::atomic<int> g_stop;

// Installs the handlers; writes to a terminal or a pipe carry on.
void CatchStopSignals();

} // namespace convert
