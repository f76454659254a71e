#include "ping/PingDecoder.h"

#include <algorithm>

using namespace headproto;

namespace {

double Clamp90(double v) {
    return std::clamp(v, -90.0, 90.0);
}

} // namespace

double BeamAngleFromPosition(int headPosition, int sonarUpDown, int zeroUpDown) {
    double angle = sonarUpDown ? (600 - headPosition) * 0.3 : (headPosition - 600) * 0.3;
    if (angle < 0.0) angle += 360.0;
    if (angle >= 360.0) angle -= 360.0;
    if (zeroUpDown == 1) angle += 180.0;
    return angle;
}

DecodedReturn DecodeReturn(std::span<const std::uint8_t, kReturnHeaderSize> bytes,
                           const PingSettings& s, PingRunning& running) {
    DecodedReturn d;
    d.header = DecodeReturnHeaderFields(bytes);
    const auto& h = d.header;
    const auto points = SignatureDataPoints(h.signature[0], h.signature[1], h.signature[2]);
    if (!points) return d;
    d.accepted = true;
    d.dataPoints = *points;
    d.beamAngle = BeamAngleFromPosition(h.headPosition, s.sonarUpDown, s.zeroUpDown);

    // A recorded ping carries the range it was taken with.
    if (s.playback != 0 && h.rangeCode != running.rangeCode) {
        running.rangeCode = h.rangeCode;
        d.rangeChanged = true;
    }
    d.rangeCode = running.rangeCode;
    d.rangeIndex = RangeCodeToIndex(running.rangeCode);

    // Attitude with the mounting's sign rules, offsets and clamps.
    double roll = AttitudeWordDegrees(h.rollRaw);
    double pitch = AttitudeWordDegrees(h.pitchRaw);
    if (AttitudeWordValid(h.rollRaw)) running.rollValid += 128;
    if (AttitudeWordValid(h.pitchRaw)) running.pitchValid += 128;
    const bool fwd = s.xdcrFwdAft == 1;
    const bool zeroDown = s.zeroUpDown == 1;
    if (fwd) pitch = -pitch;
    if (fwd != zeroDown) roll = -roll; // fwd & up, or aft & down
    d.pitch = Clamp90(pitch + s.pitchOffset);
    d.roll = Clamp90(roll + s.rollOffset);

    // 20-ping averages; the validity accumulators collapse to 0/1 at the end
    // of each window.
    running.pitchSum += d.pitch;
    running.rollSum += d.roll;
    if (++running.attitudeCount >= 20) {
        running.pitchAvg = Clamp90(running.pitchSum / 20.0);
        running.rollAvg = Clamp90(running.rollSum / 20.0);
        running.pitchSum = running.rollSum = 0.0;
        running.attitudeCount = 0;
        running.rollValid = running.rollValid > 0 ? 1 : 0;
        running.pitchValid = running.pitchValid > 0 ? 1 : 0;
    }

    // Roll correction, with this ping's own roll.
    if (s.rollCorrection) {
        if (s.useExtPRD == 0 && running.rollValid != 0)
            d.beamAngle += d.roll;
        else if (s.useExtPRD != 0 && s.extRollValid)
            d.beamAngle += s.extRoll;
    }
    return d;
}

void RecordProfile(const DecodedReturn& ping, PingHistory& history) {
    // The history of the old range is dropped, but not this ping's own
    // samples: they start the new history, exactly as the first live ping
    // after a range change does.
    if (ping.rangeChanged) {
        for (auto& l : history.lines)
            l.fill(0);
        history.profile = ProfileHistory{};
        history.restartLines = 1;
    }
    history.profile[0] = history.profile[1];
    history.profile[1] = history.profile[2];
    history.profile[2] =
        ProfileEntry{static_cast<double>(ping.header.profileRange), ping.beamAngle};
}

void ShiftLines(const EchoLine& line, PingHistory& history) {
    if (history.restartLines) {
        history.restartLines = 0;
        history.lines[0] = line;
        history.lines[1] = line;
        history.lines[2] = line;
        return;
    }
    history.lines[0] = history.lines[1];
    history.lines[1] = history.lines[2];
    history.lines[2] = line;
}

void ResetPingHistory(EchoLine& line, PingHistory& history) {
    line.fill(0);
    for (auto& l : history.lines)
        l.fill(0);
    history.profile = ProfileHistory{};
    history.restartLines = 1;
}
