// The centre fit of one scan: a robust least-squares circle (or oval) through
// the wall points, and the scale of their scatter about it. Split from
// PipeCondition.cpp, which cuts the scan into wall and deposit around it.
#include "analysis/PipeCondition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analysis {

namespace {

constexpr double kMinScale = 0.001; // metres: the fit trusts no wall finer than a millimetre

// Solves the n x n system a x = b (row-major, n <= 5) by elimination with
// partial pivoting; false when it is singular.
bool Solve(std::array<double, 25>& a, std::array<double, 5>& b, int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r * 5 + col]) > std::fabs(a[pivot * 5 + col])) pivot = r;
        if (std::fabs(a[pivot * 5 + col]) < 1e-12) return false;
        if (pivot != col) {
            for (int k = 0; k < n; ++k)
                std::swap(a[col * 5 + k], a[pivot * 5 + k]);
            std::swap(b[col], b[pivot]);
        }
        for (int r = col + 1; r < n; ++r) {
            const double f = a[r * 5 + col] / a[col * 5 + col];
            for (int k = col; k < n; ++k)
                a[r * 5 + k] -= f * a[col * 5 + k];
            b[r] -= f * b[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double v = b[r];
        for (int k = r + 1; k < n; ++k)
            v -= a[r * 5 + k] * b[k];
        b[r] = v / a[r * 5 + r];
    }
    return true;
}

} // namespace

double ScanAnalyser::ModelRadius(double c, double s) const {
    double r = m_beta[0] * m_outline.Radius(c, s);
    if (m_withOval) r += m_beta[3] * (c * c - s * s) + m_beta[4] * (2.0 * c * s);
    return r;
}

bool ScanAnalyser::FitCentre(bool withOval, bool fromGiven, double& cx, double& cy) {
    const std::size_t n = m_points.size();
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i)
        used += m_use[i] ? 1 : 0;
    if (used < 3 + (withOval ? 2u : 0u)) return false;
    if (!fromGiven) {
        // Start: the algebraic circle through the points, x^2 + y^2 + Dx + Ey + F = 0.
        std::array<double, 25> a{};
        std::array<double, 5> b{};
        for (std::size_t i = 0; i < n; ++i) {
            if (!m_use[i]) continue;
            const Point& p = m_points[i];
            const double z = p.x * p.x + p.y * p.y;
            const double row[3] = {p.x, p.y, 1.0};
            for (int r = 0; r < 3; ++r) {
                for (int k = 0; k < 3; ++k)
                    a[r * 5 + k] += row[r] * row[k];
                b[r] -= row[r] * z;
            }
        }
        if (!Solve(a, b, 3)) return false;
        cx = -b[0] / 2.0;
        cy = -b[1] / 2.0;
    }
    m_withOval = withOval;
    const int terms = withOval ? 5 : 3;
    m_weight.resize(n);
    m_residual.resize(n);
    m_work.resize(n);
    // A fit started from a centre already found needs little Huber damping.
    const int kHuberRounds = fromGiven ? 1 : 4;
    constexpr int kMaxRounds = 40;
    constexpr double kSettled = 1e-7; // m the centre may still move in a settled round
    // A circle's outline is one radius whatever the direction; other shapes
    // are asked point by point, once a round.
    const bool circle = m_outline.IsCircle();
    const double circleRadius = circle ? m_outline.Radius(1.0, 0.0) : 0.0;
    const auto radius = [&](double c, double s) {
        return circle ? circleRadius : m_outline.Radius(c, s);
    };
    // The weights of a round come from the residuals of the round before,
    // worked out as each point is summed: the first round weighs every point
    // it uses alike, the next ones by Huber and then Tukey beyond `cut`.
    bool weighted = false, tukey = false;
    double cut = 0.0;
    // One round's normal equations with the number of terms fixed, so the
    // sums stay in registers; the same products added in the same order.
    const auto normalEquations = [&]<int Terms>(std::array<double, 25>& a,
                                                std::array<double, 5>& b) {
        // Each point's bearing from the centre first: no point waits on
        // another's square root and division, so they overlap.
        for (std::size_t i = 0; i < n; ++i) {
            Point& p = m_points[i];
            const double dx = p.x - cx, dy = p.y - cy;
            p.rho = std::sqrt(dx * dx + dy * dy);
            if (p.rho <= 0.0) {
                p.c = 1.0;
                p.s = 0.0;
            } else {
                p.c = dx / p.rho;
                p.s = dy / p.rho;
            }
            p.r = radius(p.c, p.s);
        }
        double sa[Terms][Terms] = {}, sb[Terms] = {};
        for (std::size_t i = 0; i < n; ++i) {
            const Point& p = m_points[i];
            double w = m_use[i] && p.rho > 0.0 ? 1.0 : 0.0;
            if (weighted && w > 0.0) {
                const double e = std::fabs(m_residual[i]);
                if (tukey) {
                    const double u = e / cut;
                    w = u < 1.0 ? (1.0 - u * u) * (1.0 - u * u) : 0.0;
                } else {
                    w = e <= cut ? 1.0 : cut / e;
                }
            }
            m_weight[i] = w;
            if (w <= 0.0) continue;
            const double phi[5] = {p.r, p.c, p.s, p.c * p.c - p.s * p.s, 2.0 * p.c * p.s};
#pragma GCC unroll 5
            for (int r = 0; r < Terms; ++r) {
                const double wr = w * phi[r];
#pragma GCC unroll 5
                for (int k = r; k < Terms; ++k)
                    sa[r][k] += wr * phi[k];
                sb[r] += wr * p.rho;
            }
        }
        for (int r = 0; r < Terms; ++r) {
            for (int k = r; k < Terms; ++k)
                a[r * 5 + k] = sa[r][k];
            b[r] = sb[r];
        }
    };
    for (int round = 0; round <= kMaxRounds; ++round) {
        std::array<double, 25> a{};
        std::array<double, 5> b{};
        if (withOval)
            normalEquations.template operator()<5>(a, b);
        else
            normalEquations.template operator()<3>(a, b);
        for (int r = 0; r < terms; ++r)
            for (int k = 0; k < r; ++k)
                a[r * 5 + k] = a[k * 5 + r];
        if (!Solve(a, b, terms)) return false;
        for (int k = 0; k < 5; ++k)
            m_beta[k] = k < terms ? b[k] : 0.0;
        // Residuals about the model just solved, for the next weights and
        // for whoever reads the scale after the fit; the sizes of those the
        // fit uses go to the scale as they come.
        std::size_t used = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Point& p = m_points[i];
            const double e =
                p.rho - (m_beta[0] * p.r + m_beta[1] * p.c + m_beta[2] * p.s) -
                (withOval ? m_beta[3] * (p.c * p.c - p.s * p.s) + m_beta[4] * (2.0 * p.c * p.s)
                          : 0.0);
            m_residual[i] = e;
            m_work[used] = std::fabs(e);
            used += m_use[i] ? 1 : 0;
        }
        // The last round only measures the model about the final centre.
        if (round == kMaxRounds) break;

        // The first harmonic is the centre's offset from where it was taken.
        cx += m_beta[1];
        cy += m_beta[2];
        const double shift = std::hypot(m_beta[1], m_beta[2]);
        const bool settled = shift < kSettled;
        // A Tukey round that no longer moves the centre is the fit. Huber
        // damping ends once it has settled (more of it would give the same
        // start) or after its rounds, whichever comes first; the plain first
        // round never counts as settled, for it has not yet looked at outliers.
        if (tukey && settled) round = kMaxRounds - 1;
        tukey = tukey || round >= kHuberRounds || (weighted && settled);
        weighted = true;
        cut = (tukey ? 4.685 : 1.345) * MedianScale(used);
    }
    return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(m_beta[0]);
}

double ScanAnalyser::MedianScale(std::size_t count) {
    if (count == 0) return kMinScale;
    const auto first = m_work.begin();
    const auto middle = first + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(first, middle, first + static_cast<std::ptrdiff_t>(count));
    return std::max(1.4826 * *middle, kMinScale);
}

double ScanAnalyser::FitScale() {
    std::size_t used = 0;
    m_work.resize(m_points.size());
    for (std::size_t i = 0; i < m_points.size(); ++i)
        if (m_use[i]) m_work[used++] = std::fabs(m_residual[i]);
    return MedianScale(used);
}

} // namespace analysis
