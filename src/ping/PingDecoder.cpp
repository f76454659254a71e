#include "ping/PingDecoder.h"

#include <algorithm>

using namespace headproto;

namespace {

double Clamp90(double v) {
    return std::clamp(v, -90.0, 90.0);
}

} // namespace

PingWorkspace DocumentWorkspace(CTubescanDoc& doc) {
    return PingWorkspace{std::span<const std::uint8_t, kReturnHeaderSize>(doc.m_reply.header),
                         doc.m_reply.samples,
                         doc.m_lines,
                         doc.m_profileHistory,
                         doc.m_pointOffset,
                         doc.m_trig};
}

double BeamAngleFromPosition(int headPosition, int sonarUpDown, int zeroUpDown) {
    double angle = sonarUpDown ? (600 - headPosition) * 0.3 : (headPosition - 600) * 0.3;
    if (angle < 0.0) angle += 360.0;
    if (angle >= 360.0) angle -= 360.0;
    if (zeroUpDown == 1) angle += 180.0;
    return angle;
}

bool DecodeReturnHeader(CTubescanDoc& doc, PingWorkspace& ws) {
    const auto& h = ws.header;

    // 1. Signature: stored as text before it is checked, so diagnostics can
    // show what a rejected record carried.
    doc.m_replySignature.assign(reinterpret_cast<const char*>(h.data()), 3);
    const auto points = SignatureDataPoints(h[0], h[1], h[2]);
    if (!points) return false;
    doc.m_dataPoints = *points;

    // 2. Identifier and status.
    doc.m_headId = h[3];
    doc.m_headStatus = h[4];

    // 3. Position and scan direction.
    if (doc.m_playback == 0) doc.m_prevScanDirection = doc.m_scanDirection;
    doc.m_scanDirection = HeadScanDirection(h[6]);
    doc.m_headPosition = HeadPosition(h[5], h[6]);

    // 4. (A) Beam angle.
    doc.m_beamAngle =
        BeamAngleFromPosition(doc.m_headPosition, doc.m_sonarUpDown, doc.m_zeroUpDown);

    // 5. A recorded ping carries the range it was taken with. The history of
    // the old range is dropped, but not this ping's own samples: they start the
    // new history, exactly as the first live ping after a range change does.
    if (doc.m_playback != 0 && h[7] != doc.m_command[kCmdRangeCode]) {
        doc.m_command[kCmdRangeCode] = h[7];
        for (auto& l : ws.lines)
            l.fill(0);
        ws.profileHistory = ProfileHistory{};
        doc.m_restartLines = 1;
    }

    // 6, 7.
    doc.m_rangeIndex = RangeCodeToIndex(doc.m_command[kCmdRangeCode]);
    doc.m_replyDataBytes = SevenBitPair(h[10], h[11]);

    // 8. (B) Attitude with the mounting's sign rules, offsets and clamps.
    doc.m_rollRaw = static_cast<std::uint16_t>(h[16] | (h[17] << 8));
    doc.m_pitchRaw = static_cast<std::uint16_t>(h[18] | (h[19] << 8));
    double roll = AttitudeWordDegrees(doc.m_rollRaw);
    double pitch = AttitudeWordDegrees(doc.m_pitchRaw);
    if (h[17] & 0x80) doc.m_rollValid += 128;
    if (h[19] & 0x80) doc.m_pitchValid += 128;
    const bool fwd = doc.m_xdcrFwdAft == 1;
    const bool zeroDown = doc.m_zeroUpDown == 1;
    if (fwd) pitch = -pitch;
    if (fwd != zeroDown) roll = -roll; // fwd & up, or aft & down
    doc.m_pitch = Clamp90(pitch + doc.m_pitchOffset);
    doc.m_roll = Clamp90(roll + doc.m_rollOffset);

    // (C) 20-ping averages; the validity accumulators collapse to 0/1 at the
    // end of each window.
    doc.m_pitchSum += doc.m_pitch;
    doc.m_rollSum += doc.m_roll;
    if (++doc.m_attitudeCount >= 20) {
        doc.m_pitchAvg = Clamp90(doc.m_pitchSum / 20.0);
        doc.m_rollAvg = Clamp90(doc.m_rollSum / 20.0);
        doc.m_pitchSum = doc.m_rollSum = 0.0;
        doc.m_attitudeCount = 0;
        doc.m_rollValid = doc.m_rollValid > 0 ? 1 : 0;
        doc.m_pitchValid = doc.m_pitchValid > 0 ? 1 : 0;
    }

    // 9. (D) Roll correction, with this ping's own roll.
    if (doc.m_rollCorrection) {
        if (doc.m_useExtPRD == 0 && doc.m_rollValid != 0)
            doc.m_beamAngle += doc.m_roll;
        else if (doc.m_useExtPRD != 0 && doc.m_extRollValid)
            doc.m_beamAngle += doc.m_extRoll;
    }

    // 10. (E) Profile history, oldest first.
    doc.m_profileRange = SevenBitPair(h[8], h[9]);
    ws.profileHistory[0] = ws.profileHistory[1];
    ws.profileHistory[1] = ws.profileHistory[2];
    ws.profileHistory[2] = ProfileEntry{static_cast<double>(doc.m_profileRange), doc.m_beamAngle};
    return true;
}

void ShiftLines(CTubescanDoc& doc, PingWorkspace& ws) {
    if (doc.m_restartLines) {
        doc.m_restartLines = 0;
        ws.lines[0] = ws.line;
        ws.lines[1] = ws.line;
        ws.lines[2] = ws.line;
        return;
    }
    ws.lines[0] = ws.lines[1];
    ws.lines[1] = ws.lines[2];
    ws.lines[2] = ws.line;
}

void ResetPingHistory(CTubescanDoc& doc, PingWorkspace& ws) {
    ws.line.fill(0);
    for (auto& l : ws.lines)
        l.fill(0);
    ws.profileHistory = ProfileHistory{};
    doc.m_restartLines = 1;
}
