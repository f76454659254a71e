// Any bytes as a nominal pipe and one scan of profile points, through one
// fit of the pipe-condition analysis and its CSV line: the unit a survey
// repeats, so the fuzzer spends its time in the fit rather than in walking
// thousands of scans of one input. Nothing may crash, no figure may come out
// infinite, and every point's deviation is finite or NaN.
//
// Input: the pipe and samples as ScanInput.h reads them; the scan ends at
// the input's end or after kMaxSamples samples: a full turn is covered from
// 72 points on (5-degree gaps), so every branch of the fit is reached, and
// longer scans only cost time.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScanInput.h"
#include "analysis/ConditionCsv.h"

using namespace fuzzscan;

namespace {

constexpr std::size_t kMaxSamples = 128;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const analysis::NominalPipe pipe = Pipe(in);
    static std::vector<analysis::ProfileSample> scan;
    scan.clear();
    std::uint8_t control = 0;
    double bearing = 0.0, range = 0.0;
    while (scan.size() < kMaxSamples && Sample(in, control, bearing, range)) {
        const double distance = (control & 0x40) ? std::nan("") : 12.5;
        scan.push_back(
            analysis::FromPolar(bearing, range, 0.01 * static_cast<double>(scan.size()), distance));
    }
    if (scan.empty()) return 0;

    // One analyser for the run, as a survey keeps one: it must not carry
    // anything from one scan into the next that changes the figures.
    static analysis::ScanAnalyser analyser;
    analyser.SetPipe(pipe);
    const analysis::ScanFigures f = analyser.Analyse(scan);
    CheckFigures(f);
    if (analyser.Points().size() > scan.size()) std::abort();
    for (const analysis::AnalysedPoint& p : analyser.Points())
        if (std::isinf(p.deviation)) std::abort();
    std::string line;
    analysis::BuildConditionCsvLine(line, 1, f);
    CheckLine(line);
    return 0;
}
