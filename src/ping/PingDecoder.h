// Decoding one return header into a ping value (beam angle, attitude with its
// running averages) and keeping the echo-line and profile history. Written
// once; the acquisition thread and playback each call it with their own
// history, and the document copies the decoded values into its fields.
#pragma once

#include <cstdint>
#include <span>

#include "format/HeadProtocol.h"
#include "ping/PingTypes.h"

// The settings one ping is decoded and drawn with: a snapshot the caller
// takes from its settings (under its lock) before the ping is processed.
struct PingSettings {
    // Decoding.
    int playback = 0; // a recorded ping carries its own range code
    int sonarUpDown = 0;
    int zeroUpDown = 0;
    int xdcrFwdAft = 0;
    double pitchOffset = 0.0;
    double rollOffset = 0.0;
    int rollCorrection = 0;
    int useExtPRD = 0;
    int extRollValid = 0;
    double extRoll = 0.0;
    // Drawing and the profile point.
    double zoom = 1.0;
    int imageRadius = 250;
    int pulseLength = 10;
    double range = 1.0;
    double profileMinRange = 0.0;
    int colorTable = 0;
    double profileMix = 1.0;
    int profileDispMode = 0;
    int pointSize = 0;
    COLORREF pointsColor = 0;

    // Field by field, so a cache of these can be checked against a fresh build.
    bool operator==(const PingSettings&) const = default;
};

// What a ping source carries from one ping to the next besides its history:
// the range code pings are taken with and the 20-ping attitude averaging.
struct PingRunning {
    std::uint8_t rangeCode = 10;
    double rollSum = 0.0, pitchSum = 0.0;
    int attitudeCount = 0;
    int rollValid = 0, pitchValid = 0; // validity accumulators, 0/1 after each window
    double rollAvg = 0.0, pitchAvg = 0.0;
};

// One decoded return header. When accepted is false only header.signature
// means anything (diagnostics show what a rejected record carried).
struct DecodedReturn {
    headproto::ReturnHeader header;
    bool accepted = false;
    int dataPoints = 0;
    double beamAngle = 0.0; // with the roll correction
    double roll = 0.0, pitch = 0.0;
    std::uint8_t rangeCode = 0; // the range code the ping is drawn with
    int rangeIndex = 0;
    bool rangeChanged = false; // a recorded ping changed the range: history restarts
};

// The history one ping source keeps, wherever it keeps it.
struct PingHistory {
    EchoLines& lines;
    ProfileHistory& profile;
    int& restartLines; // 1: the next ping fills all three lines
    PointOffset& pointOffset;
};

// Beam angle of a head position (degrees, clockwise from up; up to 540 with
// the zero turned down).
double BeamAngleFromPosition(int headPosition, int sonarUpDown, int zeroUpDown);

// Decodes a return header with the settings, updating the running values.
// A rejected signature leaves running untouched.
DecodedReturn DecodeReturn(std::span<const std::uint8_t, headproto::kReturnHeaderSize> bytes,
                           const PingSettings& settings, PingRunning& running);

// Adds an accepted ping's profile entry to the history (after dropping the
// history of an old range when the ping changed it).
void RecordProfile(const DecodedReturn& ping, PingHistory& history);

// Moves the current echo line into the three-line history (or, after a reset,
// into all three lines).
void ShiftLines(const EchoLine& line, PingHistory& history);

// Zero the current line, the line history and the profile history; the next
// ShiftLines restarts the history from that ping.
void ResetPingHistory(EchoLine& line, PingHistory& history);
