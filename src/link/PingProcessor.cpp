#include "link/PingProcessor.h"

bool ProcessPing(CTubescanDoc& doc, PingWorkspace& ws, PingDrawing drawing) {
    if (!DecodeReturnHeader(doc, ws)) return false;
    ShiftLines(doc, ws);
    // Drawing the wedge and the profile point arrives with the colour tables.
    (void)drawing;
    return true;
}
