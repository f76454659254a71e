#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"
#include "view/OverlayLayers.h"
#include "view/TubescanView.h"

void PaintPipeShape(QPainter& painter, const CTubescanView& view) {
    const CTubescanDoc* doc = view.Document();
    if (!doc) return;
    PipeShapeInput in;
    in.shape = doc->Settings().m_pipeShape;
    in.clientWidth = view.ClientWidth();
    in.clientHeight = view.ClientHeight();
    in.offsetX = doc->Settings().m_circleOffsetX;
    in.offsetY = doc->Settings().m_circleOffsetY;
    in.imagePanX = view.Pan().x();
    in.imagePanY = view.Pan().y();
    in.panX = view.ShapePan().x();
    in.panY = view.ShapePan().y();
    in.rangeMetres = doc->Settings().m_range;
    in.zoom = doc->Settings().m_zoom;
    in.soundVelocity = doc->Settings().m_soundVelocity;
    in.circleDiameter = doc->Settings().m_circleDiameter;
    in.horseShoeWidth = doc->Settings().m_horseShoeWidth;
    in.horseShoeHeight = doc->Settings().m_horseShoeHeight;
    in.upperDiameter = doc->Display().m_overlayParamA;
    in.lowerDiameter = doc->Display().m_overlayParamB;
    in.playback = doc->Run().m_playback != 0;
    in.playbackBarHeight = view.PlaybackBarHeight();
    in.moving = doc->Display().m_moveShapeMode != 0;
    const std::optional<PipeShapeOutline> outline = ComputePipeShape(in);
    if (!outline) return;

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QColor colour = ColourOfRef(doc->Settings().m_circleColor);
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
