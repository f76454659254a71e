// The report's picture of the whole pipe in 3D: the dock's scene drawn
// offscreen where OpenGL can be had, else a captioned painter projection of
// the same points; the deviation legend beside it.
#pragma once

#include <QRectF>

#include "analysis/PipeHistory.h"

class QPainter;

// Draws into target (points, top-left origin); returns the height used.
double DrawPipe3DFigure(QPainter& painter, const QRectF& target,
                        const analysis::PipeHistory& history, double nominalRadius);
