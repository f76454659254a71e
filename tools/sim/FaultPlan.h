// Which fault the simulator injects into which reply. Counts per connection
// where a fault is about one connection (closing, going silent) and over the
// whole run otherwise.
#pragma once

#include <cstdint>

namespace sim {

struct FaultOptions {
    int replyDelayMs = 0;     // every reply waits this long
    bool split = false;       // every record goes out in two writes
    int silentAfter = 0;      // after this many replies on a connection...
    double silentSeconds = 0; // ...ignore commands for this long (then again)
    int closeAfter = 0;       // close the connection after this many replies
    int badSignatureEvery = 0;
    int garbageEvery = 0; // stray bytes before every Nth reply
    int garbageBytes = 17;
};

struct ReplyFaults {
    bool badSignature = false;
    int garbage = 0;
    bool split = false;
    bool closeAfterReply = false;
    bool silentAfterReply = false;
};

class FaultPlan {
  public:
    explicit FaultPlan(const FaultOptions& o = {}) : m_o(o) {}

    void NewConnection() { m_onConnection = 0; }

    // The faults for the next reply (counts it).
    ReplyFaults Next() {
        ReplyFaults f;
        ++m_total;
        ++m_onConnection;
        f.split = m_o.split;
        f.badSignature = m_o.badSignatureEvery > 0 && m_total % m_o.badSignatureEvery == 0;
        if (m_o.garbageEvery > 0 && m_total % m_o.garbageEvery == 0) f.garbage = m_o.garbageBytes;
        f.closeAfterReply = m_o.closeAfter > 0 && m_onConnection % m_o.closeAfter == 0;
        f.silentAfterReply =
            m_o.silentAfter > 0 && m_o.silentSeconds > 0 && m_onConnection % m_o.silentAfter == 0;
        return f;
    }

    const FaultOptions& Options() const { return m_o; }

  private:
    FaultOptions m_o;
    std::uint64_t m_total = 0;
    std::uint64_t m_onConnection = 0;
};

} // namespace sim
