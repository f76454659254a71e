#include "view/AttitudeLayer.h"

#include <mutex>

#include <QPainter>
#include <QPainterPath>

#include "doc/TubescanDoc.h"
#include "view/AttitudeGeometry.h"
#include "view/TubescanView.h"
#include "view/ViewFonts.h"
#include "view/ViewText.h"

namespace {

QRectF Box(const ViewRect& r) {
    return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void FillRing(QPainter& painter, const ViewRect& outer, const ViewRect& inner) {
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addEllipse(Box(outer));
    ring.addEllipse(Box(inner));
    painter.fillPath(ring, ColourFromColorRef(kRingColour));
}

void DrawChords(QPainter& painter, const ViewRect& ball, const std::array<BallChord, 2>& chords,
                const QPen& outline) {
    painter.setPen(outline);
    for (const BallChord& c : chords) {
        QPainterPath path;
        path.arcMoveTo(Box(ball), c.startDegrees);
        path.arcTo(Box(ball), c.startDegrees, c.sweepDegrees);
        path.closeSubpath();
        painter.setBrush(ColourFromColorRef(c.fill));
        painter.drawPath(path);
    }
    painter.setBrush(Qt::NoBrush);
}

void DrawLines(QPainter& painter, const std::vector<AttitudeLine>& lines) {
    for (const AttitudeLine& l : lines) {
        painter.setPen(QPen(ColourFromColorRef(l.colour), l.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(l.from.x, l.from.y, l.to.x, l.to.y);
    }
}

} // namespace

void DrawAttitudeLayer(QPainter& painter, const CTubescanView& view) {
    const CTubescanDoc* doc = view.Document();
    // The operator turns the panel on and off with "Display PRD".
    if (!doc || !doc->Settings().m_displayPRD) return;
    AttitudeInput in;
    in.clientHeight = view.ClientHeight();
    in.units = doc->Settings().m_units;
    in.useExtPRD = doc->Settings().m_useExtPRD;
    const PingReadout ping = doc->Readout();
    in.pitchAvg = ping.pitchAvg;
    in.rollAvg = ping.rollAvg;
    in.pitchValid = ping.pitchValid;
    in.rollValid = ping.rollValid;
    in.extPitch = ping.extPitch;
    in.extRoll = ping.extRoll;
    in.extPitchValid = ping.extPitchValid;
    in.extRollValid = ping.extRollValid;
    in.extDistance = ping.extDistance;
    in.extDistanceValid = ping.extDistanceValid;
    const AttitudePicture a = ComputeAttitude(in);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(Box(a.panel), ColourFromColorRef(kPanelColour));
    const QPen outline(ColourFromColorRef(kPanelOutlineColour), 2, Qt::SolidLine, Qt::SquareCap,
                       Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(a.panelOutline.left, a.panelOutline.top),
                           QPoint(a.panelOutline.right - 1, a.panelOutline.bottom - 1)));

    const QFont font = ArialFont(kAttitudeFontHeight);
    const QColor text = ColourFromColorRef(kAttitudeTextColour);
    const QColor textBox = ColourFromColorRef(kPanelColour);

    FillRing(painter, a.pitchRingOuter, a.pitchBall);
    DrawChords(painter, a.pitchBall, a.pitchChords, outline);
    DrawLines(painter, a.pitchTicks);
    DrawTextOnBox(painter, a.pitchTextAt.x, a.pitchTextAt.y, QString::fromStdString(a.pitchText),
                  font, text, textBox);

    FillRing(painter, a.rollRingOuter, a.rollBall);
    DrawChords(painter, a.rollBall, a.rollChords, outline);
    DrawLines(painter, a.rollMarks);
    DrawLines(painter, a.rollScale);
    DrawTextOnBox(painter, a.rollTextAt.x, a.rollTextAt.y, QString::fromStdString(a.rollText), font,
                  text, textBox);
    DrawTextOnBox(painter, a.distanceTextAt.x, a.distanceTextAt.y,
                  QString::fromStdString(a.distanceText), font, text, textBox);
}

void InstallAttitudeLayer(CTubescanView& view) {
    view.SetLayerPainter(CTubescanView::Attitude, DrawAttitudeLayer);
}
