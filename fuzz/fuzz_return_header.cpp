// Any bytes as a return header: decoded or rejected, with every derived value
// finite and in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ping/PingDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTubescanDoc doc;
    if (size < 1) return 0;
    doc.m_playback = data[0] & 1;
    doc.m_sonarUpDown = (data[0] >> 1) & 1;
    doc.m_zeroUpDown = (data[0] >> 2) & 1;
    doc.m_xdcrFwdAft = (data[0] >> 3) & 1;
    doc.m_rollCorrection = (data[0] >> 4) & 1;
    ++data;
    --size;
    std::memset(doc.m_reply.header.data(), 0, doc.m_reply.header.size());
    std::memcpy(doc.m_reply.header.data(), data, size < 32 ? size : 32);
    PingWorkspace ws = DocumentWorkspace(doc);
    if (DecodeReturnHeader(doc, ws)) {
        ShiftLines(doc, ws);
        // Head positions beyond one turn are wrapped only once, so the angle may
        // lie far outside 0..360 (either sign with an inverted head); whoever
        // looks it up in a table must reduce it first. It must stay finite.
        if (!std::isfinite(doc.m_beamAngle) || std::fabs(doc.m_beamAngle) > 2400.0) std::abort();
        if (doc.m_pitch < -90.0 || doc.m_pitch > 90.0 || doc.m_roll < -90.0 || doc.m_roll > 90.0)
            std::abort();
        if (doc.m_rangeIndex < 0 || doc.m_rangeIndex > 9) std::abort();
    }
    return 0;
}
