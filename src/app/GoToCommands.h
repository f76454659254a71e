// View > "Go To..." (Ctrl+G): a distance in the display unit or a time of day
// in the playback file; and the one way every window shows where a jump
// ended when it did not land.
#pragma once

#include "doc/PlaybackJump.h"

class CMainFrame;
class CTubescanDoc;
class CommandMap;
class QWidget;

// Jumps to the distance and tells the operator when it did not land.
GoToResult GoToDistanceFrom(QWidget* parent, CTubescanDoc& doc, double metres);
// The message box for an outcome that did not land; nothing for a jump.
void ShowGoToOutcome(QWidget* parent, const CTubescanDoc& doc, const GoToResult& result,
                     const GoToTarget& target);

void AttachGoTo(CTubescanDoc& doc, CMainFrame& frame, CommandMap& commands);
