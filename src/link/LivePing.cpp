#include "link/LivePing.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "doc/ComPorts.h"
#include "doc/PingBinding.h"

using namespace headproto;

int LiveRecordLength(const std::uint8_t* input) {
    if (input[0] == 'I' && input[2] == 'X') {
        if (input[1] == 'M') return 283;
        if (input[1] == 'G') return 513;
    }
    return 813;
}

LivePingResult ProcessLivePing(CTubescanDoc& doc, AcquisitionBuffers& work,
                               const std::atomic<int>& replyPending) {
    LivePingResult result;
    {
        std::lock_guard lock(doc.PingMutex());
        doc.StampTime();
        // A short read or a silent head seen since this ping arrived makes it
        // stale: only the time stamp moves.
        if (replyPending.load(std::memory_order_acquire) != 0) {
            result.stale = true;
            return result;
        }

        const int length = LiveRecordLength(work.m_input.data());
        std::memcpy(work.m_header.data(), work.m_input.data(), kReturnHeaderSize);
        if (length <= static_cast<int>(kReturnRecordSize) &&
            length > static_cast<int>(kReturnHeaderSize)) {
            const std::size_t n = static_cast<std::size_t>(length) - kReturnHeaderSize;
            std::copy_n(work.m_input.begin() + kReturnHeaderSize, n, work.m_newLine.begin());
        }

        // The sensor's values at this ping's own time, not a poll's.
        TakeOrientationAt(doc, OrientationClock());
        PingWorkspace ws = work.Workspace();
        if (ProcessPing(doc, ws, PingDrawing::Pixels)) {
            result.processed = true;
            ++doc.Run().m_pingCount;
            work.m_pingsSinceRepaint.fetch_add(1, std::memory_order_relaxed);
        }

        if (work.m_pingsSinceRepaint.load(std::memory_order_relaxed) >= 3) {
            result.requestRepaint = true;
            work.m_pingsSinceRepaint.store(0, std::memory_order_relaxed);
            if (!doc.Run().m_timer.Started()) {
                doc.Run().m_timer.Start();
            } else {
                doc.Run().m_pingPeriod = doc.Run().m_timer.Elapsed() * 1000.0 / 3.0;
            }
        }
        doc.Run().m_loopTime = doc.Run().m_pingPeriod;
    }
    return result;
}
