// The view's pitch, roll and distance indicator, drawn while "Display PRD"
// is on.
#pragma once

class CTubescanView;
class QPainter;

void DrawAttitudeLayer(QPainter& painter, const CTubescanView& view);
void InstallAttitudeLayer(CTubescanView& view);
