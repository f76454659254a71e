// Decoding of one ping's return header into the document (beam angle,
// attitude, averages, roll correction, profile history) and the echo-line
// history. Written once; the acquisition thread and playback each call it with
// their own working buffers, and both write their results into the document.
#pragma once

#include <cstdint>
#include <span>

#include "doc/TubescanDoc.h"

// The working copies one ping source processes with.
struct PingWorkspace {
    std::span<const std::uint8_t, headproto::kReturnHeaderSize> header;
    EchoLine& line; // the current ping's echo samples
    EchoLines& lines;
    ProfileHistory& profileHistory;
    PointOffset& pointOffset;
    const TrigTables& trig;
};

// The main document's own buffers, as playback uses them.
PingWorkspace DocumentWorkspace(CTubescanDoc& doc);

// Beam angle of a head position (degrees, clockwise from up; up to 540 with
// the zero turned down).
double BeamAngleFromPosition(int headPosition, int sonarUpDown, int zeroUpDown);

// Decodes the return header in ws.header into doc. Returns false (having only
// stored the signature text) when the signature is not one the head sends.
bool DecodeReturnHeader(CTubescanDoc& doc, PingWorkspace& ws);

// Moves the current echo line into the three-line history (or, after a reset,
// into all three lines).
void ShiftLines(CTubescanDoc& doc, PingWorkspace& ws);

// Zero the workspace's line history and profile history; the next ShiftLines
// restarts the history from that ping.
void ResetPingHistory(CTubescanDoc& doc, PingWorkspace& ws);
