// The pipe's 3D scene drawn without a window on screen, for the report, and
// the test whether Qt Quick 3D can draw at all here (it needs OpenGL).
#pragma once

#include <limits>

#include <QImage>
#include <QString>

#include "analysis/PipeHistory.h"

class QPainter;
class QRectF;

// Qt Quick 3D's graphics API set once, before the first Qt Quick window.
void UseOpenGlForQtQuick();

// True when an OpenGL context can be made and used here; otherwise false,
// with the reason in *why. *software (when given) tells whether the context
// draws on the processor rather than a graphics card.
bool CanRender3D(QString* why, bool* software = nullptr);

// Whether an OpenGL renderer's name (GL_RENDERER) is one of Mesa's software
// rasterisers.
bool IsSoftwareRenderer(const QString& renderer);

// The scene of the whole history (the same QML the dock shows), drawn at
// size; a null image when it cannot be drawn, with the reason in *why.
// marker: the current ping's distance (NaN: none).
QImage RenderPipe3D(const analysis::PipeHistory& history, double nominalRadius, QSize size,
                    QString* why, double marker = std::numeric_limits<double>::quiet_NaN());

// Without OpenGL: the same points in the same colours, projected obliquely
// by a plain painter (distance to the right, the cross-section drawn as an
// ellipse). Returns false when there is nothing to draw.
bool PaintPipeProjection(QPainter& painter, const QRectF& target,
                         const analysis::PipeHistory& history, double nominalRadius);
