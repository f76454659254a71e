// Keeps the program from hanging at start-up on a wedged accessibility bus.
// Qt 6.4's bridge asks the session bus's accessibility service whether a
// screen reader is on with blocking calls (25 s each, on the window's
// thread): while the service holds such a call unanswered, the window does
// not appear and SIGTERM is not handled. Before the QApplication exists, a
// child process asks the same questions with a short deadline; when they go
// unanswered, Qt is pointed at an accessibility bus address that fails at
// once, so it starts without the bridge, and the operator is told on stderr.
// A bus that answers changes nothing: screen readers work as before.
#pragma once

namespace a11y {

enum class BusProbe {
    Skipped,  // Qt will not ask the session bus (an address is already set)
    Answered, // the questions were answered (or there is nothing to ask)
    Wedged,   // no answer within the deadline
};

// Asks, in a child process, what Qt's bridge will ask, waiting at most
// timeoutMs. Call before the QApplication exists (it forks).
BusProbe ProbeAccessibilityBus(int timeoutMs);

// The probe, and on a wedged bus the bridge turned off with a note on
// stderr. Returns true when the bridge was turned off.
bool AvoidWedgedAccessibilityBus(int timeoutMs = 1000);

} // namespace a11y
