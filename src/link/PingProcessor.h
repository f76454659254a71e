// The processing of one ping, shared by the acquisition thread and playback:
// decode the return header, move the echo line into the history, draw the
// ping into the image and hand its profile point on.
#pragma once

#include "link/PingDecoder.h"

enum class PingDrawing {
    Pixels,     // draw the wedge and the profile point into doc.m_image
    PointsOnly, // compute and emit the profile point, touch no pixel (converter)
};

// Processes the ping whose header and samples are in ws. Returns false when
// the header was rejected (nothing drawn, nothing emitted). The caller holds
// doc.m_pingMutex when another thread may read the image.
bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing = PingDrawing::Pixels);
