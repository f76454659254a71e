#include "view/Pipe3DScene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/DeviationColours.h"
#include "view/Pipe3DGeometry.h"

namespace {
constexpr int kRebuildMs = 500;
constexpr int kRingSegments = 96;
} // namespace

Pipe3DScene::Pipe3DScene(QObject* parent)
    : QObject(parent), m_marker(std::numeric_limits<double>::quiet_NaN()),
      m_points(new Pipe3DGeometry(QQuick3DGeometry::PrimitiveType::Points)),
      m_ring(new Pipe3DGeometry(QQuick3DGeometry::PrimitiveType::Lines)) {
    // The geometries are scene objects, not children of this: the scene's
    // models hold them, and they go with this object.
    m_points->SetCapacity(static_cast<int>(std::max(m_restBudget, m_movingBudget)));
    m_rebuild.setSingleShot(true);
    m_rebuild.setInterval(kRebuildMs);
    connect(&m_rebuild, &QTimer::timeout, this, &Pipe3DScene::Rebuild);
}

Pipe3DScene::~Pipe3DScene() {
    delete m_points;
    delete m_ring;
}

QQuick3DGeometry* Pipe3DScene::Points() const {
    return m_points;
}
QQuick3DGeometry* Pipe3DScene::Marker() const {
    return m_ring;
}

void Pipe3DScene::Add(const analysis::AnalysedScan& scan) {
    const double nominal = scan.figures.nominalArea;
    if (std::isfinite(nominal) && nominal > 0.0) m_radius = std::sqrt(nominal / std::numbers::pi);
    if (!m_history.Add(scan)) return;
    Changed();
}

void Pipe3DScene::Add(const analysis::ScanFigures& figures,
                      std::span<const analysis::PipePoint> ring, const analysis::RingFrame& frame) {
    const double nominal = figures.nominalArea;
    if (std::isfinite(nominal) && nominal > 0.0) m_radius = std::sqrt(nominal / std::numbers::pi);
    if (!m_history.AddRing(figures.distance, ring, frame)) return;
    Changed();
}

void Pipe3DScene::Changed() {
    if (!m_shown) {
        m_stale = true;
        return;
    }
    // Rebuilding a million vertices for every scan would cost the user
    // interface more than it gains: the drawing catches up in batches.
    if (!m_rebuild.isActive()) m_rebuild.start();
}

void Pipe3DScene::SetShown(bool shown) {
    m_shown = shown;
    if (shown && m_stale) Rebuild();
}

void Pipe3DScene::SetHistory(const analysis::PipeHistory& history, double nominalRadius) {
    m_history = history;
    if (std::isfinite(nominalRadius) && nominalRadius > 0.0) m_radius = nominalRadius;
    Rebuild();
}

void Pipe3DScene::SetMarker(double distance) {
    if (distance == m_marker || (std::isnan(distance) && std::isnan(m_marker))) return;
    m_marker = distance;
    emit markerChanged();
}

void Pipe3DScene::Rebuild() {
    m_rebuild.stop();
    m_stale = false;
    // Full size from the first scan: filling rings never grow these.
    m_rest.reserve(m_restBudget * 7);
    m_coarse.reserve(m_movingBudget * 7);
    m_history.FillVertices(m_restBudget, m_rest);
    m_history.FillVertices(m_movingBudget, m_coarse);
    // Two rings a little outside the nominal wall, in a colour the deviation
    // scale never takes.
    std::vector<float> ring;
    for (const double scale : {1.12, 1.16})
        for (int i = 0; i < kRingSegments; ++i)
            for (const int k : {i, i + 1}) {
                const double a = 2.0 * std::numbers::pi * k / kRingSegments;
                const float r = static_cast<float>(m_radius * 100.0 * scale);
                ring.insert(ring.end(),
                            {r * static_cast<float>(std::cos(a)),
                             r * static_cast<float>(std::sin(a)), 0.0f, 0.2f, 1.0f, 0.2f, 1.0f});
            }
    m_ring->SetVertices(ring);
    Upload();
    emit changed();
}

void Pipe3DScene::Upload() {
    m_points->SetVertices(m_moving ? m_coarse : m_rest);
}

std::size_t Pipe3DScene::DrawnPoints() const {
    return static_cast<std::size_t>(m_points->Count());
}

void Pipe3DScene::SetBudgets(std::size_t rest, std::size_t moving) {
    m_restBudget = rest;
    m_movingBudget = moving;
    m_points->SetCapacity(static_cast<int>(std::max(rest, moving)));
    Rebuild();
}

double Pipe3DScene::FirstZ() const {
    return m_history.Empty() ? 0.0 : m_history.FirstDistance() * 100.0;
}

double Pipe3DScene::LastZ() const {
    return m_history.Empty() ? 0.0 : m_history.LastDistance() * 100.0;
}

double Pipe3DScene::AxialScale() const {
    const double length = LastZ() - FirstZ();
    const double most = kMaxAspect * 2.0 * RadiusCm();
    return length > most ? most / length : 1.0;
}

double Pipe3DScene::LegendScale() const {
    return units::Convert(analysis::kDeviationScale, units::Kind::Deviation, m_units).value;
}

QString Pipe3DScene::LegendUnit() const {
    return QString::fromUtf8(units::Unit(units::Kind::Deviation, m_units));
}

void Pipe3DScene::SetUnits(units::System system) {
    if (system == m_units) return;
    m_units = system;
    emit unitsChanged();
}

QColor Pipe3DScene::legendColour(double deviation) const {
    const analysis::Rgb c =
        analysis::DeviationColour(units::ToMetric(deviation, units::Kind::Deviation, m_units));
    return QColor(c.r, c.g, c.b);
}

void Pipe3DScene::setInteracting(bool moving) {
    if (moving == m_moving) return;
    m_moving = moving;
    if (m_rest.size() != m_coarse.size()) Upload();
}

void Pipe3DScene::pick(double zCm, double missCm) {
    // A click beside the pipe (well outside the wall) picks nothing.
    if (!std::isfinite(zCm) || !(missCm <= 2.0 * RadiusCm())) return;
    const double ring = m_history.NearestRing(zCm / 100.0);
    if (std::isfinite(ring)) emit distanceClicked(ring);
}

void Pipe3DScene::hover(QVector3D near, QVector3D nearRight, QVector3D far, QVector3D farRight) {
    // Points drawn two pixels wide count within this many of the mouse.
    constexpr double kPixels = 4.0;
    const double depth = (far - near).length() / 100.0;
    const double pixelNear = (nearRight - near).length() / 100.0;
    const double pixelFar = (farRight - far).length() / 100.0;
    analysis::WallRay ray;
    ray.from = {near.x() / 100.0, near.y() / 100.0, near.z() / 100.0};
    const QVector3D along = far - near;
    ray.along = {along.x() / 100.0, along.y() / 100.0, along.z() / 100.0};
    ray.zScale = AxialScale();
    ray.tolerance = kPixels * pixelNear;
    ray.spread = depth > 0.0 ? kPixels * std::max(0.0, pixelFar - pixelNear) / depth : 0.0;
    if (const std::optional<analysis::WallHit> hit = analysis::PickWall(m_history, ray))
        emit wallHovered(*hit);
    else
        emit hoverLeft();
}
