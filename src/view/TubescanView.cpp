#include "view/TubescanView.h"

#include <mutex>

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include "doc/CommandIds.h"
#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"
#include "view/OverlayLayers.h"
#include "view/ViewPictures.h"

namespace {

QColor FromColorRef(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

constexpr QRgb kScanLineColour = 0xFF787800; // RGB(120, 120, 0)

// Everything the repaint needs from the ping, copied in one short lock.
struct PingSnapshot {
    double zoom = 1.0;
    double beamAngle = 0.0;
    std::uint8_t sectorWidthCode = 120;
    std::uint8_t stepSize = 3;
    int trainBearing = 0;
    int colourTable = 0;
};

} // namespace

CTubescanView::CTubescanView(CTubescanDoc* doc, QWidget* parent)
    : QWidget(parent), m_doc(doc),
      m_annotations(doc ? doc->Display().m_annotationCount : m_spareCount) {
    // All drawing goes through the back buffer: nothing erases the window first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(BoxedCrossCursor());
    setObjectName("TubescanView");
    m_headIcons = {PaintHeadIcon(HeadIcon::GreyStemUp), PaintHeadIcon(HeadIcon::RedStemUp),
                   PaintHeadIcon(HeadIcon::GreyStemDown), PaintHeadIcon(HeadIcon::RedStemDown)};
    m_caretTimer.setObjectName(QStringLiteral("Timer%1").arg(kCaretTimerId));
    m_caretTimer.setSingleShot(true);
    m_caretTimer.setInterval(500);
    connect(&m_caretTimer, &QTimer::timeout, this, &CTubescanView::OnCaretTimer);
    SetLayerPainter(Overlay, PaintPipeShape);
    SetLayerPainter(Annotations, PaintAnnotations);
}

void CTubescanView::SetLayerPainter(Layer layer, LayerPainter painter) {
    m_layers[layer] = std::move(painter);
}

void CTubescanView::OnInitialUpdate() {
    update();
    if (!m_doc) return;
    m_doc->Settings().m_circleOffsetX = width() * 0.5;
    m_doc->Settings().m_circleOffsetY = height() * 0.5;
}

void CTubescanView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    // A zero-sized client (minimised) keeps the last size and buffer.
    if (size.width() <= 0 || size.height() <= 0) return;
    m_clientWidth = size.width();
    m_clientHeight = size.height();
    if (m_doc) m_screenCentre = QPoint(m_clientWidth / 2, m_clientHeight / 2);
    RebuildBackBuffer(m_clientWidth, m_clientHeight);
}

void CTubescanView::NudgeShape(int dx, int dy) {
    if (!m_doc) return;
    m_shapePan += QPoint(dx, dy);
    FoldShapeDisplacement(m_doc->Settings().m_circleOffsetX, m_doc->Settings().m_circleOffsetY,
                          m_shapePan.rx(), m_shapePan.ry(), m_doc->Settings().m_range,
                          m_doc->Settings().m_zoom);
}

void CTubescanView::RebuildBackBuffer(int width, int height) {
    m_backBuffer = QImage(width, height, QImage::Format_RGB32);
    m_backBuffer.fill(Qt::black);
}

void CTubescanView::ServeRestoreRequest() {
    if (!m_doc->Display().m_recentreImage) return;
    {
        std::lock_guard lock(m_doc->PingMutex());
        m_doc->Settings().m_zoom = 1.0;
    }
    m_imagePanX = m_imagePanY = 0;
    m_doc->Display().m_recentreImage = 0;
    m_doc->ClearImage();
    m_dragStart = QPoint();
    m_panStart = QPoint();
    m_shapePan = QPoint();
    m_doc->Settings().m_circleOffsetX = m_clientWidth / 2;
    m_doc->Settings().m_circleOffsetY = m_clientHeight / 2;
}

void CTubescanView::ComposeBackBuffer() {
    if (!m_doc || m_backBuffer.isNull()) return;
    CTubescanDoc& doc = *m_doc;

    ServeRestoreRequest();
    if (doc.Display().m_redrawAll) {
        // Only the view's own alternation starts again: the watchdog's blink
        // keeps its phase.
        m_blinkCount = 0;
        m_showAddress = 0;
        doc.Display().m_redrawAll = 0;
    }
    m_origin = {m_clientWidth / 2 + m_imagePanX, m_clientHeight / 2 + m_imagePanY};

    QPainter painter(&m_backBuffer);
    painter.fillRect(0, 0, m_clientWidth, m_clientHeight, FromColorRef(doc.Settings().m_bkColor));

    PingSnapshot ping;
    {
        // The acquisition thread paints pings under this lock; holding it for
        // the one copy of the picture means a repaint never shows half a ping.
        std::lock_guard lock(doc.PingMutex());
        ping.zoom = doc.Settings().m_zoom;
        ping.beamAngle = doc.Frame().m_beamAngle;
        ping.sectorWidthCode = doc.Command()[headproto::kCmdSectorWidth];
        ping.stepSize = doc.Command()[headproto::kCmdStepSize];
        ping.trainBearing = doc.Run().m_trainBearing;
        ping.colourTable = doc.Settings().m_colorTable;
        const SectorWedge wedge =
            ComputeSectorWedge({m_screenCentre.x(), m_screenCentre.y()}, m_imagePanX, m_imagePanY,
                               ping.zoom, ping.trainBearing, ping.sectorWidthCode);
        DrawSonarImage(painter, wedge, ping.zoom);
    }

    RunLayer(Grid, painter);
    SettleAnnotations();
    if (LinesShown(m_annotations.Count(), doc.Display().m_measureMode)) {
        const std::optional<double> last =
            UpdateLineLabels(m_annotations, ping.zoom, m_origin, doc.Settings().m_range,
                             doc.Settings().m_soundVelocity, doc.Settings().m_units);
        if (last) m_lastLength = *last;
    }
    if (doc.Settings().m_displayPipeShape) RunLayer(Overlay, painter);
    RunLayer(Annotations, painter);
    RunLayer(Attitude, painter);

    ScanLineInput scan;
    scan.clientWidth = m_clientWidth;
    scan.clientHeight = m_clientHeight;
    scan.panX = m_imagePanX;
    scan.panY = m_imagePanY;
    scan.zoom = ping.zoom;
    scan.beamAngle = ping.beamAngle;
    scan.stepSize = ping.stepSize;
    scan.bearingScale = doc.Run().m_bearingScale;
    scan.scanDirection = doc.Run().m_scanDirection;
    scan.sonarUpDown = doc.Settings().m_sonarUpDown;
    const ScanLine line = ComputeScanLine(scan);
    painter.setPen(QPen(QColor::fromRgb(kScanLineColour), 1, Qt::SolidLine));
    painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);

    RunLayer(StatusTexts, painter);
    DrawHeadIcon(painter);
    painter.end();
    DrawColourBar(ping.colourTable);
}

void CTubescanView::DrawSonarImage(QPainter& painter, const SectorWedge& wedge, double zoom) {
    const CTubescanDoc& doc = *m_doc;
    if (doc.Frame().m_imageWidth <= 0 || doc.Frame().m_imageHeight <= 0 ||
        doc.Frame().m_image.size() <
            static_cast<std::size_t>(doc.Frame().m_imageWidth) * doc.Frame().m_imageHeight * 3)
        return;
    QPainterPath clip;
    if (wedge.fullCircle) {
        clip.addEllipse(QPointF(wedge.centre.x, wedge.centre.y), wedge.radius, wedge.radius);
    } else {
        const QRectF box(wedge.centre.x - wedge.radius, wedge.centre.y - wedge.radius,
                         2.0 * wedge.radius, 2.0 * wedge.radius);
        clip.moveTo(wedge.centre.x, wedge.centre.y);
        clip.arcTo(box, wedge.startDegrees, wedge.sweepDegrees);
        clip.closeSubpath();
    }
    painter.setClipPath(clip);
    // The buffer already holds blue, green, red bytes: it is shown as it is, not copied.
    const QImage picture(
        doc.Frame().m_image.data(), doc.Frame().m_imageWidth, doc.Frame().m_imageHeight,
        static_cast<qsizetype>(doc.Frame().m_imageWidth) * 3, QImage::Format_BGR888);
    const ViewPoint topLeft =
        ImageTopLeft(m_clientWidth, m_clientHeight, zoom, m_imagePanX, m_imagePanY);
    painter.drawImage(topLeft.x, topLeft.y, picture);
    painter.setClipping(false);
}

void CTubescanView::DrawHeadIcon(QPainter& painter) {
    const HeadIcon icon =
        SelectHeadIcon(m_doc->Settings().m_xdcrFwdAft, m_doc->Settings().m_zeroUpDown);
    painter.drawImage(m_clientWidth - 50, m_clientHeight - 50,
                      m_headIcons[static_cast<std::size_t>(icon)]);
}

void CTubescanView::DrawColourBar(int table) {
    // The tables are constant after the document is made: no lock needed.
    const CSonarBitmap::Table& colours = m_doc->ColourTables().Colors(table);
    const int left = m_clientWidth - 10;
    for (int row = 0; row < m_clientHeight; ++row) {
        const ColorEntry& c =
            colours[static_cast<std::size_t>(ColourBarIndex(row, m_clientHeight))];
        const QRgb colour = qRgb(c.red, c.green, c.blue);
        auto* line = reinterpret_cast<QRgb*>(m_backBuffer.scanLine(row));
        for (int x = std::max(left, 0); x < std::min(left + 8, m_clientWidth); ++x)
            line[x] = colour;
    }
}

void CTubescanView::RunLayer(Layer layer, QPainter& painter) {
    if (!m_layers[layer]) return;
    painter.save();
    m_layers[layer](painter, *this);
    painter.restore();
}

void CTubescanView::paintEvent(QPaintEvent*) {
    if (!m_doc || m_backBuffer.isNull()) return;
    ComposeBackBuffer();
    QPainter painter(this);
    painter.drawImage(0, 0, m_backBuffer);
}

void CTubescanView::UpdateCursorReadouts(QPoint pos) {
    CursorInput in;
    in.x = pos.x();
    in.y = pos.y();
    in.origin = m_origin;
    in.clientWidth = m_clientWidth;
    in.rangeMetres = m_doc->Settings().m_range;
    in.zoom = m_doc->Settings().m_zoom;
    in.soundVelocity = m_doc->Settings().m_soundVelocity;
    in.sectorMode = m_doc->Settings().m_sectorMode;
    const CursorReadout r = ComputeCursorReadout(in);
    m_cursor.x = r.x;
    m_cursor.y = r.y;
    m_cursor.range = r.range;
    if (r.hasBearing) m_cursor.bearing = r.bearing;
    emit cursorReadoutsChanged();
}
