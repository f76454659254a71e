// The view's grid layer: the rectangle or polar measuring grid over the
// sonar picture, in the grid's colour and line style.
#pragma once

class CTubescanView;
class QPainter;

void DrawGridLayer(QPainter& painter, const CTubescanView& view);
void InstallGridLayer(CTubescanView& view);
