// System > Sound Velocity: the one-value dialog of the speed of sound, with
// "From water temperature..." to work the speed out from the water and, in
// playback, "Apply to this recording" to play the recording again from its
// start at that speed.
#pragma once

class CTubescanDoc;
class QWidget;

void RunSoundVelocityDialog(CTubescanDoc& doc, QWidget* mainFrame);
