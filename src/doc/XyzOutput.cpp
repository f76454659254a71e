// Profile points to the .xyz file and the UDP outputs; the conversion command
// and the UDP output toggles.
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "doc/CommandIds.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFileName.h"
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
    const int sensor = m_playback == 1 ? m_recordedPrdInput : m_settings.m_enablePRDInput;
    // Pitch: the sensor's when it has one, else the head's own word.
    if (sensor && m_extPitchValid)
        s.pitch = m_extPitch;
    else
        s.pitch = headproto::AttitudeWordValid(m_pitchRaw) ? m_pitch : kNone;
    const bool extRoll = m_settings.m_useExtPRD != 0 && m_extRollValid != 0;
    const bool headRoll = m_settings.m_useExtPRD == 0 && headproto::AttitudeWordValid(m_rollRaw);
    s.roll = extRoll ? m_extRoll : (headRoll ? m_roll : kNone);
    // The beam angles were turned by this roll (as ping processing does) or
    // are in the head's own frame, where the pipe's up lies at minus it.
    const bool turned = m_settings.m_rollCorrection != 0 &&
                        ((m_settings.m_useExtPRD == 0 && m_rollValid != 0) || extRoll);
    s.upBearing = turned || !std::isfinite(s.roll) ? 0.0 : -s.roll;
}

void CTubescanDoc::EmitProfilePoint(double distance, double bearing) {
    // Z is the last valid distance: a garbled sensor field must not drop the
    // point to distance 0. Before any valid one the lines keep their 0, but
    // the figures get no distance at all.
    const bool haveDistance = std::isfinite(m_pingDistance);
    const xyz::ProfilePoint p =
        xyz::ComputeProfilePoint(distance, bearing, m_settings.m_zoom, m_settings.m_range,
                                 m_settings.m_soundVelocity, haveDistance ? m_pingDistance : 0.0);
    if (m_hooks.profileSample) {
        analysis::ProfileSample s{bearing,
                                  p.r,
                                  p.x,
                                  p.y,
                                  analysis::StampSeconds(m_date, m_time, m_millis),
                                  haveDistance ? static_cast<double>(p.z) : analysis::kNoDistance,
                                  m_profileEcho};
        AttitudeOfPing(s);
        m_hooks.profileSample(s);
    }

    // Conversions run only in playback, on the user-interface thread.
    if (m_playback == 1 && m_xyzConverting == 1 && m_xyzFile.IsOpen()) {
        xyz::BuildFileStamp(m_stampText, m_date, m_time, m_millis);
        xyz::BuildXyzFileLine(m_xyzLineText, m_stampText, p);
        m_xyzFile.Write(m_xyzLineText);
    }

    const bool sendXyz = LoadFlag(m_settings.m_udpXyzEnabled) != 0;
    const bool sendPrd = LoadFlag(m_settings.m_udpPrdEnabled) != 0;
    if (!sendXyz && !sendPrd) return;
    const std::shared_ptr<DatagramSink> socket = m_udpSocket.Get();
    if (!socket) return;
    xyz::BuildDatagramStamp(m_stampText, m_date, m_time, m_millis);
    std::string datagram;
    if (sendXyz) {
        xyz::BuildXyzDatagram(datagram, m_stampText, p);
        socket->Send(datagram);
    }
    if (sendPrd) {
        xyz::BuildPrdDatagram(datagram, m_stampText, m_pitchAvg, m_rollAvg, p);
        socket->Send(datagram);
    }
}

bool CTubescanDoc::StartXyzConversion(const std::function<bool()>& openPlaybackFile,
                                      const std::string& outputPath) {
    m_hold = 0;
    // Only a file opened now is converted. A cancelled or failed choice leaves
    // whatever was playing alone: converting the running playback from
    // wherever it happens to be would report a partial file as complete.
    const bool opened = openPlaybackFile && openPlaybackFile();
    if (!opened || m_playback != 1) return m_xyzConverting == 1 && m_xyzFile.IsOpen();

    if (m_xyzFile.IsOpen()) {
        // A conversion was running, but its playback file has just been
        // replaced, so its .xyz cannot be finished.
        const std::string stopped = m_lastXyzPath;
        CloseXyzFile();
        m_conversionEnd = ConversionEnd::CutShort;
        ShowMessage(ConversionEndMessage(ConversionEnd::CutShort, stopped));
    }
    m_xyzConverting = 1;

    // The name comes from the full playback path: m_xyzFileName holds at most
    // 255 characters and would silently cut a long path into another name.
    std::string path = outputPath;
    if (path.empty() && m_playPath.size() >= 3) path = record::XyzPathFor(m_playPath);
    if (path.empty()) path.assign(m_xyzFileName, strnlen(m_xyzFileName, sizeof m_xyzFileName));
    int error = 0;
    if (!m_xyzFile.Create(path, &error)) {
        ShowMessage(FileErrorReport(path, error));
        ShowMessage("Error Creating XYZ File!");
        // Without its file there is no conversion: the file plays on as an
        // ordinary playback instead of ending in "Conversion Complete!".
        m_xyzConverting = 0;
        return false;
    }
    m_lastXyzPath = path;
    return true;
}

bool CTubescanDoc::FinishXyzConversion() {
    m_xyzConverting = 0;
    const bool wasOpen = m_xyzFile.IsOpen();
    const bool complete = m_xyzFile.Close() || !wasOpen;
    m_conversionEnd = complete ? ConversionEnd::Finished : ConversionEnd::WriteFailed;
    ShowMessage(ConversionEndMessage(m_conversionEnd, m_lastXyzPath));
    if (m_hooks.stopPlaybackTimer) m_hooks.stopPlaybackTimer();
    return complete;
}

void CTubescanDoc::CloseXyzFile() {
    m_xyzFile.Close();
    m_xyzConverting = 0;
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
