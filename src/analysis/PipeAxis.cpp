#include "analysis/PipeAxis.h"

#include "analysis/WorldCrs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace geo {

namespace {

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Norm(const Vec3& a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

} // namespace

PipeAxis::PipeAxis(const survey::NodeCoordinates& start, const survey::NodeCoordinates& finish,
                   double heightMetres, double metresPerUnit)
    : m_metresPerUnit(metresPerUnit > 0.0 ? metresPerUnit : 1.0) {
    const Vec3 d{finish.x - start.x, finish.y - start.y, finish.z - start.z};
    const double length = Norm(d);
    if (!(length > 0.0) || !std::isfinite(length)) return;
    m_length = length;
    for (int i = 0; i < 3; ++i)
        m_along[i] = d[i] / length;
    // Right of the way along, level; a pipe straight down (no level way) has
    // east as its right so the frame stays defined.
    Vec3 right = Cross(m_along, {0.0, 0.0, 1.0});
    const double level = Norm(right);
    right = level > 1e-9 ? Vec3{right[0] / level, right[1] / level, right[2] / level}
                         : Vec3{1.0, 0.0, 0.0};
    m_right = right;
    m_up = Cross(m_right, m_along);
    m_half = 0.5 * heightMetres / m_metresPerUnit;
    m_origin = {start.x + m_half * m_up[0], start.y + m_half * m_up[1], start.z + m_half * m_up[2]};
}

Vec3 PipeAxis::Place(double s, double right, double up) const {
    const double a = s * m_stretch / m_metresPerUnit;
    const double r = right / m_metresPerUnit, u = up / m_metresPerUnit;
    Vec3 p;
    for (int i = 0; i < 3; ++i)
        p[i] = m_origin[i] + a * m_along[i] + r * m_right[i] + u * m_up[i];
    return p;
}

Vec3 PipeAxis::OnInvert(double s) const {
    Vec3 p = OnAxis(s);
    for (int i = 0; i < 3; ++i)
        p[i] -= m_half * m_up[i];
    return p;
}

double NominalHeight(const analysis::NominalPipe& pipe) {
    switch (pipe.shape) {
    case analysis::NominalShape::HorseShoe:
        return pipe.height;
    case analysis::NominalShape::IrregularCircle:
        return std::max(pipe.upperDiameter, pipe.lowerDiameter);
    case analysis::NominalShape::Circle:
        break;
    }
    return pipe.diameter;
}

std::string SurveyPlace::UnitSymbol() const {
    if (crs.metresPerUnit == 1.0) return "m";
    // The US survey foot is two parts in a million longer than the foot.
    if (crs.IsFeet()) return crs.metresPerUnit > 0.30480031 ? "US ft" : "ft";
    return crs.unitName;
}

std::optional<SurveyPlace> PlaceOfSurvey(const survey::SurveyDetails& d,
                                         const analysis::NominalPipe& pipe, std::string* why) {
    std::string reason;
    std::optional<SurveyPlace> place;
    if (d.startNodeCoordinates && d.finishNodeCoordinates && !d.crs.empty()) {
        CrsResult crs = ResolveCrs(d.crs);
        if (!crs.crs) {
            reason = crs.error;
        } else {
            const double height = d.heightMm ? *d.heightMm / 1000.0 : NominalHeight(pipe);
            PipeAxis axis(*d.startNodeCoordinates, *d.finishNodeCoordinates, height,
                          crs.crs->metresPerUnit);
            if (axis.Valid())
                place.emplace(SurveyPlace{std::move(*crs.crs), axis});
            else
                reason = "the start and finish nodes' coordinates are the same place";
        }
    }
    if (why) *why = reason;
    return place;
}

Vec3 PlaceHit(const PipeAxis& axis, const analysis::WallHit& hit) {
    const analysis::SectionPoint p = analysis::OnSection(hit.x, hit.y, hit.frame);
    return axis.Place(hit.distance, p.right, p.up);
}

double LengthBetweenNodes(const survey::SurveyDetails& d) {
    if (!d.startNodeCoordinates || !d.finishNodeCoordinates || d.crs.empty())
        return analysis::kNoValue;
    const CrsResult crs = ResolveCrs(d.crs);
    if (!crs.crs) return analysis::kNoValue;
    const PipeAxis axis(*d.startNodeCoordinates, *d.finishNodeCoordinates, 0.0,
                        crs.crs->metresPerUnit);
    return axis.Valid() ? axis.Length() : analysis::kNoValue;
}

std::string LengthNote(double measured, double betweenNodes) {
    if (!(betweenNodes > 0.0) || !std::isfinite(measured)) return {};
    const double pct = 100.0 * (measured - betweenNodes) / betweenNodes;
    if (std::fabs(pct) <= 2.0) return {};
    char text[200];
    std::snprintf(text, sizeof text,
                  "the measured length %.2f m and the %.2f m between the nodes differ by %+.1f %%",
                  measured, betweenNodes, pct);
    return text;
}

void ScanPlacer::Add(const ScanFigures& f, std::span<const ProfileSample> samples,
                     std::span<const AnalysedPoint> points, std::uint32_t number,
                     const Emit& emit) {
    if (!f.HasCentre()) {
        if (m_waiting.size() >= kMaxWaiting) {
            const Waiting& w = m_waiting.front();
            Place(w.figures, w.samples, w.points, w.number, m_cx, m_cy, emit);
            m_waiting.pop_front();
        }
        m_waiting.push_back(
            {f, {samples.begin(), samples.end()}, {points.begin(), points.end()}, number});
        return;
    }
    // The scans waiting go to whichever fitted neighbour lies nearer.
    for (const Waiting& w : m_waiting) {
        const bool previous = m_haveCentre && std::fabs(w.figures.distance - m_centreAt) <
                                                  std::fabs(f.distance - w.figures.distance);
        Place(w.figures, w.samples, w.points, w.number, previous ? m_cx : f.centreX,
              previous ? m_cy : f.centreY, emit);
    }
    m_waiting.clear();
    m_haveCentre = true;
    m_cx = f.centreX;
    m_cy = f.centreY;
    m_centreAt = f.distance;
    Place(f, samples, points, number, m_cx, m_cy, emit);
}

void ScanPlacer::Flush(const Emit& emit) {
    for (const Waiting& w : m_waiting)
        Place(w.figures, w.samples, w.points, w.number, m_cx, m_cy, emit);
    m_waiting.clear();
}

void ScanPlacer::Place(const ScanFigures& f, std::span<const ProfileSample> samples,
                       std::span<const AnalysedPoint> points, std::uint32_t number, double cx,
                       double cy, const Emit& emit) {
    m_placed.resize(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const ProfileSample& s = samples[i];
        // Tilt-corrected as the figures are, about the fitted centre, turned
        // so the pipe's up is up.
        double x = s.x, y = s.y;
        if (i < points.size()) x = points[i].x, y = points[i].y;
        const analysis::SectionPoint at = analysis::OnSection(x, y, cx, cy, s.upBearing);
        const double chainage = std::isfinite(s.distance) ? s.distance : 0.0;
        m_placed[i] = {i, m_axis.Place(chainage, at.right, at.up)};
    }
    emit(f, samples, points, number, m_placed);
}

} // namespace geo
