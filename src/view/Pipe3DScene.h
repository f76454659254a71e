// What the Qt Quick 3D scene of the pipe shows, for the "Pipe 3D" dock, the
// report's rendering and the benchmark alike: the kept rings as coloured
// points, a ring marking the current ping's distance, the camera's framing
// and the picking of a ring. The QML scene (qrc:/pipe3d/Pipe3D.qml) reads it
// as the context property "pipe3d".
#pragma once

#include <span>
#include <vector>

#include <QColor>
#include <QObject>
#include <QTimer>
#include <QVector3D>

#include "analysis/PipeHistory.h"
#include "analysis/WallPick.h"
#include "format/UnitsText.h"

class Pipe3DGeometry;
class QQuick3DGeometry;

class Pipe3DScene : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQuick3DGeometry* points READ Points CONSTANT)
    Q_PROPERTY(QQuick3DGeometry* marker READ Marker CONSTANT)
    Q_PROPERTY(double radius READ RadiusCm NOTIFY changed)
    Q_PROPERTY(double firstZ READ FirstZ NOTIFY changed)
    Q_PROPERTY(double lastZ READ LastZ NOTIFY changed)
    Q_PROPERTY(double axialScale READ AxialScale NOTIFY changed)
    Q_PROPERTY(double markerZ READ MarkerZ NOTIFY markerChanged)
    Q_PROPERTY(bool hasMarker READ HasMarker NOTIFY markerChanged)
    Q_PROPERTY(double legendScale READ LegendScale NOTIFY unitsChanged)
    Q_PROPERTY(QString legendUnit READ LegendUnit NOTIFY unitsChanged)
    Q_PROPERTY(int legendDecimals READ LegendDecimals NOTIFY unitsChanged)
    Q_PROPERTY(bool decorated READ Decorated NOTIFY changed)

  public:
    // Points drawn at rest, and while the camera moves (the coarser level
    // keeps the frame rate up). Every drawn point is held several times over
    // (the vertex list, the geometry's copy, the renderer's buffer) at 28
    // bytes each, so the budget is also what keeps the dock's memory small
    // and flat.
    static constexpr std::size_t kRestBudget = 120'000;
    static constexpr std::size_t kMovingBudget = 60'000;
    // The levels under a software renderer (no graphics card, a virtual
    // machine, a remote display). Such a renderer also holds some 240 bytes
    // for every point while it rasterises a frame: at 120,000 points the
    // program's memory jumped by 30 MB at each redraw. At these levels the
    // jumps stay under 10 MB, and the view turns faster for it.
    static constexpr std::size_t kSoftwareRestBudget = 40'000;
    static constexpr std::size_t kSoftwareMovingBudget = 20'000;
    // The drawn pipe is at most this many diameters long; a longer survey is
    // shortened along its length so the whole of it is in view.
    static constexpr double kMaxAspect = 8.0;

    explicit Pipe3DScene(QObject* parent = nullptr);
    ~Pipe3DScene() override;

    // Takes one analysed scan; the drawing follows within kRebuildMs.
    void Add(const analysis::AnalysedScan& scan);
    // Takes one scan's ring, already thinned, with its figures (for the
    // nominal pipe's size).
    void Add(const analysis::ScanFigures& figures, std::span<const analysis::PipePoint> ring,
             const analysis::RingFrame& frame = {});
    // While hidden nothing is drawn, so the vertex buffers are not rebuilt
    // as scans come in; showing again rebuilds them once.
    void SetShown(bool shown);
    // Shows a whole history at once (the report, the benchmark).
    void SetHistory(const analysis::PipeHistory& history, double nominalRadius);
    // The current ping's distance, metres; NaN hides the marker.
    void SetMarker(double distance);
    // Builds the vertex buffers now rather than on the next timer.
    void Rebuild();
    std::size_t DrawnPoints() const;
    const analysis::PipeHistory& History() const { return m_history; }
    // Other levels of detail than the defaults (a software renderer, the
    // benchmark).
    void SetBudgets(std::size_t rest, std::size_t moving);
    std::size_t RestBudget() const { return m_restBudget; }

    QQuick3DGeometry* Points() const;
    QQuick3DGeometry* Marker() const;
    double RadiusCm() const { return m_radius * 100.0; }
    double FirstZ() const;
    double LastZ() const;
    double AxialScale() const;
    double MarkerZ() const { return m_marker * 100.0; }
    bool HasMarker() const { return m_marker == m_marker; }
    // The deviation legend's end, in its unit (cm, or in for an imperial
    // survey), its unit and the decimals its labels take.
    double LegendScale() const;
    QString LegendUnit() const;
    int LegendDecimals() const { return m_units == units::System::Imperial ? 1 : 0; }
    void SetUnits(units::System system);
    units::System Units() const { return m_units; }
    // The legend and the mouse hints drawn over the scene (not in the report).
    bool Decorated() const { return m_decorated; }
    void SetDecorated(bool on) {
        m_decorated = on;
        emit changed();
    }

    // The colour of a deviation given in the legend's unit.
    Q_INVOKABLE QColor legendColour(double deviation) const;
    // The camera moves (true) or rests: the drawn level of detail follows.
    Q_INVOKABLE void setInteracting(bool moving);
    // A click whose ray passes the pipe's axis at zCm (centimetres along it),
    // missCm from it: the nearest kept ring, if the click was on the pipe.
    Q_INVOKABLE void pick(double zCm, double missCm);
    // The mouse's ray through the scene (centimetres, the length shortened
    // by axialScale), given by its points on the near plane and 100 cm
    // beyond, each also one pixel to the right: the kept point under it.
    Q_INVOKABLE void hover(QVector3D near, QVector3D nearRight, QVector3D far, QVector3D farRight);
    // The mouse left the pipe, or the camera moved under it.
    Q_INVOKABLE void hoverEnd() { emit hoverLeft(); }

    void RequestReset() { emit resetRequested(); }

  signals:
    void changed();
    void markerChanged();
    void unitsChanged();
    void resetRequested();
    void distanceClicked(double metres);
    // The point of the wall under the mouse.
    void wallHovered(const analysis::WallHit& hit);
    void hoverLeft();

  private:
    void Upload();
    void Changed();

    analysis::PipeHistory m_history;
    double m_radius = 0.15; // metres, the nominal pipe's
    double m_marker;
    bool m_moving = false;
    bool m_decorated = true;
    units::System m_units = units::System::Metric;
    bool m_shown = true, m_stale = false;
    std::size_t m_restBudget = kRestBudget, m_movingBudget = kMovingBudget;
    std::vector<float> m_rest, m_coarse;
    Pipe3DGeometry* m_points;
    Pipe3DGeometry* m_ring;
    QTimer m_rebuild;
};
