// The recording, playback, XYZ conversion and UDP output commands of the
// File menu, with their dialogs owned by the main window.
#pragma once

#include <functional>

class CommandMap;
class CTubescanDoc;
class QWidget;

// recordingStarted runs after the record command has started a recording.
void AddDataCommands(CommandMap& commands, CTubescanDoc& doc, QWidget* owner,
                     std::function<void()> recordingStarted = {});
