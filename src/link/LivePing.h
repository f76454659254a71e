// One live ping as the acquisition thread processes it: time stamp, the
// pending-reply check, copying the header and samples out of the record,
// decoding and drawing it, the ping counters, the every-third-ping repaint
// request and the ping-period figure.
#pragma once

#include <atomic>

#include "doc/TubescanDoc.h"
#include "link/AcquisitionBuffers.h"

struct LivePingResult {
    bool processed = false;      // decoded and drawn (counted in m_pingCount)
    bool stale = false;          // dropped: a reply was pending (only the time moved)
    bool requestRepaint = false; // the caller asks the views to update
};

// Record length the signature in input announces: 283 for I M X, 513 for
// I G X, 813 for anything else.
int LiveRecordLength(const std::uint8_t* input);

// Processes the record in work.m_input into doc.
//
// Locking: the whole ping is processed under doc.PingMutex(), which is taken
// here. It covers every document field the ping writes (time stamp, decoded
// header, attitude, profile point, counters, ping period) and the image, so a
// repaint that takes the same mutex always sees whole pings. The function
// never notifies the document's observers while holding it: the caller makes the repaint
// request from the result, after the mutex is released. replyPending is the
// head link's flag: the user-interface thread writes it without the mutex (it
// must never wait for drawing before sending), so it is an atomic.
LivePingResult ProcessLivePing(CTubescanDoc& doc, AcquisitionBuffers& work,
                               const std::atomic<int>& replyPending);
