// The view's status texts: range marks, the link status box, the operating
// status with its dots and file size, and the pipe shape's size.
#pragma once

class CTubescanView;
class QPainter;

// Advances the view's link status alternation, and switches the hold off
// while an XYZ conversion runs.
void DrawStatusTextLayer(QPainter& painter, CTubescanView& view);
void InstallStatusTextLayer(CTubescanView& view);
