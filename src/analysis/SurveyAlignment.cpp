#include "analysis/SurveyAlignment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace analysis {

namespace {

// The figures whose profiles the surveys are aligned by: the pipe's own
// shape, which a later survey finds again where nothing has changed.
constexpr std::array<ScanFigure, 2> kAlignBy = {&ScanFigures::meanDiameter, &ScanFigures::ovality};

// The coarsest profile cell the search starts from, and the fewest cells
// the later survey must span on it for the correlation to mean anything.
constexpr double kCoarsestCell = 0.8;
constexpr double kFewestCells = 24.0;
// Finer searches after the finest profile: each halves the steps.
constexpr int kExtraHalvings = 3;

void Extent(std::span<const ScanFigures> scans, double& lo, double& hi) {
    lo = INFINITY;
    hi = -INFINITY;
    for (const ScanFigures& f : scans)
        if (std::isfinite(f.distance)) {
            lo = std::min(lo, f.distance);
            hi = std::max(hi, f.distance);
        }
    if (!(lo <= hi)) lo = hi = 0.0;
}

// The profiles of one survey on one level of the search, and their
// gradients (the change across each cell, see Slope).
// A step of the pipe's figures, where a layer starts or an oval stretch
// ends, is a single spike of the gradient: it correlates only where the
// steps of both surveys coincide, while the levels on either side of it
// still correlate nearly as well with the step a cell or two away.
struct Level {
    double cell = 0.0;
    std::array<FigureProfile, kAlignBy.size()> older, newer;
    std::array<std::vector<double>, kAlignBy.size()> olderSlope, newerSlope;
    std::array<double, kAlignBy.size()> weight{};
};

// The change across each cell over kSlopeWidth metres (at least a cell
// either side): on fine cells, a difference between neighbours would be
// mostly the scans' noise.
constexpr double kSlopeWidth = 0.4;

std::vector<double> Slope(const std::vector<double>& v, double cell) {
    const auto k = static_cast<std::size_t>(std::max(1.0, std::round(kSlopeWidth / 2.0 / cell)));
    std::vector<double> d(v.size(), kNoValue);
    for (std::size_t i = k; i + k < v.size(); ++i)
        if (std::isfinite(v[i - k]) && std::isfinite(v[i + k])) d[i] = v[i + k] - v[i - k];
    return d;
}

// The share of a profile's variance that is the pipe's rather than noise
// (noise from the differences between neighbouring cells): a figure that
// stays the same along the pipe correlates by chance and must not drown
// one that shows its features.
double SignalShare(const std::vector<double>& v) {
    double n = 0, sum = 0, sq = 0, diff = 0, pairs = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!std::isfinite(v[i])) continue;
        n += 1;
        sum += v[i];
        sq += v[i] * v[i];
        if (i > 0 && std::isfinite(v[i - 1])) {
            diff += (v[i] - v[i - 1]) * (v[i] - v[i - 1]);
            pairs += 1;
        }
    }
    if (n < 3 || pairs < 2) return 0.0;
    const double total = (sq - sum * sum / n) / (n - 1);
    const double noise = diff / pairs / 2.0;
    return total > 0.0 ? std::clamp(1.0 - noise / total, 0.0, 1.0) : 0.0;
}

// Pearson's r between the later survey's series a (its chainage, value i at
// (i + at) cells) and the earlier one's b at scale x chainage + offset, read
// between its values. NaN when the two overlap too little or either is flat.
double Pearson(const std::vector<double>& a, const std::vector<double>& b, double h, double scale,
               double offset, double at) {
    const double n0 = static_cast<double>(b.size());
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    std::size_t haveA = 0, haveB = 0;
    for (double v : a)
        haveA += std::isfinite(v);
    for (double v : b)
        haveB += std::isfinite(v);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double va = a[i];
        if (!std::isfinite(va)) continue;
        const double u = (scale * (static_cast<double>(i) + at) * h + offset) / h - at;
        if (u < 0.0 || u > n0 - 1.0) continue;
        const auto j = static_cast<std::size_t>(u);
        const double w = u - static_cast<double>(j);
        const double lo = b[j], hi = j + 1 < b.size() ? b[j + 1] : lo;
        double vb;
        if (std::isfinite(lo) && std::isfinite(hi))
            vb = lo + (hi - lo) * w;
        else if (std::isfinite(lo) && w < 0.5)
            vb = lo;
        else if (std::isfinite(hi) && w >= 0.5)
            vb = hi;
        else
            continue;
        n += 1;
        sa += va;
        sb += vb;
        saa += va * va;
        sbb += vb * vb;
        sab += va * vb;
    }
    const double least = std::max(8.0, 0.5 * static_cast<double>(std::min(haveA, haveB)));
    if (n < least) return kNoValue;
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n, cov = sab - sa * sb / n;
    // A series that does not vary along either survey says nothing of where
    // they match.
    if (!(va > 1e-18 * n) || !(vb > 1e-18 * n)) return kNoValue;
    return cov / std::sqrt(va * vb);
}

struct Best {
    double scale = 1.0, offset = 0.0;
    double score = kNoValue; // what the search maximises: levels and gradients
    double level = kNoValue; // the correlation of the levels alone, as reported
};

// Pearson's r of each figure's profiles, and the mean of it and the r of
// their gradients, each averaged over the figures that vary on both (with
// the weight of each one's share of signal).
Best Score(const Level& level, double scale, double offset) {
    double sum = 0.0, both = 0.0, weights = 0.0, plain = 0.0, plainBoth = 0.0;
    int figures = 0;
    for (std::size_t f = 0; f < kAlignBy.size(); ++f) {
        const double r =
            Pearson(level.newer[f].values, level.older[f].values, level.cell, scale, offset, 0.5);
        if (!std::isfinite(r)) continue;
        const double g =
            Pearson(level.newerSlope[f], level.olderSlope[f], level.cell, scale, offset, 0.5);
        const double mixed = std::isfinite(g) ? 0.5 * (r + g) : r;
        sum += level.weight[f] * r;
        both += level.weight[f] * mixed;
        weights += level.weight[f];
        plain += r;
        plainBoth += mixed;
        ++figures;
    }
    Best b{scale, offset};
    if (!figures) return b;
    b.level = weights > 1e-6 ? sum / weights : plain / figures;
    b.score = weights > 1e-6 ? both / weights : plainBoth / figures;
    return b;
}

// Every pair on the grid of steps within the window, clamped to the ranges.
void Scan(const Level& level, double sLo, double sHi, double sStep, double oLo, double oHi,
          double oStep, Best& best) {
    const int ns = static_cast<int>(std::floor((sHi - sLo) / sStep + 1e-9));
    const int no = static_cast<int>(std::floor((oHi - oLo) / oStep + 1e-9));
    for (int i = 0; i <= ns; ++i) {
        const double s = sLo + i * sStep;
        for (int k = 0; k <= no; ++k) {
            const Best b = Score(level, s, oLo + k * oStep);
            if (std::isfinite(b.score) && !(b.score <= best.score)) best = b;
        }
    }
}

// How far a score may fall short of the best and still count as a match as
// good: a least amount, and a share of what the best falls short of 1 (the
// noisier the profiles, the more the noise moves the best pair about).
constexpr double kNearlyAsGood = 0.002, kNoiseShare = 0.05;
// The scale steps of the walk along the plateau of near-best matches.
constexpr double kWalkStep = 1.25e-4;

// The best offset for one scale, near where the last one lay.
Best BestOffset(const Level& level, double scale, double around, double half, double step,
                double oLo, double oHi) {
    Best b;
    Scan(level, scale, scale, 1.0, std::max(oLo, around - half), std::min(oHi, around + half), step,
         b);
    return b;
}

// The pair in the middle of the plateau of scales (each with its best
// offset) that match within kNearlyAsGood of the best, and the plateau's
// half-width. Step-shaped features on a short survey match nearly as well
// over a range of scales; its edges are where the noise decides, its middle
// where the steps of both surveys meet best on average.
Best Plateau(const Level& level, Best best, double length, double sLo, double sHi, double oStep,
             double oLo, double oHi, double& spread) {
    const double floor = best.score - kNearlyAsGood - kNoiseShare * (1.0 - best.score);
    std::array<Best, 2> edge{best, best};
    for (int side = 0; side < 2; ++side) {
        const double dir = side ? 1.0 : -1.0;
        Best at = best;
        for (double s = best.scale + dir * kWalkStep; s >= sLo && s <= sHi; s += dir * kWalkStep) {
            const Best b =
                BestOffset(level, s, at.offset, 4 * oStep + kWalkStep * length, oStep, oLo, oHi);
            if (!(b.score >= floor)) break;
            at = b;
        }
        edge[side] = at;
    }
    spread = (edge[1].scale - edge[0].scale) / 2.0;
    const double mid = (edge[0].scale + edge[1].scale) / 2.0;
    const double around = (edge[0].offset + edge[1].offset) / 2.0;
    Best centre =
        BestOffset(level, mid, around, 4 * oStep + std::abs(edge[1].offset - edge[0].offset) / 2.0,
                   oStep, oLo, oHi);
    if (!std::isfinite(centre.score)) return best;
    // The same along the offsets at that scale.
    std::array<double, 2> o{centre.offset, centre.offset};
    for (int side = 0; side < 2; ++side) {
        const double dir = side ? 1.0 : -1.0;
        for (double v = centre.offset + dir * oStep; v >= oLo && v <= oHi; v += dir * oStep) {
            if (!(Score(level, mid, v).score >= floor)) break;
            o[side] = v;
        }
    }
    const Best middle = Score(level, mid, (o[0] + o[1]) / 2.0);
    return std::isfinite(middle.score) ? middle : centre;
}

Alignment Search(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                 Alignment a, const AlignmentOptions& options) {
    const double length = a.newerEnd - a.newerStart;
    const double olderLength = a.olderEnd - a.olderStart;
    if (!(length > 0.0) || !(olderLength > 0.0)) return a;
    // The later survey's chainage as a profile: itself put on a survey that
    // starts at 0 with no stretch.
    Alignment chainage = a;
    chainage.olderStart = 0.0;
    chainage.scale = 1.0;
    chainage.offset = 0.0;

    int top = 0;
    while (options.finestCell * std::pow(2.0, top + 1) <= kCoarsestCell &&
           length / (options.finestCell * std::pow(2.0, top + 1)) >= kFewestCells)
        ++top;
    const double sLo = 1.0 - options.maxScaleError, sHi = 1.0 + options.maxScaleError;
    const double oLo = -options.maxOffset, oHi = options.maxOffset;
    Best best;
    double sStep = 0.0, oStep = 0.0;
    Level level;
    for (int k = top; k >= 0; --k) {
        level.cell = options.finestCell * std::pow(2.0, k);
        // Gaps of a few cells are bridged: sparse scans still overlap.
        const double gap = 4.0 * level.cell;
        for (std::size_t f = 0; f < kAlignBy.size(); ++f) {
            level.older[f] =
                ProfileOf(older, kAlignBy[f], a.olderStart, a.olderEnd, level.cell, gap);
            level.newer[f] = ProfileOf(newer, kAlignBy[f], 0.0, length, level.cell, gap, &chainage);
            level.olderSlope[f] = Slope(level.older[f].values, level.cell);
            level.newerSlope[f] = Slope(level.newer[f].values, level.cell);
            level.weight[f] =
                SignalShare(level.older[f].values) * SignalShare(level.newer[f].values);
        }
        // A step moves the far end of the later survey, or all of it, by
        // half a cell.
        const double s1 = level.cell / (2.0 * length), o1 = level.cell / 2.0;
        if (k == top) {
            Scan(level, sLo, sHi, s1, oLo, oHi, o1, best);
        } else {
            Best here;
            Scan(level, std::max(sLo, best.scale - 2 * sStep),
                 std::min(sHi, best.scale + 2 * sStep), s1, std::max(oLo, best.offset - 2 * oStep),
                 std::min(oHi, best.offset + 2 * oStep), o1, here);
            if (std::isfinite(here.score)) best = here;
        }
        sStep = s1;
        oStep = o1;
        if (!std::isfinite(best.score)) return a;
    }
    for (int i = 0; i < kExtraHalvings; ++i) {
        Best here;
        Scan(level, std::max(sLo, best.scale - 2 * sStep), std::min(sHi, best.scale + 2 * sStep),
             sStep / 2, std::max(oLo, best.offset - 2 * oStep),
             std::min(oHi, best.offset + 2 * oStep), oStep / 2, here);
        if (std::isfinite(here.score)) best = here;
        sStep /= 2;
        oStep /= 2;
    }
    // A best pair on the edge of the range searched is no maximum found: the
    // truth may lie beyond it (an odometer further off than allowed), however
    // well the overlap correlates.
    const auto atEdge = [](double v, double lo, double hi, double step) {
        return v <= lo + step || v >= hi - step;
    };
    const bool edge = atEdge(best.scale, sLo, sHi, sStep) || atEdge(best.offset, oLo, oHi, oStep);
    double spread = 0.0;
    best = Plateau(level, best, length, sLo, sHi, oStep, oLo, oHi, spread);
    a.scale = best.scale;
    a.offset = best.offset;
    a.correlation = best.level;
    a.scaleSpread = spread;
    a.uncertain =
        edge || !(best.level >= options.uncertainBelow) || !(spread <= options.widestScaleSpread);
    return a;
}

} // namespace

std::string UncertainWhy(const Alignment& a, const AlignmentOptions& options) {
    if (!a.uncertain) return {};
    char text[120];
    if (!(a.correlation >= options.uncertainBelow))
        std::snprintf(text, sizeof text, "correlation below %.2f", options.uncertainBelow);
    else if (!(a.scaleSpread <= options.widestScaleSpread))
        std::snprintf(text, sizeof text,
                      "scale not pinned down: matches as well within +-%.2f %% (limit %.2f %%)",
                      100.0 * a.scaleSpread, 100.0 * options.widestScaleSpread);
    else
        std::snprintf(text, sizeof text, "the scale or offset at the edge of its range");
    return text;
}

FigureProfile ProfileOf(std::span<const ScanFigures> scans, ScanFigure figure, double start,
                        double end, double cell, double maxGap, const Alignment* onOlder) {
    FigureProfile p;
    p.start = start;
    p.cell = cell;
    const double span = std::max(0.0, end - start);
    const std::size_t n = static_cast<std::size_t>(std::floor(span / cell)) + 1;
    std::vector<double> sum(n, 0.0);
    p.counts.assign(n, 0);
    for (const ScanFigures& f : scans) {
        const double v = f.*figure;
        if (!std::isfinite(v) || !std::isfinite(f.distance)) continue;
        const double x = (onOlder ? onOlder->ToOlder(f.distance) : f.distance) - start;
        if (x < 0.0) continue;
        const auto i = static_cast<std::size_t>(x / cell);
        if (i >= n) continue;
        sum[i] += v;
        ++p.counts[i];
    }
    p.values.assign(n, kNoValue);
    for (std::size_t i = 0; i < n; ++i)
        if (p.counts[i]) p.values[i] = sum[i] / p.counts[i];
    // Bridge the gaps between scans further apart than a cell.
    const auto widest = static_cast<std::size_t>(std::floor(maxGap / cell + 1e-9));
    std::size_t last = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (!p.counts[i]) continue;
        if (last != n && i - last > 1 && i - last - 1 <= widest) {
            const double a = p.values[last], b = p.values[i];
            for (std::size_t j = last + 1; j < i; ++j)
                p.values[j] =
                    a + (b - a) * static_cast<double>(j - last) / static_cast<double>(i - last);
        }
        last = i;
    }
    return p;
}

Alignment AlignSurveys(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                       TravelDirection direction, const AlignmentOptions& options) {
    Alignment a;
    Extent(older, a.olderStart, a.olderEnd);
    Extent(newer, a.newerStart, a.newerEnd);
    if (direction != TravelDirection::Unknown) {
        a.reversed = direction == TravelDirection::Opposite;
        return Search(older, newer, a, options);
    }
    Alignment same = Search(older, newer, a, options);
    a.reversed = true;
    Alignment opposite = Search(older, newer, a, options);
    return opposite.correlation > same.correlation ? opposite : same;
}

Alignment AlignSoFar(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                     TravelDirection direction, const AlignmentOptions& options) {
    if (direction == TravelDirection::Same) return AlignSurveys(older, newer, direction, options);
    double lo = 0.0, hi = 0.0;
    Extent(older, lo, hi);
    std::vector<ScanFigures> mirrored(older.begin(), older.end());
    for (ScanFigures& f : mirrored)
        f.distance = lo + hi - f.distance;
    const Alignment m = AlignSurveys(mirrored, newer, TravelDirection::Same, options);
    // On the mirrored survey: older = lo + hi - (lo + s (d - newerStart) + o). The same
    // counted back from the later survey's far end E = newerStart + (hi - lo) / s:
    // older = lo + s (E - d) - o.
    Alignment opposite = m;
    opposite.reversed = true;
    opposite.offset = -m.offset;
    opposite.newerEnd = m.newerStart + (hi - lo) / m.scale;
    if (direction == TravelDirection::Opposite) return opposite;
    const Alignment same = AlignSurveys(older, newer, TravelDirection::Same, options);
    return opposite.correlation > same.correlation ? opposite : same;
}

} // namespace analysis
