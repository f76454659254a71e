#include "analysis/PipeCondition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analysis {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInvertSag = 0.1524; // a horse-shoe's invert arc is this deep whatever its size
constexpr double kMaxGap = 5.0;       // degrees between points still counted as covered
constexpr int kBins = 180;            // 2-degree sectors about the centre
constexpr double kBinWidth = 2.0 * kPi / kBins;
// Of the pipe's height: how far inside the wall fitted on the upper part a
// point must lie to be set aside as a deposit before the wall is fitted all
// round (an 8 % oval departs from that fit by about 1 % of its height).
constexpr double kCoarseCut = 0.02;
// Of the pipe's height: an oval term of a fit over every point up to which
// no deposit can be hiding in it.
constexpr double kPlainOval = 0.005;
// Degrees between the pitch of one ping and the next beyond which the tilt
// of that scan is in doubt: a head on a float or skid does not turn that
// fast, so such a step is a change the pitch readings only caught up with.
constexpr double kMaxPitchStep = 3.0;
// Of the depth a stretch of profile lying inside the fitted wall must have
// against the fit's own scatter before it counts as a deposit.
constexpr double kDebrisScales = 3.0;
// A surface inside the wall that sags between its ends by more than this
// share of the wall's own sag over the same chord is shaped like wall, not
// like something lying on it.
constexpr double kWallLikeSag = 0.5;
// A full turn's first and last points look the same way a turn apart: where
// the wall they see differs by more than this share of the pipe's height
// (or twice the fit's scatter, well clear of what the medians of a few rough
// wall points can differ by), the pipe changed within the scan. Not more:
// a scan half one wall and half another has a wide scatter of its own.
constexpr double kSeamStep = 0.01;
constexpr std::size_t kSeamPoints = 8;
// Sectors either side of straight down a stretch inside the wall must reach
// to be a deposit: what settles or rolls there lies on the invert, and a
// piece of wall standing in further up the side is the fit's error.
constexpr int kInvertReach = 5;
// Sectors side by side a stretch inside the wall needs to be a deposit.
constexpr int kMinDepositSectors = 3;

// Degrees of bearing the points cover: the full turn less every gap wider
// than kMaxGap. work is scratch space.
double Coverage(std::span<const double> bearings, std::vector<double>& work) {
    if (bearings.size() < 2) return 0.0;
    work.assign(bearings.begin(), bearings.end());
    for (double& b : work) {
        b = std::fmod(b, 360.0);
        if (b < 0.0) b += 360.0;
    }
    std::sort(work.begin(), work.end());
    double uncovered = 0.0;
    for (std::size_t i = 0; i < work.size(); ++i) {
        const double next = i + 1 < work.size() ? work[i + 1] : work[0] + 360.0;
        const double gap = next - work[i];
        if (gap > kMaxGap) uncovered += gap;
    }
    return std::max(0.0, 360.0 - uncovered);
}

double AngleOf(double c, double s) {
    double a = std::atan2(s, c);
    if (a < 0.0) a += 2.0 * kPi;
    return a;
}

int BinOf(double a) {
    return std::clamp(static_cast<int>(a / kBinWidth), 0, kBins - 1);
}

// The largest step in pitch between neighbouring pings of a scan that both
// have one, degrees.
double LargestPitchStep(std::span<const ProfileSample> scan) {
    double largest = 0.0, previous = std::numeric_limits<double>::quiet_NaN();
    for (const ProfileSample& s : scan) {
        if (!std::isfinite(s.pitch)) continue;
        if (std::isfinite(previous)) largest = std::max(largest, std::fabs(s.pitch - previous));
        previous = s.pitch;
    }
    return largest;
}

// The median of values, reordering them.
double Median(std::span<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// How far a curve bends outward (away from the centre at the origin) past
// the chord between its ends: the mean distance of its inner points beyond
// that chord, negative where they lie inside it. A mean, not the largest:
// a mound's flank bends out at its foot and in at its top, and evens out.
double Sag(std::span<const double> xs, std::span<const double> ys) {
    const std::size_t n = xs.size();
    const double ax = xs[0], ay = ys[0], bx = xs[n - 1], by = ys[n - 1];
    const double ex = bx - ax, ey = by - ay, length = std::hypot(ex, ey);
    if (length <= 0.0) return 0.0;
    // Unit normal of the chord pointing away from the centre.
    double nx = ey / length, ny = -ex / length;
    if (nx * ax + ny * ay < 0.0) {
        nx = -nx;
        ny = -ny;
    }
    double sum = 0.0;
    for (std::size_t i = 1; i + 1 < n; ++i)
        sum += (xs[i] - ax) * nx + (ys[i] - ay) * ny;
    return n > 2 ? sum / static_cast<double>(n - 2) : 0.0;
}

} // namespace

NominalOutline::NominalOutline(const NominalPipe& pipe) : m_pipe(pipe) {
    m_circle = pipe.shape == NominalShape::Circle;
    switch (pipe.shape) {
    case NominalShape::Circle:
        m_area = kPi * pipe.diameter * pipe.diameter / 4.0;
        break;
    case NominalShape::IrregularCircle:
        m_area =
            kPi *
            (pipe.upperDiameter * pipe.upperDiameter + pipe.lowerDiameter * pipe.lowerDiameter) /
            8.0;
        break;
    case NominalShape::HorseShoe: {
        // Crown half circle, straight walls, and an invert arc through the
        // walls' ends that sags kInvertSag below them; a shoe too low for
        // its invert keeps the invert and loses its walls.
        const double w = pipe.width, r = w / 2.0;
        const double h = std::max(pipe.height, r + kInvertSag);
        m_crown = r;
        m_wallBottom = -(h - r - kInvertSag);
        m_invertRadius = w * w / (8.0 * kInvertSag) + kInvertSag / 2.0;
        m_invertCentre = m_wallBottom - kInvertSag + m_invertRadius;
        const double segment = m_invertRadius * m_invertRadius *
                                   std::acos((m_invertRadius - kInvertSag) / m_invertRadius) -
                               (m_invertRadius - kInvertSag) * r;
        m_area = kPi * r * r / 2.0 + w * (-m_wallBottom) + segment;
        break;
    }
    }
}

double NominalOutline::Radius(double c, double s) const {
    switch (m_pipe.shape) {
    case NominalShape::Circle:
        return m_pipe.diameter / 2.0;
    case NominalShape::IrregularCircle:
        return (s >= 0.0 ? m_pipe.upperDiameter : m_pipe.lowerDiameter) / 2.0;
    case NominalShape::HorseShoe:
        break;
    }
    if (s >= 0.0) return m_crown;
    if (std::fabs(c) > 1e-12) {
        const double t = m_crown / std::fabs(c);
        if (t * s >= m_wallBottom) return t; // a wall
    }
    // The invert circle holds the centre, so the ray leaves it exactly once.
    const double uc = s * m_invertCentre;
    const double k = m_invertCentre * m_invertCentre - m_invertRadius * m_invertRadius;
    return uc + std::sqrt(std::max(0.0, uc * uc - k));
}

ScanAnalyser::ScanAnalyser(const NominalPipe& pipe, const AnalysisOptions& options)
    : m_outline(pipe), m_options(options) {}

void ScanAnalyser::SetPipe(const NominalPipe& pipe) {
    m_outline = NominalOutline(pipe);
}

bool ScanAnalyser::SeparateDeposit(bool full, double size, double& cx, double& cy) {
    const std::size_t n = m_points.size();
    // The wall where no deposit reaches: everything above a level a little
    // below the centre of the fit over every point (a deposit can only have
    // pulled that centre up). A deposit is at most 0.3 of the pipe's height
    // deep, so its surface stays 0.2 of the height below the true centre.
    const double level = cy - 0.1 * size;
    std::size_t above = 0;
    for (std::size_t i = 0; i < n; ++i) {
        m_use[i] = m_points[i].y > level ? 1 : 0;
        above += m_use[i];
    }
    if (above < m_options.minPoints || !FitCentre(full, true, cx, cy)) return false;
    // Points on the lower side lying inside that wall by more than the fit's
    // scatter are a deposit's surface, not wall. The wall fitted on part of
    // the turn is a poor guide to the rest of an oval, so the first cut is
    // coarse; the finer cuts then come from the fit over all of the wall.
    for (int pass = 0; pass < 3; ++pass) {
        const double cut = std::max(
            {m_options.debrisDeadband, 4.0 * FitScale(), pass == 0 ? kCoarseCut * size : 0.0});
        m_usePrevious.swap(m_use);
        m_use.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Point& p = m_points[i];
            m_use[i] = p.rho > 0.0 && !(p.s < -0.05 && m_residual[i] < -cut) ? 1 : 0;
        }
        if (pass > 0 && m_use == m_usePrevious) break; // the fit already is that one
        if (!FitCentre(full, true, cx, cy)) return false;
    }
    return true;
}

ScanFigures ScanAnalyser::Analyse(std::span<const ProfileSample> scan) {
    ScanFigures f;
    m_analysed.clear();
    for (const ProfileSample& s : scan) {
        AnalysedPoint a;
        TiltCorrected(s, a.x, a.y);
        m_analysed.push_back(a);
    }
    if (scan.empty()) return f;
    // A scan over which the head's tilt jumped has part of its points
    // corrected with a pitch they were not taken at: its shape is no figure.
    const bool steadyTilt = LargestPitchStep(scan) <= kMaxPitchStep;
    const ProfileSample& middle = scan[scan.size() / 2];
    f.time = middle.time;
    f.distance = middle.distance;

    m_points.clear();
    m_bearings.clear();
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const ProfileSample& s = scan[i];
        const AnalysedPoint& a = m_analysed[i];
        if (!(s.range > m_options.minRange) || !std::isfinite(a.x) || !std::isfinite(a.y) ||
            !std::isfinite(s.bearing) || std::fabs(a.x) > 1e4 || std::fabs(a.y) > 1e4)
            continue;
        m_points.push_back(Point{a.x, a.y, s.bearing, 0.0, 1.0, 0.0, 0.0});
        m_bearings.push_back(s.bearing);
    }
    f.points = m_points.size();
    f.coverage = Coverage(m_bearings, m_work);
    if (f.points < m_options.minPoints || f.coverage < m_options.fitCoverage) return f;

    const bool full = f.coverage >= m_options.fullCoverage;
    const std::size_t n = m_points.size();
    double cx = 0.0, cy = 0.0;
    // The fit over every point. Where nothing on the lower side lies well
    // inside it, and it has no oval a wide flat layer could have bent it
    // into, there is no deposit to set aside and it stands.
    m_use.assign(n, 1);
    if (!FitCentre(full, false, cx, cy)) return f;
    const double size =
        m_beta[0] * m_outline.Radius(0.0, 1.0) + m_beta[0] * m_outline.Radius(0.0, -1.0);
    const double coarse = std::max(m_options.debrisDeadband, kCoarseCut * size);
    bool deposit = std::hypot(m_beta[3], m_beta[4]) > kPlainOval * size;
    for (std::size_t i = 0; i < n && !deposit; ++i)
        deposit = m_points[i].s < -0.05 && m_residual[i] < -coarse;
    if (deposit && !SeparateDeposit(full, size, cx, cy)) {
        m_use.assign(n, 1);
        if (!FitCentre(full, false, cx, cy)) return f;
    }
    f.centreX = cx;
    f.centreY = cy;
    // Where a full turn does not close on itself the wall changed under the
    // head within the scan (the end of an oval stretch, a joint): its points
    // are half one pipe and half another, and neither the wall's figures nor
    // debris measured against a wall fitted between the two are true.
    bool closes = true;
    if (full && n >= 4 * kSeamPoints) {
        double turn = std::fmod(std::fabs(m_points[n - 1].bearing - m_points[0].bearing), 360.0);
        turn = std::min(turn, 360.0 - turn);
        if (turn <= 2.0 * kMaxGap) {
            std::array<double, kSeamPoints> first{}, last{};
            for (std::size_t i = 0; i < kSeamPoints; ++i) {
                first[i] = m_residual[i];
                last[i] = m_residual[n - kSeamPoints + i];
            }
            const double step = std::fabs(Median(first) - Median(last));
            closes = step <= std::max(kSeamStep * size, 2.0 * FitScale());
        }
    }
    const bool steady = steadyTilt && closes;
    // A pipe too large for its area to be a number has no nominal area.
    if (std::isfinite(m_outline.Area())) f.nominalArea = m_outline.Area();
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const ProfileSample& s = scan[i];
        AnalysedPoint& a = m_analysed[i];
        if (!(s.range > m_options.minRange) || !std::isfinite(a.x) || !std::isfinite(a.y)) continue;
        const double dx = a.x - cx, dy = a.y - cy, rho = std::hypot(dx, dy);
        if (rho > 0.0) a.deviation = m_outline.Radius(dx / rho, dy / rho) - rho;
    }

    // The wall about the centre in 2-degree sectors: inliers of the fit only,
    // so debris and stray echoes do not shorten a diameter; a sector without
    // any takes the fitted wall.
    std::array<double, kBins> wallSum{};
    std::array<int, kBins> wallCount{}, allCount{};
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const Point& p = m_points[i];
        if (p.rho <= 0.0) continue;
        const int k = BinOf(AngleOf(p.c, p.s));
        ++allCount[k];
        if (m_weight[i] > 0.0) {
            wallSum[k] += p.rho;
            ++wallCount[k];
        }
    }
    auto binDirection = [](int k, double& c, double& s) {
        const double a = (k + 0.5) * kBinWidth;
        c = std::cos(a);
        s = std::sin(a);
    };
    // Too little wall left beside the debris to tell a deformed pipe from a
    // deep deposit: no diameters and no debris rather than a guess.
    int wallBins = 0;
    for (int k = 0; k < kBins; ++k)
        wallBins += wallCount[k] > 0 ? 1 : 0;
    const bool wallEnough = wallBins * 360.0 / kBins >= m_options.wallCoverage;

    if (full && wallEnough && steady) {
        std::array<double, kBins> wall{};
        for (int k = 0; k < kBins; ++k) {
            double c, s;
            binDirection(k, c, s);
            wall[k] = wallCount[k] > 0 ? wallSum[k] / wallCount[k] : ModelRadius(c, s);
        }
        double sum = 0.0, lo = 1e300, hi = -1e300;
        int loBin = 0;
        for (int k = 0; k < kBins / 2; ++k) {
            const double d = wall[k] + wall[k + kBins / 2];
            sum += d;
            if (d < lo) {
                lo = d;
                loBin = k;
            }
            hi = std::max(hi, d);
        }
        f.meanDiameter = sum / (kBins / 2);
        f.minDiameter = lo;
        f.maxDiameter = hi;
        f.ovality =
            f.meanDiameter > 0.0 ? 100.0 * (f.meanDiameter - lo) / f.meanDiameter : kNoValue;
        const double bearing = 90.0 - (loBin + 0.5) * 360.0 / kBins;
        f.minDiameterBearing = bearing < 0.0 ? bearing + 180.0 : bearing;
    }
    if (full) {
        // The open section: the profile polygon in the order the head swept it.
        double twice = 0.0;
        for (std::size_t i = 0; i < m_points.size(); ++i) {
            const Point& p = m_points[i];
            const Point& q = m_points[(i + 1) % m_points.size()];
            twice += p.x * q.y - q.x * p.y;
        }
        f.openArea = std::fabs(twice) / 2.0;
        // The loss is against the wall as fitted; a scan the pipe changed
        // within has no true wall to lose area against (its polygon can even
        // come out larger than the pipe).
        if (f.nominalArea > 0.0 && steady)
            f.areaLoss = 100.0 * (f.nominalArea - f.openArea) / f.nominalArea;
    }
    if (!wallEnough || !steady) return f;

    // Debris: the lower half's sectors where the profile lies inside the
    // fitted wall (the nominal outline as fitted, with its oval) by more than
    // the deadband and more than the fit's own scatter. Measured from the
    // fitted wall, not the bare nominal outline, so a squashed pipe does not
    // count as debris on its invert.
    const double cut = std::max(m_options.debrisDeadband, kDebrisScales * FitScale());
    // How far each point lies inside the fitted wall, grouped by sector.
    std::array<double, kBins> wallAt{};
    std::array<int, kBins + 1> from{};
    for (int k = 0; k < kBins; ++k)
        from[k + 1] = from[k] + allCount[k];
    m_bySector.resize(static_cast<std::size_t>(from[kBins]));
    std::array<int, kBins> filled{};
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const Point& p = m_points[i];
        if (p.rho <= 0.0) continue;
        const int k = BinOf(AngleOf(p.c, p.s));
        m_bySector[static_cast<std::size_t>(from[k] + filled[k]++)] = -m_residual[i];
    }
    // A deposit is a surface several sectors wide; a stray echo is one point,
    // near or far. Each sector takes the median of the points in it and its
    // two neighbours, so lone echoes neither make a deposit on a bare invert
    // nor a pit or a peak in a real one, while a flat layer's deepest sector
    // (the invert lies between two) keeps its depth. An even count takes the
    // shallower middle point.
    std::array<double, kBins> profileAt{};
    std::array<char, kBins> inside{};
    int covered = 0;
    for (int k = kBins / 2; k < kBins; ++k) {
        if (allCount[k] == 0) continue;
        ++covered;
        double c, s;
        binDirection(k, c, s);
        wallAt[k] = ModelRadius(c, s);
        m_window.clear();
        for (const int j : {k - 1, k, k + 1}) {
            const int w = (j + kBins) % kBins;
            m_window.insert(m_window.end(), m_bySector.begin() + from[w],
                            m_bySector.begin() + from[w + 1]);
        }
        const auto middle =
            m_window.begin() + static_cast<std::ptrdiff_t>((m_window.size() - 1) / 2);
        std::nth_element(m_window.begin(), middle, m_window.end());
        profileAt[k] = wallAt[k] - *middle;
        inside[k] = *middle > cut ? 1 : 0;
    }
    // Sediment settles flat on the invert and a mound bulges there: either
    // reaches the invert and lies on or above the chord between its edges.
    // A stretch further up the side, or one that sags between its edges the
    // way the wall does, is wall the fit does not describe (a scan whose
    // head passed where the pipe changes shape sees half of each) or a
    // deposit only part of the scan saw (one that ends within it): either
    // way no debris figure rather than a wrong one. A stretch of a sector or
    // two, anywhere, is what is left of stray echoes side by side: too
    // narrow to judge and no deposit.
    double depth = 0.0, area = 0.0;
    bool doubtful = false;
    std::array<double, kBins> xs{}, ys{}, wx{}, wy{};
    for (int k = kBins / 2; k < kBins;) {
        if (!inside[k]) {
            ++k;
            continue;
        }
        int end = k;
        while (end < kBins && inside[end])
            ++end;
        const int n = end - k;
        constexpr int invert = kBins * 3 / 4;
        const bool offInvert = end <= invert - kInvertReach || k > invert + kInvertReach;
        if (n < kMinDepositSectors) {
            k = end;
            continue;
        }
        bool wallLike = false;
        if (!offInvert) {
            for (int j = 0; j < n; ++j) {
                double c, s;
                binDirection(k + j, c, s);
                xs[j] = profileAt[k + j] * c;
                ys[j] = profileAt[k + j] * s;
                wx[j] = wallAt[k + j] * c;
                wy[j] = wallAt[k + j] * s;
            }
            const std::size_t m = static_cast<std::size_t>(n);
            const double sag = Sag({xs.data(), m}, {ys.data(), m});
            const double wallSag = Sag({wx.data(), m}, {wy.data(), m});
            wallLike = sag > kWallLikeSag * wallSag && sag > cut / 2.0;
        }
        if (offInvert || wallLike) {
            doubtful = true;
        } else {
            for (int j = k; j < end; ++j) {
                depth = std::max(depth, wallAt[j] - profileAt[j]);
                area += (wallAt[j] * wallAt[j] - profileAt[j] * profileAt[j]) / 2.0 * kBinWidth;
            }
        }
        k = end;
    }
    if (covered >= kBins / 2 * 9 / 10 && !doubtful) {
        f.debrisDepth = depth;
        f.debrisArea = area;
    }
    return f;
}

void ConditionSurvey::Add(const ScanFigures& f) {
    ++m_scans;
    if (f.ovality == f.ovality && !(f.ovality <= m_worstOvality)) {
        m_worstOvality = f.ovality;
        m_worstOvalityDistance = f.distance;
    }
    if (f.areaLoss == f.areaLoss && !(f.areaLoss <= m_worstAreaLoss)) {
        m_worstAreaLoss = f.areaLoss;
        m_worstAreaLossDistance = f.distance;
    }
    // Average end area between neighbours; a scan without a debris figure
    // breaks the chain rather than bridging a stretch nobody measured.
    const bool has = f.debrisArea == f.debrisArea && std::isfinite(f.distance);
    if (has && m_havePrevious)
        m_debrisVolume +=
            (m_previousArea + f.debrisArea) / 2.0 * std::fabs(f.distance - m_previousDistance);
    m_havePrevious = has;
    m_previousArea = has ? f.debrisArea : 0.0;
    m_previousDistance = f.distance;
}

} // namespace analysis
