#include "doc/PingBinding.h"

using namespace headproto;

namespace {

PingHistory HistoryOf(CTubescanDoc& doc, PingWorkspace& ws) {
    return PingHistory{ws.lines, ws.profileHistory, doc.m_restartLines, ws.pointOffset};
}

DecodedReturn Decode(CTubescanDoc& doc, const PingWorkspace& ws, const PingSettings& settings) {
    PingRunning running = PingRunningOf(doc);
    const DecodedReturn ping = DecodeReturn(ws.header, settings, running);
    StoreDecodedPing(doc, ping, running);
    return ping;
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

PingSettings PingSettingsOf(const CTubescanDoc& doc) {
    PingSettings s;
    s.playback = doc.m_playback;
    s.sonarUpDown = doc.m_settings.m_sonarUpDown;
    s.zeroUpDown = doc.m_settings.m_zeroUpDown;
    s.xdcrFwdAft = doc.m_settings.m_xdcrFwdAft;
    s.pitchOffset = doc.m_settings.m_pitchOffset;
    s.rollOffset = doc.m_settings.m_rollOffset;
    s.rollCorrection = doc.m_settings.m_rollCorrection;
    s.useExtPRD = doc.m_settings.m_useExtPRD;
    s.extRollValid = doc.m_extRollValid;
    s.extRoll = doc.m_extRoll;
    s.zoom = doc.m_settings.m_zoom;
    s.imageRadius = doc.m_imageRadius;
    s.pulseLength = doc.m_settings.m_pulseLength;
    s.range = doc.m_settings.m_range;
    s.profileMinRange = doc.m_settings.m_profileMinRange;
    s.colorTable = doc.m_settings.m_colorTable;
    s.profileMix = doc.m_profileMix;
    s.profileDispMode = doc.m_settings.m_profileDispMode;
    s.pointSize = doc.m_settings.m_pointSize;
    s.pointsColor = doc.m_settings.m_pointsColor;
    return s;
}

PingRunning PingRunningOf(const CTubescanDoc& doc) {
    PingRunning r;
    r.rangeCode = doc.m_command[kCmdRangeCode];
    r.rollSum = doc.m_rollSum;
    r.pitchSum = doc.m_pitchSum;
    r.attitudeCount = doc.m_attitudeCount;
    r.rollValid = doc.m_rollValid;
    r.pitchValid = doc.m_pitchValid;
    r.rollAvg = doc.m_rollAvg;
    r.pitchAvg = doc.m_pitchAvg;
    return r;
}

void StoreDecodedPing(CTubescanDoc& doc, const DecodedReturn& ping, const PingRunning& running) {
    const auto& h = ping.header;
    // The signature is kept as text even when rejected, so diagnostics can
    // show what a rejected record carried.
    doc.m_replySignature.assign(h.signature.begin(), h.signature.end());
    if (!ping.accepted) return;
    doc.m_dataPoints = ping.dataPoints;
    doc.m_headId = h.headId;
    doc.m_headStatus = h.status;
    if (doc.m_playback == 0) doc.m_prevScanDirection = doc.m_scanDirection;
    doc.m_scanDirection = h.scanDirection;
    doc.m_headPosition = h.headPosition;
    doc.m_beamAngle = ping.beamAngle;
    // Only a recorded ping changes the command's range code; writing it back
    // unchanged could undo a range the operator picked meanwhile.
    if (ping.rangeChanged) doc.m_command[kCmdRangeCode] = running.rangeCode;
    doc.m_settings.m_rangeIndex = ping.rangeIndex;
    doc.m_replyDataBytes = h.dataBytes;
    doc.m_rollRaw = h.rollRaw;
    doc.m_pitchRaw = h.pitchRaw;
    doc.m_roll = ping.roll;
    doc.m_pitch = ping.pitch;
    doc.m_rollSum = running.rollSum;
    doc.m_pitchSum = running.pitchSum;
    doc.m_attitudeCount = running.attitudeCount;
    doc.m_rollValid = running.rollValid;
    doc.m_pitchValid = running.pitchValid;
    doc.m_rollAvg = running.rollAvg;
    doc.m_pitchAvg = running.pitchAvg;
    doc.m_profileRange = h.profileRange;
}

bool DecodeReturnHeader(CTubescanDoc& doc, PingWorkspace& ws) {
    const DecodedReturn ping = Decode(doc, ws, PingSettingsOf(doc));
    if (!ping.accepted) return false;
    PingHistory history = HistoryOf(doc, ws);
    RecordProfile(ping, history);
    return true;
}

void ShiftLines(CTubescanDoc& doc, PingWorkspace& ws) {
    PingHistory history = HistoryOf(doc, ws);
    ShiftLines(ws.line, history);
}

void ResetPingHistory(CTubescanDoc& doc, PingWorkspace& ws) {
    PingHistory history = HistoryOf(doc, ws);
    ResetPingHistory(ws.line, history);
}

PingGeometry ComputePingGeometry(const CTubescanDoc& doc) {
    return ComputePingGeometry(PingSettingsOf(doc), doc.m_command[kCmdRangeCode]);
}

ImageView DocumentImage(CTubescanDoc& doc) {
    return ImageView{doc.m_image.data(), doc.m_image.size(), doc.m_imageWidth, doc.m_imageHeight};
}

void DrawPing(CTubescanDoc& doc, const PingWorkspace& ws) {
    DrawPing(PingSettingsOf(doc),
             WedgePose{doc.m_command[kCmdRangeCode], doc.m_beamAngle, doc.m_scanDirection},
             ws.lines, ws.trig, doc.m_sonarBitmap, DocumentImage(doc));
}

ProfilePoint ComputeProfilePoint(const CTubescanDoc& doc, const PingWorkspace& ws) {
    return ComputeProfilePoint(PingSettingsOf(doc), doc.m_command[kCmdRangeCode],
                               ws.profileHistory);
}

void PlaceProfilePoint(CTubescanDoc& doc, PingWorkspace& ws, const ProfilePoint& point,
                       PingDrawing drawing) {
    const ImageView image = DocumentImage(doc);
    PlaceProfilePoint(PingSettingsOf(doc), point, ws.trig, ws.pointOffset,
                      drawing == PingDrawing::Pixels ? &image : nullptr);
}

bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing) {
    const PingSettings settings = PingSettingsOf(doc);
    const DecodedReturn ping = Decode(doc, ws, settings);
    if (!ping.accepted) return false;
    PingHistory history = HistoryOf(doc, ws);
    const ImageView image = DocumentImage(doc);
    const ProfilePoint point =
        ProcessPing(ping, settings, ws.line, history, ws.trig, doc.m_sonarBitmap,
                    drawing == PingDrawing::Pixels ? &image : nullptr);
    // Every processed ping hands its point on, whatever is shown.
    doc.m_profileEcho = point.echo;
    doc.EmitProfilePoint(point.distance, point.bearing);
    return true;
}
