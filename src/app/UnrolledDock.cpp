#include "app/UnrolledDock.h"

#include <cmath>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "analysis/DeviationColours.h"
#include "app/DockUnits.h"
#include "app/MainFrame.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "link/LiveAnalysisWorker.h"

namespace {

constexpr int kAxisWidth = 56;     // distance labels on the left
constexpr int kAxisHeight = 16;    // bearing labels on top
constexpr int kLegendWidth = 64;   // colour scale on the right
constexpr double kRowHeight = 6.0; // pixels a row takes until the rows fill the height

QRgb ColourOf(double deviation, double scale = analysis::kDeviationScale) {
    const analysis::Rgb c = analysis::DeviationColour(deviation, scale);
    return qRgb(c.r, c.g, c.b);
}

} // namespace

UnrolledView::UnrolledView(std::size_t maxRows, QWidget* parent)
    : QWidget(parent), m_map(maxRows),
      m_picture(analysis::UnrolledMap::kColumns, static_cast<int>(m_map.MaxRows()),
                QImage::Format_RGB32) {
    setObjectName(QStringLiteral("UnrolledView"));
    m_picture.fill(ColourOf(analysis::kNoValue));
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UnrolledView::Clear() {
    m_map.Clear();
    m_lastDistance = analysis::kNoValue;
    m_picture.fill(ColourOf(analysis::kNoValue));
    update();
}

void UnrolledView::PaintRow(std::size_t row) {
    auto* line = reinterpret_cast<QRgb*>(m_picture.scanLine(static_cast<int>(row)));
    const double scale = ShowsChange() ? analysis::kChangeScale : analysis::kDeviationScale;
    for (int c = 0; c < analysis::UnrolledMap::kColumns; ++c)
        line[c] = ColourOf(CellValue(row, c), scale);
}

void UnrolledView::PaintAll() {
    for (std::size_t r = 0; r < m_map.Rows(); ++r)
        PaintRow(r);
    update();
}

double UnrolledView::CellValue(std::size_t row, int column) const {
    const double deviation = m_map.Deviation(row, column);
    if (!ShowsChange()) return deviation;
    return analysis::DeviationChange(deviation, m_map.Distance(row), column, *m_earlier,
                                     m_alignment);
}

void UnrolledView::SetEarlier(std::shared_ptr<const analysis::UnrolledByDistance> earlier,
                              const analysis::Alignment& alignment) {
    m_earlier = std::move(earlier);
    m_alignment = alignment;
    PaintAll();
}

void UnrolledView::SetAlignment(const analysis::Alignment& alignment) {
    m_alignment = alignment;
    if (ShowsChange()) PaintAll();
}

void UnrolledView::ShowChange(bool on) {
    if (on == m_showChange) return;
    m_showChange = on;
    if (m_earlier) PaintAll();
}

void UnrolledView::AddScan(const analysis::AnalysedScan& scan) {
    AddRow(analysis::UnrolledRowOf(scan.figures, scan.points, scan.samples));
}

void UnrolledView::AddRow(const analysis::UnrolledRow& scan) {
    // Back along the pipe by more than a metre: a new file or a replay, as
    // the Pipe Condition plot takes it; the map starts again.
    const double d = scan.figures.distance;
    if (std::isfinite(d)) {
        if (std::isfinite(m_lastDistance) && d < m_lastDistance - 1.0) Clear();
        m_lastDistance = d;
    }
    const analysis::UnrolledMap::Change change = m_map.Add(scan);
    if (change.all) {
        // Rows merged: every row moved, the rest of the picture is unused.
        for (std::size_t r = 0; r < m_map.Rows(); ++r)
            PaintRow(r);
    } else {
        PaintRow(change.row);
    }
    update(CellArea().toAlignedRect().adjusted(-kAxisWidth, 0, 0, 0));
}

QRectF UnrolledView::CellArea() const {
    const QRectF room(kAxisWidth, kAxisHeight, std::max(1, width() - kAxisWidth - kLegendWidth),
                      std::max(1, height() - kAxisHeight - 4));
    // Rows keep a few pixels each until they fill the room; then the picture
    // is squeezed to fit.
    const double h = std::min(room.height(), std::max<double>(1, m_map.Rows()) * kRowHeight);
    return QRectF(room.left(), room.top(), room.width(), h);
}

bool UnrolledView::CellAt(QPointF at, std::size_t& row, int& column) const {
    const QRectF area = CellArea();
    if (m_map.Rows() == 0 || !area.contains(at)) return false;
    column = std::clamp(
        static_cast<int>((at.x() - area.left()) / area.width() * analysis::UnrolledMap::kColumns),
        0, analysis::UnrolledMap::kColumns - 1);
    row = std::min(m_map.Rows() - 1,
                   static_cast<std::size_t>((at.y() - area.top()) / area.height() * m_map.Rows()));
    return true;
}

void UnrolledView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRectF area = CellArea();
    const int rows = static_cast<int>(m_map.Rows());
    if (rows > 0) p.drawImage(area, m_picture, QRectF(0, 0, analysis::UnrolledMap::kColumns, rows));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(area.adjusted(-0.5, -0.5, 0.5, 0.5));

    // Bearing across the top.
    const QFontMetrics fm(font());
    for (int b = 0; b <= 360; b += 90) {
        const double x = area.left() + area.width() * b / 360.0;
        const QString t = QString::number(b) + QChar(0x00B0);
        const double w = fm.horizontalAdvance(t);
        p.drawText(QPointF(std::clamp(x - w / 2, area.left() - kAxisWidth / 2.0,
                                      area.right() - w + kLegendWidth / 2.0),
                           kAxisHeight - 4),
                   t);
    }
    // Distance down the left, a label every few rows of text.
    if (rows > 0) {
        const int every = std::max(1, static_cast<int>(std::ceil(fm.height() * 3.0 * rows /
                                                                 std::max(1.0, area.height()))));
        for (int r = 0; r < rows; r += every) {
            const double d = m_map.Distance(static_cast<std::size_t>(r));
            if (!std::isfinite(d)) continue;
            const double y = area.top() + (r + 0.5) * area.height() / rows;
            p.drawText(QRectF(0, y - fm.height() / 2.0, kAxisWidth - 4, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, DistanceLabel(d));
        }
    }
    // The colour scale, inward (red) up, in centimetres or inches; the
    // change's has its own reach but the same colours.
    // The scale takes the room's height, whatever the rows take.
    const QRectF bar(area.right() + 8, kAxisHeight, 12,
                     std::max(60.0, height() - kAxisHeight - 8.0 - 2.0 * fm.height()));
    // Made once, stretched to the bar: the repaint that follows every scan
    // need not run the colour scale per pixel row.
    static const QImage scale = [] {
        QImage img(1, 256, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y)
            img.setPixel(
                0, y, ColourOf(analysis::kDeviationScale * (1.0 - 2.0 * (y + 0.5) / img.height())));
        return img;
    }();
    p.drawImage(bar, scale);
    p.drawRect(bar);
    const QStringList legend = LegendTexts();
    for (int i = 0; i < 3; ++i) {
        const double y = bar.top() + bar.height() * i / 2.0;
        p.drawText(QPointF(bar.right() + 3, y + fm.ascent() / 2.0 - 1), legend[i]);
    }
    p.drawText(QPointF(bar.right() + 3, bar.bottom() + fm.height()), legend[3]);
}

void UnrolledView::SetUnits(units::System system) {
    if (system == m_units) return;
    m_units = system;
    update();
}

QString UnrolledView::DistanceLabel(double metres) const {
    return DockText(metres, units::Kind::Distance, m_units, 1);
}

QStringList UnrolledView::LegendTexts() const {
    const units::Quantity scale =
        units::Convert(ShowsChange() ? analysis::kChangeScale : analysis::kDeviationScale,
                       units::Kind::Deviation, m_units);
    // Whole centimetres; inches to a tenth, as the scale's end is no whole inch.
    const int decimals = m_units == units::System::Imperial ? 1 : 0;
    return {QStringLiteral("+") + QString::number(scale.value, 'f', decimals), QStringLiteral("0"),
            QStringLiteral("-") + QString::number(scale.value, 'f', decimals),
            QString::fromUtf8(scale.unit)};
}

void UnrolledView::mousePressEvent(QMouseEvent* event) {
    std::size_t row = 0;
    int column = 0;
    if (event->button() != Qt::LeftButton || !CellAt(event->position(), row, column)) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double distance = m_map.Distance(row);
    emit CellClicked(column + 0.5, distance, CellValue(row, column));
    if (std::isfinite(distance)) emit DistanceClicked(distance);
}

UnrolledDock::UnrolledDock(QWidget* parent) : QDockWidget(QStringLiteral("Unrolled"), parent) {
    setObjectName(QStringLiteral("UnrolledDock"));
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    // The choice of change or deviation, shown once there is an earlier
    // survey to compare with.
    m_compareRow = new QWidget(body);
    auto* row = new QHBoxLayout(m_compareRow);
    row->setContentsMargins(4, 2, 4, 0);
    m_change = new QCheckBox(QStringLiteral("Show change since earlier survey"), m_compareRow);
    m_change->setObjectName(QStringLiteral("ShowChange"));
    m_state = new QLabel(m_compareRow);
    m_state->setObjectName(QStringLiteral("AlignmentState"));
    row->addWidget(m_change);
    row->addWidget(m_state, 1);
    m_compareRow->hide();
    m_view = new UnrolledView(2048, body);
    column->addWidget(m_compareRow);
    column->addWidget(m_view, 1);
    setWidget(body);
    connect(m_view, &UnrolledView::DistanceClicked, this, &UnrolledDock::DistanceClicked);
    connect(m_change, &QCheckBox::toggled, m_view, &UnrolledView::ShowChange);
}

void UnrolledDock::SetEarlier(std::shared_ptr<const analysis::UnrolledByDistance> earlier,
                              const analysis::Alignment& alignment, const QString& state) {
    m_compareRow->setVisible(earlier != nullptr);
    if (!earlier) m_change->setChecked(false);
    m_view->SetEarlier(std::move(earlier), alignment);
    m_state->setText(state);
}

void UnrolledDock::SetAlignment(const analysis::Alignment& alignment, const QString& state) {
    m_view->SetAlignment(alignment);
    m_state->setText(state);
}

void UnrolledDock::SetAlignmentText(const QString& state) {
    m_state->setText(state);
}

void UnrolledDock::AddScan(std::shared_ptr<const analysis::AnalysedScan> scan) {
    if (scan) m_view->AddScan(*scan);
}

void UnrolledDock::TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch) {
    if (!batch) return;
    for (const analysis::LiveScan& scan : batch->scans)
        m_view->AddRow(scan.row);
}

QString UnrolledCellText(double bearing, double distance, double deviation, units::System system,
                         bool change) {
    const QString where = QStringLiteral("Bearing %1\u00B0, distance %2")
                              .arg(QString::number(bearing, 'f', 1),
                                   DockText(distance, units::Kind::Distance, system, 2));
    if (change) {
        if (!std::isfinite(deviation))
            return where + QStringLiteral(": no change known (a survey saw no wall here)");
        return where + QStringLiteral(": %1 %2 since the earlier survey")
                           .arg(DockText(std::abs(deviation), units::Kind::Deviation, system),
                                deviation >= 0.0 ? QStringLiteral("further in")
                                                 : QStringLiteral("further out"));
    }
    if (!std::isfinite(deviation)) return where + QStringLiteral(": no wall measured");
    return where +
           QStringLiteral(": deviation %1 (%2)")
               .arg(DockText(deviation, units::Kind::Deviation, system),
                    deviation >= 0.0 ? QStringLiteral("inward") : QStringLiteral("outward"));
}

UnrolledDock* AttachUnrolledDock(LiveAnalysisWorker& live, const DockUnits& units,
                                 CMainFrame& frame, CommandMap& commands) {
    auto* dock = new UnrolledDock(&frame);
    UnrolledView* view = dock->View();
    view->SetUnits(units.System());
    QObject::connect(&units, &DockUnits::changed, view,
                     [view, &units] { view->SetUnits(units.System()); });
    // Shown at first; a layout the operator saved decides from then on.
    frame.addDockWidget(Qt::BottomDockWidgetArea, dock);
    QObject::connect(&live, &LiveAnalysisWorker::batchReady, dock, &UnrolledDock::TakeBatch);
    QPointer<CMainFrame> frameGuard(&frame);
    QObject::connect(view, &UnrolledView::CellClicked, dock,
                     [frameGuard, view](double bearing, double distance, double deviation) {
                         if (frameGuard && frameGuard->Pane(0))
                             frameGuard->Pane(0)->setText(UnrolledCellText(
                                 bearing, distance, deviation, view->Units(), view->ShowsChange()));
                     });
    QPointer<UnrolledDock> guard(dock);
    commands.Add(cmd::kUnrolled,
                 CommandEntry{[guard](int) {
                                  if (guard) guard->setVisible(!guard->isVisible());
                              },
                              [guard](int) {
                                  return CommandUi{true, guard && guard->isVisible()};
                              }});
    return dock;
}
