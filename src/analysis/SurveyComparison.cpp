#include "analysis/SurveyComparison.h"

#include <algorithm>
#include <cmath>

#include "format/NumberText.h"

namespace analysis {

namespace {

// Neighbouring scans further apart than this are not neighbours: the head
// was lifted, or the recording paused.
constexpr double kNeighbourGap = 1.0;
// Fewer pairs clear of findings than this and the scatter is taken over all
// of them (a pipe that is oval from end to end is still measured by it).
constexpr std::size_t kFewestClearPairs = 10;

// Which scans lie in a finding: a stretch over a threshold at least
// `least` metres long. A lone scan over one is the survey's noise (a stray
// echo under the invert reads as debris) and stays in the scatter.
std::vector<char> InFindings(std::span<const ScanFigures> scans, const ReportThresholds& t,
                             double least) {
    std::vector<char> in(scans.size(), 0);
    const Findings found = FindFindings(scans, t);
    for (const auto* list : {&found.ovalStretches, &found.lossStretches, &found.debrisStretches})
        for (const Stretch& s : *list)
            if (s.Length() >= least)
                for (std::size_t i = s.first; i <= s.last && i < in.size(); ++i)
                    in[i] = 1;
    return in;
}

// The spread of one scan's figure from the spread of the differences
// between neighbours (each holds two scans' noise). Not a robust estimate on
// purpose: some figures are mostly steady with the odd spike (a stray echo
// under the invert read as debris), and the limit has to cover the spikes.
double Scatter(const std::vector<double>& d) {
    if (d.size() < 2) return kNoValue;
    double mean = 0.0;
    for (double v : d)
        mean += v;
    mean /= static_cast<double>(d.size());
    double sum = 0.0;
    for (double v : d)
        sum += (v - mean) * (v - mean);
    return std::sqrt(sum / static_cast<double>(d.size() - 1) / 2.0);
}

// How far a profile's value steps to its neighbours at cell i (0 at an end
// or beside a gap).
double Step(const std::vector<double>& v, std::size_t i) {
    double s = 0.0;
    if (i > 0 && std::isfinite(v[i - 1])) s = std::max(s, std::fabs(v[i] - v[i - 1]));
    if (i + 1 < v.size() && std::isfinite(v[i + 1])) s = std::max(s, std::fabs(v[i + 1] - v[i]));
    return s;
}

// Marks and names the significant stretches of figure f.
void FindStretches(std::vector<CompareRow>& rows, std::size_t f, const CompareOptions& options,
                   std::vector<ChangeStretch>& out) {
    const auto over = [&](std::size_t i, int sign) {
        const CompareRow& r = rows[i];
        const double c = r.Change(f);
        return std::isfinite(c) && std::isfinite(r.limit[f]) && std::fabs(c) > r.limit[f] &&
               (sign == 0 || (c > 0) == (sign > 0));
    };
    const std::size_t n = rows.size();
    std::size_t i = 0;
    while (i < n) {
        if (!over(i, 0)) {
            ++i;
            continue;
        }
        const int sign = rows[i].Change(f) > 0 ? 1 : -1;
        std::size_t last = i;
        std::size_t j = i + 1;
        while (j < n) {
            if (over(j, sign)) {
                last = j++;
            } else if (j + 1 < n && over(j + 1, sign)) {
                j += 1; // one cell short of the limit between two over it
            } else {
                break;
            }
        }
        const double length = static_cast<double>(last - i + 1) * options.cell;
        if (length >= options.minStretch - 1e-9) {
            ChangeStretch s;
            s.figure = f;
            s.from = rows[i].distance - options.cell / 2;
            s.to = rows[last].distance + options.cell / 2;
            double so = 0, sn = 0;
            int no = 0, nn = 0;
            for (std::size_t k = i; k <= last; ++k) {
                rows[k].significant |= 1u << f;
                if (std::isfinite(rows[k].older[f])) so += rows[k].older[f], ++no;
                if (std::isfinite(rows[k].newer[f])) sn += rows[k].newer[f], ++nn;
            }
            s.older = no ? so / no : kNoValue;
            s.newer = nn ? sn / nn : kNoValue;
            s.change = s.newer - s.older;
            out.push_back(s);
        }
        i = last + 1;
    }
}

} // namespace

const std::array<CompareFigure, kCompareFigures>& CompareFigures() {
    static const std::array<CompareFigure, kCompareFigures> figures = {{
        {"mean_diameter", "mean diameter", &ScanFigures::meanDiameter},
        {"ovality", "ovality", &ScanFigures::ovality},
        {"area_loss", "area loss", &ScanFigures::areaLoss},
        {"debris_depth", "debris depth", &ScanFigures::debrisDepth},
    }};
    return figures;
}

double NeighbourScatter(std::span<const ScanFigures> scans, ScanFigure figure,
                        const ReportThresholds& thresholds, double least) {
    const std::vector<char> in = InFindings(scans, thresholds, least);
    std::vector<double> clear, all;
    for (std::size_t i = 1; i < scans.size(); ++i) {
        const ScanFigures& a = scans[i - 1];
        const ScanFigures& b = scans[i];
        const double d = b.*figure - a.*figure;
        if (!std::isfinite(d) || !(std::fabs(b.distance - a.distance) <= kNeighbourGap)) continue;
        all.push_back(d);
        if (!in[i - 1] && !in[i]) clear.push_back(d);
    }
    return Scatter(clear.size() >= kFewestClearPairs ? clear : all);
}

Comparison CompareSurveys(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                          TravelDirection direction, const CompareOptions& options) {
    Comparison c;
    c.alignment = AlignSurveys(older, newer, direction, options.alignment);
    const Alignment& a = c.alignment;
    if (!std::isfinite(a.correlation)) return c; // nothing to put side by side
    const auto& figures = CompareFigures();
    for (std::size_t f = 0; f < kCompareFigures; ++f) {
        c.olderScatter[f] =
            NeighbourScatter(older, figures[f].field, options.thresholds, options.minStretch);
        c.newerScatter[f] =
            NeighbourScatter(newer, figures[f].field, options.thresholds, options.minStretch);
    }
    // Cells with their middles on multiples of the cell, over both surveys.
    const double h = options.cell;
    const double lo = std::min({a.olderStart, a.ToOlder(a.newerStart), a.ToOlder(a.newerEnd)});
    const double hi = std::max({a.olderEnd, a.ToOlder(a.newerStart), a.ToOlder(a.newerEnd)});
    const double first = std::floor(lo / h + 0.5), last = std::floor(hi / h + 0.5);
    const double start = (first - 0.5) * h, end = (last + 0.5) * h - h / 2;
    const std::size_t n = static_cast<std::size_t>(last - first) + 1;
    c.rows.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        c.rows[i].distance = (first + static_cast<double>(i)) * h;
    for (std::size_t f = 0; f < kCompareFigures; ++f) {
        const FigureProfile po = ProfileOf(older, figures[f].field, start, end, h, options.maxGap);
        const FigureProfile pn =
            ProfileOf(newer, figures[f].field, start, end, h, options.maxGap, &a);
        for (std::size_t i = 0; i < n && i < po.values.size() && i < pn.values.size(); ++i) {
            CompareRow& r = c.rows[i];
            r.older[f] = po.values[i];
            r.newer[f] = pn.values[i];
            const double so = c.olderScatter[f], sn = c.newerScatter[f];
            const double no = std::max(1u, po.counts[i]), nn = std::max(1u, pn.counts[i]);
            const double registration = std::min(Step(po.values, i), Step(pn.values, i));
            r.limit[f] =
                std::isfinite(r.Change(f))
                    ? options.confidence * std::sqrt(so * so / no + sn * sn / nn) + registration
                    : kNoValue;
        }
        FindStretches(c.rows, f, options, c.stretches);
    }
    return c;
}

TravelDirection DirectionOf(const survey::SurveyDetails& older,
                            const survey::SurveyDetails& newer) {
    const bool nodes = !older.startNode.empty() && !older.finishNode.empty() &&
                       !newer.startNode.empty() && !newer.finishNode.empty();
    if (nodes && older.startNode == newer.startNode && older.finishNode == newer.finishNode)
        return TravelDirection::Same;
    if (nodes && older.startNode == newer.finishNode && older.finishNode == newer.startNode)
        return TravelDirection::Opposite;
    if (!older.direction.empty() && !newer.direction.empty())
        return older.direction == newer.direction ? TravelDirection::Same
                                                  : TravelDirection::Opposite;
    return TravelDirection::Unknown;
}

std::string CompareCsvLine(const CompareRow& row) {
    const auto value = [](double v, int decimals) {
        return std::isfinite(v) ? FormatFixed(v, decimals) : std::string();
    };
    // Diameters and depths to the tenth of a millimetre, percentages to the
    // hundredth.
    static constexpr int kDecimals[kCompareFigures] = {4, 2, 2, 4};
    std::string line = FormatFixed(row.distance, 2);
    for (std::size_t f = 0; f < kCompareFigures; ++f) {
        line += ',' + value(row.older[f], kDecimals[f]);
        line += ',' + value(row.newer[f], kDecimals[f]);
        if (f > 0) line += ',' + value(row.Change(f), kDecimals[f]);
    }
    line += ',';
    bool any = false;
    for (std::size_t f = 0; f < kCompareFigures; ++f)
        if (row.significant & (1u << f)) {
            if (any) line += '|';
            line += CompareFigures()[f].key;
            any = true;
        }
    return line;
}

} // namespace analysis
