// Two surveys of one pipe put on one chainage. Their odometers disagree (one
// reads a few percent long), the crews started a little before or after the
// manhole, and one may have gone the other way: the later survey's distances
// are stretched and shifted onto the earlier one's so that the same features
// of the pipe coincide. Values in, values out.
//
// The chainage of the later survey runs from its first scan when both went
// the same way and from its last one when they went opposite ways (the same
// node then lies at its far end); it maps onto the earlier survey's own
// distances as
//     older distance = older start + scale x chainage + offset,
// the scale within 1 +- maxScaleError, the offset within +- maxOffset. The
// pair chosen maximises the correlation of the two surveys' mean-diameter and
// ovality profiles along the pipe, mixed half and half with that of their
// gradients, which peaks sharply where the steps of the pipe (a layer that
// starts, an oval stretch that ends) coincide (Pearson's r of each figure
// over the stretch both cover, averaged with the weight of the share of each
// profile's variance that is not cell-to-cell noise), found coarse to
// fine: the whole range of scales and offsets on a coarse grid of the
// profiles, then ever finer grids around the best pair. Of the pairs that
// match within a hair of the best, the middle one is taken; how wide that
// plateau of scales is says how well the scale is known. The correlation
// reported is the profiles' own.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "analysis/ConditionFindings.h"
#include "analysis/PipeCondition.h"

namespace analysis {

// Which way the later survey went against the earlier one, if known.
enum class TravelDirection { Same, Opposite, Unknown };

struct AlignmentOptions {
    double maxScaleError = 0.04; // the later odometer reads within this fraction of the earlier
    double maxOffset = 1.0;      // metres between the two surveys' starts
    double finestCell = 0.05;    // metres: the finest profile the search looks at
    double uncertainBelow = 0.6; // a correlation under this gives an uncertain alignment,
                                 // as does a scale or offset at the edge of its range
    double widestScaleSpread = 0.0075; // and a scale not pinned down to within this fraction
};

struct Alignment {
    bool reversed = false; // the later survey went the other way
    double scale = 1.0;    // older metres per metre of the later survey's chainage
    double offset = 0.0;   // metres
    double correlation = kNoValue;
    // How well the scale is pinned down: half the range of scales whose
    // best match comes within a hair of the best one's (a fraction, like the
    // scale's error). A wide range means the profiles cannot tell those
    // scales apart (step-shaped features on a short survey).
    double scaleSpread = kNoValue;
    bool uncertain = true;
    // The surveys' extents, metres of their own distances.
    double olderStart = 0.0, olderEnd = 0.0;
    double newerStart = 0.0, newerEnd = 0.0;

    // Where a distance of the later survey lies on the earlier survey's.
    double ToOlder(double newerDistance) const {
        const double chainage = reversed ? newerEnd - newerDistance : newerDistance - newerStart;
        return olderStart + scale * chainage + offset;
    }
    // The other way: where a distance of the earlier survey lies on the later's.
    double ToNewer(double olderDistance) const {
        const double chainage = (olderDistance - olderStart - offset) / scale;
        return reversed ? newerEnd - chainage : newerStart + chainage;
    }
};

// Why an alignment is uncertain, in a few words ("" when it is not): the
// correlation under its threshold, the scale not pinned down, or the scale
// or offset at the edge of the range searched.
std::string UncertainWhy(const Alignment& a, const AlignmentOptions& options = {});

// The pipe's figures along a survey averaged into cells of equal length,
// from the distance `start`; NaN where no scan of the cell has the figure.
struct FigureProfile {
    double start = 0.0, cell = 0.1;
    std::vector<double> values;
    std::vector<unsigned> counts; // scans that gave the cell its value
};

// One figure of the scans in cells of length cell from start to end; with
// onOlder, the scans' distances are the later survey's, put on the earlier
// one's by it. Gaps of at most maxGap metres between cells with a value are
// bridged linearly (their count stays 0): a survey whose scans lie further
// apart than a cell still gives every cell between them a value.
FigureProfile ProfileOf(std::span<const ScanFigures> scans, ScanFigure figure, double start,
                        double end, double cell, double maxGap, const Alignment* onOlder = nullptr);

// The later survey's distances on the earlier one's; direction Unknown tries
// both ways and keeps the better.
Alignment AlignSurveys(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                       TravelDirection direction, const AlignmentOptions& options = {});

// The same while the later survey is still being made: it may stop anywhere
// short of the far node, so where it went the other way its chainage cannot
// count back from its last scan. The earlier survey is mirrored instead and
// both are lined up from their starts; the alignment returned counts the
// later survey back from where its far end will lie.
Alignment AlignSoFar(std::span<const ScanFigures> older, std::span<const ScanFigures> newer,
                     TravelDirection direction, const AlignmentOptions& options = {});

} // namespace analysis
