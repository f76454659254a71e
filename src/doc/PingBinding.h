// Where the ping floor's values meet the document: the settings snapshot a
// ping is processed with, and the decoded ping copied into the document's
// fields. The acquisition thread and playback process pings through these,
// each with its own echo-line history (a PingWorkspace), and tests use the
// same entry points to drive a document ping by ping.
#pragma once

#include <cstdint>
#include <span>

#include "doc/TubescanDoc.h"
#include "ping/PingProcessor.h"

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

// The document's settings as one ping reads them. Take it under m_pingMutex
// when another thread may change them.
PingSettings PingSettingsOf(const CTubescanDoc& doc);
// The part of PingSettings the settings alone decide.
PingSettings PingSettingsOfSettings(const SonarSettings& settings);
// The running values (range code, attitude averaging) out of and back into
// the document.
PingRunning PingRunningOf(const CTubescanDoc& doc);
// Copies a decoded ping and the running values it left into the document's
// fields. A rejected ping changes only the signature text.
void StoreDecodedPing(CTubescanDoc& doc, const DecodedReturn& ping, const PingRunning& running);

// Decodes the header in ws into doc and adds it to ws's profile history.
// Returns false (having only stored the signature text) when the signature
// is not one the head sends.
bool DecodeReturnHeader(CTubescanDoc& doc, PingWorkspace& ws);

// The line-history steps of ws, with the document's restart flag.
void ShiftLines(CTubescanDoc& doc, PingWorkspace& ws);
void ResetPingHistory(CTubescanDoc& doc, PingWorkspace& ws);

// The ping floor's drawing steps on the document's image, settings and
// current decoded ping.
PingGeometry ComputePingGeometry(const CTubescanDoc& doc);
ImageView DocumentImage(CTubescanDoc& doc);
void DrawPing(CTubescanDoc& doc, const PingWorkspace& ws);
ProfilePoint ComputeProfilePoint(const CTubescanDoc& doc, const PingWorkspace& ws);
void PlaceProfilePoint(CTubescanDoc& doc, PingWorkspace& ws, const ProfilePoint& point,
                       PingDrawing drawing);

// Processes the ping whose header and samples are in ws: decode into doc,
// shift the line history, draw (Pixels only), then work out the profile point,
// hand it to doc.EmitProfilePoint and place it. Returns false when the header
// was rejected (nothing drawn, nothing emitted). The caller holds
// doc.PingMutex() when another thread may read the image.
bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing = PingDrawing::Pixels);
