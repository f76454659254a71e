// Profile points to the .xyz file and the UDP outputs; the UDP output
// toggles.
#include <atomic>
#include <cmath>
#include <limits>

#include "doc/CommandIds.h"
#include "doc/TubescanDoc.h"
#include "format/XyzFormat.h"

namespace {

// The acquisition thread reads the output switches for every point while the
// operator may flip them from the menu.
int LoadFlag(const int& flag) {
    return std::atomic_ref<int>(const_cast<int&>(flag)).load(std::memory_order_relaxed);
}
void StoreFlag(int& flag, int value) {
    std::atomic_ref<int>(flag).store(value, std::memory_order_relaxed);
}

} // namespace

void CTubescanDoc::AttitudeOfPing(analysis::ProfileSample& s) const {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    const int sensor =
        m_run.m_playback == 1 ? m_link.m_recordedPrdInput : m_settings.m_enablePRDInput;
    // Pitch: the sensor's when it has one, else the head's own word.
    if (sensor && m_link.m_sensors.pitchValid)
        s.pitch = m_link.m_sensors.pitch;
    else
        s.pitch = headproto::AttitudeWordValid(m_frame.m_pitchRaw) ? m_frame.m_pitch : kNone;
    const bool extRoll = m_settings.m_useExtPRD != 0 && m_link.m_sensors.rollValid != 0;
    const bool headRoll =
        m_settings.m_useExtPRD == 0 && headproto::AttitudeWordValid(m_frame.m_rollRaw);
    s.roll = extRoll ? m_link.m_sensors.roll : (headRoll ? m_frame.m_roll : kNone);
    // The beam angles were turned by this roll (as ping processing does) or
    // are in the head's own frame, where the pipe's up lies at minus it.
    const bool turned = m_settings.m_rollCorrection != 0 &&
                        ((m_settings.m_useExtPRD == 0 && m_frame.m_rollValid != 0) || extRoll);
    s.upBearing = turned || !std::isfinite(s.roll) ? 0.0 : -s.roll;
}

void CTubescanDoc::EmitProfilePoint(double distance, double bearing) {
    // Z is the last valid distance: a garbled sensor field must not drop the
    // point to distance 0. Before any valid one the lines keep their 0, but
    // the figures get no distance at all.
    const bool haveDistance = std::isfinite(m_frame.m_pingDistance);
    const xyz::ProfilePoint p = xyz::ComputeProfilePoint(
        distance, bearing, m_settings.m_zoom, m_settings.m_range, m_settings.m_soundVelocity,
        haveDistance ? m_frame.m_pingDistance : 0.0);
    const PointStamp stamp{m_frame.m_date, m_frame.m_time, m_frame.m_millis};
    if (m_outputs.WantsSamples()) {
        analysis::ProfileSample s{bearing,
                                  p.r,
                                  p.x,
                                  p.y,
                                  m_outputs.StampSeconds(stamp),
                                  haveDistance ? static_cast<double>(p.z) : analysis::kNoDistance,
                                  m_frame.m_profileEcho};
        AttitudeOfPing(s);
        m_outputs.AddSample(s);
    }
    // Conversions run only in playback, on the user-interface thread.
    m_outputs.Emit(p, stamp, m_run.m_playback == 1,
                   UdpChoice{LoadFlag(m_settings.m_udpXyzEnabled) != 0,
                             LoadFlag(m_settings.m_udpPrdEnabled) != 0, m_frame.m_pitchAvg,
                             m_frame.m_rollAvg});
}

void CTubescanDoc::CloseXyzFile() {
    m_outputs.CloseXyz();
}

void CTubescanDoc::OnUdpOutputCommand(int commandId) {
    if (commandId == cmd::kUdpXyzOutput) {
        const int on = LoadFlag(m_settings.m_udpXyzEnabled) ? 0 : 1;
        StoreFlag(m_settings.m_udpXyzEnabled, on);
        if (on) StoreFlag(m_settings.m_udpPrdEnabled, 0);
    } else if (commandId == cmd::kUdpPrdOutput) {
        const int on = LoadFlag(m_settings.m_udpPrdEnabled) ? 0 : 1;
        StoreFlag(m_settings.m_udpPrdEnabled, on);
        if (on) StoreFlag(m_settings.m_udpXyzEnabled, 0);
    }
}

bool CTubescanDoc::IsUdpOutputChecked(int commandId) const {
    if (commandId == cmd::kUdpXyzOutput) return LoadFlag(m_settings.m_udpXyzEnabled) != 0;
    if (commandId == cmd::kUdpPrdOutput) return LoadFlag(m_settings.m_udpPrdEnabled) != 0;
    return false;
}
