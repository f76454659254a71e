// The recording, playback, XYZ conversion and UDP output commands of the
// File menu, with their dialogs owned by the main window.
#pragma once

class CommandMap;
class CTubescanDoc;
class QWidget;

void AddDataCommands(CommandMap& commands, CTubescanDoc& doc, QWidget* owner);
