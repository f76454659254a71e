#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"
#include "view/OverlayLayers.h"
#include "view/TubescanView.h"

void PaintPipeShape(QPainter& painter, const CTubescanView& view) {
    const CTubescanDoc* doc = view.Document();
    if (!doc) return;
    PipeShapeInput in;
    in.shape = doc->m_settings.m_pipeShape;
    in.clientWidth = view.ClientWidth();
    in.clientHeight = view.ClientHeight();
    in.offsetX = doc->m_settings.m_circleOffsetX;
    in.offsetY = doc->m_settings.m_circleOffsetY;
    in.imagePanX = view.Pan().x();
    in.imagePanY = view.Pan().y();
    in.panX = view.ShapePan().x();
    in.panY = view.ShapePan().y();
    in.rangeMetres = doc->m_settings.m_range;
    in.zoom = doc->m_settings.m_zoom;
    in.soundVelocity = doc->m_settings.m_soundVelocity;
    in.circleDiameter = doc->m_settings.m_circleDiameter;
    in.horseShoeWidth = doc->m_settings.m_horseShoeWidth;
    in.horseShoeHeight = doc->m_settings.m_horseShoeHeight;
    in.upperDiameter = doc->m_overlayParamA;
    in.lowerDiameter = doc->m_overlayParamB;
    in.playback = doc->m_playback != 0;
    in.playbackBarHeight = view.PlaybackBarHeight();
    in.moving = doc->m_moveShapeMode != 0;
    const std::optional<PipeShapeOutline> outline = ComputePipeShape(in);
    if (!outline) return;

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QColor colour = ColourOfRef(doc->m_settings.m_circleColor);
    painter.setPen(outline->dotted ? QPen(colour, 1, Qt::DotLine) : QPen(colour, 2, Qt::SolidLine));
    for (const ShapeArc& arc : outline->arcs) {
        const QRectF box(arc.left, arc.top, arc.width, arc.height);
        const int start = qRound(arc.startDegrees * 16.0);
        const int sweep = qRound(arc.sweepDegrees * 16.0);
        if (sweep >= 360 * 16)
            painter.drawEllipse(box);
        else
            painter.drawArc(box, start, sweep);
    }
    for (const ShapeSegment& s : outline->segments)
        painter.drawLine(s.from.x, s.from.y, s.to.x, s.to.y);
}
