// View > "Go To..." (Ctrl+G): a distance in the survey's units or a time of
// day in the playback file; and the one way every window shows where a jump
// ended when it did not land.
#pragma once

#include <QString>

#include "doc/PlaybackJump.h"

class CMainFrame;
class CTubescanDoc;
class CommandMap;
class DockUnits;
class QWidget;

// Jumps to the distance and tells the operator, in system's units, when it
// did not land.
GoToResult GoToDistanceFrom(QWidget* parent, CTubescanDoc& doc, double metres,
                            units::System system);
// The message box for an outcome that did not land; nothing for a jump.
void ShowGoToOutcome(QWidget* parent, const GoToResult& result, const GoToTarget& target,
                     units::System system);
// What the dialog asks for: a distance in system's unit or a time of day.
QString GoToEntryLabel(units::System system);

// The dialog shows and takes distances in the units the docks show.
void AttachGoTo(CTubescanDoc& doc, const DockUnits& units, CMainFrame& frame, CommandMap& commands);
