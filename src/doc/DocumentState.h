// Floor 3, doc: the document's own state, in the groups its methods hand out
// (CTubescanDoc::Frame(), Run(), Display(); the link's values only through
// methods). Plain values: no locks, no events. The members keep the names
// the rest of the program knows them by, so a reader finds doc.Run().m_hold
// where doc.m_hold used to be.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "doc/Timer.h"
#include "format/HeadProtocol.h"
#include "format/OrientationRecord.h"
#include "ping/PingTypes.h"

inline constexpr int kImageSize = 1500;

// The current ping as the document holds it: 32-byte return header followed
// by a 640-byte sample row.
struct ReplyBuffer {
    std::array<std::uint8_t, headproto::kReturnHeaderSize> header{};
    EchoLine samples{};
};

// The orientation sensor's latest values. A valid flag keeps the bit a
// record carried it with (1, 2 or 4), so a copy writes it back unchanged.
struct ExternalSensors {
    double pitch = 0.0, roll = 0.0, distance = 0.0;
    int pitchValid = 0, rollValid = 0, distanceValid = 0;
};

// What the document keeps for the head link: the command the link sends and
// the orientation sensor's values. (Where the link stands, its port and
// whether a reply is awaited are the link's own: HeadLink.)
struct LinkSession {
    headproto::HeadCommand m_command = headproto::kInitialCommand;
    ExternalSensors m_sensors;
    // The sensor's readings with their arrival times (live).
    orientation::Track m_orientationTrack;
    // Orientation input flag of the record being played (byte 34): a copy
    // made during playback keeps the recorded orientation values with it.
    int m_recordedPrdInput = 0;
};

// The current ping: its return record, what was decoded from its header, its
// time stamp, the line and profile history it was drawn with and the sonar
// image. The acquisition thread writes it per ping under the document's ping
// lock (CTubescanDoc::PingMutex()); a reader on another thread holds the lock
// too, or takes a PingReadout.
struct PingFrame {
    ReplyBuffer m_reply;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    std::vector<std::uint8_t> m_image; // blue, green, red; top-down

    // Decoded per-ping fields (written by ping processing).
    int m_headId = 16;
    int m_headStatus = 0;
    int m_headPosition = 0;
    std::string m_replySignature;
    int m_replyDataBytes = 0;
    int m_profileRange = -1;
    double m_beamAngle = 0.0;
    std::uint16_t m_rollRaw = 0, m_pitchRaw = 0;
    double m_roll = 0.0, m_pitch = 0.0;
    double m_rollSum = 0.0, m_pitchSum = 0.0;
    int m_attitudeCount = 0;
    int m_rollValid = 0, m_pitchValid = 0;
    double m_pitchAvg = 0.0, m_rollAvg = 0.0;
    // Echo level at the profile point handed to EmitProfilePoint (point clouds).
    std::uint8_t m_profileEcho = 0;
    // The distance along the pipe of the current ping: the last valid one
    // (live, at the ping's own time between sensor records), NaN while none
    // has been valid since the start. Z and the figures use it; a record
    // stores the sensor's distance and its flag as they are.
    double m_pingDistance = std::numeric_limits<double>::quiet_NaN();

    // Time stamp of the current ping.
    std::string m_date;
    std::string m_time;
    std::string m_millis;
    std::string m_autoFileName;

    // What the next ping is drawn against.
    int m_restartLines = 1;
    EchoLines m_lines{};
    ProfileHistory m_profileHistory{};
    PointOffset m_pointOffset;
};

// What the status texts and the view's layers read of the current ping: a
// copy taken under the ping lock, so painting never holds it.
struct PingReadout {
    double pitchAvg = 0.0, rollAvg = 0.0;
    bool pitchValid = false, rollValid = false;
    double beamAngle = 0.0;
    int profileRange = -1;
    std::string date, time;
    // The orientation sensor's values as the ping was taken.
    double extPitch = 0.0, extRoll = 0.0, extDistance = 0.0;
    bool extPitchValid = false, extRollValid = false, extDistanceValid = false;
    // What the grid is drawn against (the acquisition thread changes the
    // zoom, the train and the sector with a recorded ping) and the status
    // texts' ping count.
    double zoom = 1.0;
    int trainBearing = 0;
    int sectorWidthCode = 0;
    int pingCount = 0;
};

// Where the program stands: live or playback, held or scanning, and the
// pacing of pings.
struct RunState {
    int m_playback = 0;
    int m_hold = 0;
    int m_closing = 0;
    int m_scanDirection = 1;
    int m_prevScanDirection = 0;
    int m_dataPoints = 552;
    int m_trainBearing = 0;
    int m_pingCount = 0;
    double m_bearingScale = static_cast<double>(0.3f);
    double m_pingPeriod = 0.0;
    double m_loopTime = 0.0;
    int m_loopTimeMs = 0;
    // Ping-period measurement (acquisition thread in real time, playback
    // pacing otherwise; never both at once).
    CTimer m_timer;
};

// How the picture is drawn and what the mouse is doing to it: the modes
// the document's commands switch and the view reads.
struct DisplayState {
    double m_profileMix = 1.0;
    int m_fullScreen = 0;
    // Pipe-shape overlay.
    double m_overlayParamA = 2.0;
    double m_overlayParamB = 6.0;
    int m_clearOnChange = 1;
    int m_redrawAll = 1;
    int m_recentreImage = 0;
    int m_moveShapeMode = 0;
    int m_textInputMode = 0;
    int m_measureMode = 0;
    int m_deleteTextRequest = 0;
    int m_deleteLinesRequest = 0;
    // The notes and lines drawn, and the sonar image's radius in pixels.
    int m_annotationCount = 0;
    int m_imageRadius = 250;
};
