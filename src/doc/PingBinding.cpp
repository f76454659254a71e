#include "doc/PingBinding.h"

using namespace headproto;

namespace {

PingHistory HistoryOf(CTubescanDoc& doc, PingWorkspace& ws) {
    return PingHistory{ws.lines, ws.profileHistory, doc.Frame().m_restartLines, ws.pointOffset};
}

DecodedReturn Decode(CTubescanDoc& doc, const PingWorkspace& ws, const PingSettings& settings) {
    PingRunning running = PingRunningOf(doc);
    const DecodedReturn ping = DecodeReturn(ws.header, settings, running);
    StoreDecodedPing(doc, ping, running);
    return ping;
}

} // namespace

PingWorkspace DocumentWorkspace(CTubescanDoc& doc) {
    return PingWorkspace{
        std::span<const std::uint8_t, kReturnHeaderSize>(doc.Frame().m_reply.header),
        doc.Frame().m_reply.samples,
        doc.Frame().m_lines,
        doc.Frame().m_profileHistory,
        doc.Frame().m_pointOffset,
        doc.Trig()};
}

PingSettings PingSettingsOfSettings(const SonarSettings& settings) {
    PingSettings s;
    s.sonarUpDown = settings.m_sonarUpDown;
    s.zeroUpDown = settings.m_zeroUpDown;
    s.xdcrFwdAft = settings.m_xdcrFwdAft;
    s.pitchOffset = settings.m_pitchOffset;
    s.rollOffset = settings.m_rollOffset;
    s.rollCorrection = settings.m_rollCorrection;
    s.useExtPRD = settings.m_useExtPRD;
    s.zoom = settings.m_zoom;
    s.pulseLength = settings.m_pulseLength;
    s.range = settings.m_range;
    s.profileMinRange = settings.m_profileMinRange;
    s.colorTable = settings.m_colorTable;
    s.profileDispMode = settings.m_profileDispMode;
    s.pointSize = settings.m_pointSize;
    s.pointsColor = settings.m_pointsColor;
    return s;
}

PingSettings PingSettingsOf(const CTubescanDoc& doc) {
    return doc.PingSettingsNow();
}

const PingSettings& CTubescanDoc::PingSettingsNow() const {
    // Live, a flag set before the window's thread writes a value could be
    // taken before the value: only the driving thread's own writes are
    // trusted to say when to rebuild.
    if (m_pingSettingsStale.load(std::memory_order_relaxed) || m_run.m_playback == 0) {
        m_pingSettingsStale.store(false, std::memory_order_relaxed);
        m_pingSettings = PingSettingsOfSettings(m_settings);
    }
    PingSettings& s = m_pingSettings;
    // What changes from ping to ping or belongs to the display is taken fresh.
    s.playback = m_run.m_playback;
    s.extRollValid = m_link.m_sensors.rollValid;
    s.extRoll = m_link.m_sensors.roll;
    s.imageRadius = m_display.m_imageRadius;
    s.profileMix = m_display.m_profileMix;
    return s;
}

PingRunning PingRunningOf(const CTubescanDoc& doc) {
    PingRunning r;
    r.rangeCode = doc.Command()[kCmdRangeCode];
    r.rollSum = doc.Frame().m_rollSum;
    r.pitchSum = doc.Frame().m_pitchSum;
    r.attitudeCount = doc.Frame().m_attitudeCount;
    r.rollValid = doc.Frame().m_rollValid;
    r.pitchValid = doc.Frame().m_pitchValid;
    r.rollAvg = doc.Frame().m_rollAvg;
    r.pitchAvg = doc.Frame().m_pitchAvg;
    return r;
}

void StoreDecodedPing(CTubescanDoc& doc, const DecodedReturn& ping, const PingRunning& running) {
    const auto& h = ping.header;
    // The signature is kept as text even when rejected, so diagnostics can
    // show what a rejected record carried.
    doc.Frame().m_replySignature.assign(h.signature.begin(), h.signature.end());
    if (!ping.accepted) return;
    doc.Run().m_dataPoints = ping.dataPoints;
    doc.Frame().m_headId = h.headId;
    doc.Frame().m_headStatus = h.status;
    if (doc.Run().m_playback == 0) doc.Run().m_prevScanDirection = doc.Run().m_scanDirection;
    doc.Run().m_scanDirection = h.scanDirection;
    doc.Frame().m_headPosition = h.headPosition;
    doc.Frame().m_beamAngle = ping.beamAngle;
    // Only a recorded ping changes the command's range code; writing it back
    // unchanged could undo a range the operator picked meanwhile.
    if (ping.rangeChanged) doc.SetCommandByte(kCmdRangeCode, running.rangeCode);
    // The range index is not part of PingSettings: no rebuild.
    doc.SettingsOfThePing().m_rangeIndex = ping.rangeIndex;
    doc.Frame().m_replyDataBytes = h.dataBytes;
    doc.Frame().m_rollRaw = h.rollRaw;
    doc.Frame().m_pitchRaw = h.pitchRaw;
    doc.Frame().m_roll = ping.roll;
    doc.Frame().m_pitch = ping.pitch;
    doc.Frame().m_rollSum = running.rollSum;
    doc.Frame().m_pitchSum = running.pitchSum;
    doc.Frame().m_attitudeCount = running.attitudeCount;
    doc.Frame().m_rollValid = running.rollValid;
    doc.Frame().m_pitchValid = running.pitchValid;
    doc.Frame().m_rollAvg = running.rollAvg;
    doc.Frame().m_pitchAvg = running.pitchAvg;
    doc.Frame().m_profileRange = h.profileRange;
}

bool DecodeReturnHeader(CTubescanDoc& doc, PingWorkspace& ws) {
    const DecodedReturn ping = Decode(doc, ws, doc.PingSettingsNow());
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
    return ComputePingGeometry(PingSettingsOf(doc), doc.Command()[kCmdRangeCode]);
}

ImageView DocumentImage(CTubescanDoc& doc) {
    return ImageView{doc.Frame().m_image.data(), doc.Frame().m_image.size(),
                     doc.Frame().m_imageWidth, doc.Frame().m_imageHeight};
}

void DrawPing(CTubescanDoc& doc, const PingWorkspace& ws) {
    DrawPing(
        PingSettingsOf(doc),
        WedgePose{doc.Command()[kCmdRangeCode], doc.Frame().m_beamAngle, doc.Run().m_scanDirection},
        ws.lines, ws.trig, doc.ColourTables(), DocumentImage(doc));
}

ProfilePoint ComputeProfilePoint(const CTubescanDoc& doc, const PingWorkspace& ws) {
    return ComputeProfilePoint(PingSettingsOf(doc), doc.Command()[kCmdRangeCode],
                               ws.profileHistory);
}

void PlaceProfilePoint(CTubescanDoc& doc, PingWorkspace& ws, const ProfilePoint& point,
                       PingDrawing drawing) {
    const ImageView image = DocumentImage(doc);
    PlaceProfilePoint(PingSettingsOf(doc), point, ws.trig, ws.pointOffset,
                      drawing == PingDrawing::Pixels ? &image : nullptr);
}

bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing) {
    const PingSettings& settings = doc.PingSettingsNow();
    const DecodedReturn ping = Decode(doc, ws, settings);
    if (!ping.accepted) return false;
    PingHistory history = HistoryOf(doc, ws);
    const ImageView image = DocumentImage(doc);
    const ProfilePoint point =
        ProcessPing(ping, settings, ws.line, history, ws.trig, doc.ColourTables(),
                    drawing == PingDrawing::Pixels ? &image : nullptr);
    // Every processed ping hands its point on, whatever is shown.
    doc.Frame().m_profileEcho = point.echo;
    doc.EmitProfilePoint(point.distance, point.bearing);
    return true;
}
