#include "view/GridLayer.h"

#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/GridGeometry.h"
#include "view/TubescanView.h"
#include "view/ViewText.h"

namespace {

QPen PenFor(GridPen kind, const GridPicture& grid) {
    if (kind == GridPen::Cross) return QPen(ColourFromColorRef(grid.crossColour), 1);
    if (kind == GridPen::CentreLine) return QPen(ColourFromColorRef(kGridCentreLineColour), 1);
    QPen pen(ColourFromColorRef(grid.gridColour), 1);
    // The dot and dash lengths of the classic cosmetic pens, in pixels.
    if (grid.style == GridLineStyle::Dotted) pen.setDashPattern({3.0, 3.0});
    if (grid.style == GridLineStyle::Dashed) pen.setDashPattern({18.0, 6.0});
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

void DrawGridLayer(QPainter& painter, const CTubescanView& view) {
    const CTubescanDoc* doc = view.Document();
    if (!doc) return;
    GridInput in;
    in.gridType = doc->Settings().m_gridType;
    if (in.gridType != 1 && in.gridType != 2) return;
    in.gridStyle = doc->Settings().m_gridStyle;
    in.gridColour = doc->Settings().m_gridColor;
    in.units = doc->Settings().m_units;
    in.clientWidth = view.ClientWidth();
    in.clientHeight = view.ClientHeight();
    in.panX = view.Pan().x();
    in.panY = view.Pan().y();
    in.soundVelocity = doc->Settings().m_soundVelocity;
    const PingReadout ping = doc->Readout();
    in.zoom = ping.zoom;
    in.trainBearing = ping.trainBearing;
    in.sectorWidthCode = ping.sectorWidthCode;
    const GridPicture grid = ComputeGrid(in);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (const GridStroke& s : grid.strokes) {
        painter.setPen(PenFor(s.pen, grid));
        if (s.isArc) {
            const QRectF box(s.centre.x - s.radius, s.centre.y - s.radius, 2.0 * s.radius,
                             2.0 * s.radius);
            painter.drawArc(box, static_cast<int>(s.startDegrees * 16.0),
                            static_cast<int>(s.sweepDegrees * 16.0));
        } else {
            painter.drawLine(s.from.x, s.from.y, s.to.x, s.to.y);
        }
    }
}

void InstallGridLayer(CTubescanView& view) {
    view.SetLayerPainter(CTubescanView::Grid, DrawGridLayer);
}
