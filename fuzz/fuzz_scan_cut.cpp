// Any bytes as a stream of profile points, cut into scans as playback and
// the live analysis cut them (ScanCutter), with a jump in playback (Reset)
// where the input says. Every point with a bearing lands in exactly one
// scan, in order, unless a jump dropped the scan it was in; no scan is empty
// or longer than the cutter's bound.
//
// Input: samples as ScanInput.h reads them; a control byte of 0x3F drops the
// scan in hand and starts again, as a jump does.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ScanInput.h"
#include "analysis/ScanCutter.h"

using namespace fuzzscan;

namespace {

// Points in the scans the cutter closed, their order checked by time.
struct Tally {
    std::size_t points = 0;
    double lastTime = -1.0;
    void Take(std::span<const analysis::ProfileSample> scan) {
        if (scan.empty() || scan.size() > analysis::ScanCutter::kMaxPoints) std::abort();
        for (const analysis::ProfileSample& s : scan) {
            if (!(s.time > lastTime) || !std::isfinite(s.bearing)) std::abort();
            lastTime = s.time;
        }
        points += scan.size();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    static analysis::ScanCutter cutter;
    cutter.Reset();
    Tally tally;
    std::size_t added = 0, dropped = 0, inHand = 0;
    std::uint8_t control = 0;
    double bearing = 0.0, range = 0.0;
    for (std::size_t i = 0; Sample(in, control, bearing, range); ++i) {
        if ((control & 0x3F) == 0x3F) {
            dropped += inHand;
            inHand = 0;
            cutter.Reset();
            continue;
        }
        const bool counted = std::isfinite(bearing);
        if (cutter.Add(analysis::FromPolar(bearing, range, static_cast<double>(i), 1.0))) {
            tally.Take(cutter.Completed());
            inHand -= cutter.Completed().size();
        }
        if (counted) {
            ++added;
            ++inHand;
        }
    }
    if (cutter.Flush()) {
        tally.Take(cutter.Completed());
        inHand -= cutter.Completed().size();
    }
    if (inHand != 0 || tally.points + dropped != added) std::abort();
    return 0;
}
