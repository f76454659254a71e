// Any bytes as a nominal pipe and scans of profile points, through the
// pipe-condition analysis, the survey's totals and the CSV lines: nothing
// may crash, and no figure may come out infinite (a missing one is NaN and
// an empty CSV field). A few scans reach everything the survey carries from
// one scan to the next; one fit alone is fuzz_scan_fit's, so an input is
// cut after kMaxScans scans of at most kMaxSamples samples.
//
// Input: byte 0 the shape; three doubles (diameter, width, height, used when
// finite and positive, however absurd); byte 25 the scan length; then
// samples of a control byte and either two 16-bit fields (bearing in
// 1/100 degree, range in millimetres) or, when the control's top bit is set,
// two raw doubles.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ScanInput.h"
#include "analysis/ConditionCsv.h"

using namespace fuzzscan;

namespace {

constexpr std::size_t kMaxScans = 4;
constexpr std::size_t kMaxSamples = 128;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    std::uint8_t scanLength = 0;
    const analysis::NominalPipe pipe = Pipe(in);
    in.Take(&scanLength, 1);
    const std::size_t perScan = 24 + static_cast<std::size_t>(scanLength) * 2;

    // One analyser for the whole input, as a survey uses it.
    analysis::ScanAnalyser analyser(pipe);
    analysis::ConditionSurvey survey;
    std::vector<analysis::ProfileSample> scan;
    std::string line;
    std::size_t scans = 0;
    auto finish = [&] {
        if (scan.empty()) return;
        const analysis::ScanFigures f = analyser.Analyse(scan);
        CheckFigures(f);
        survey.Add(f);
        analysis::BuildConditionCsvLine(line, ++scans, f);
        CheckLine(line);
        scan.clear();
    };
    std::uint8_t control = 0;
    double bearing = 0.0, range = 0.0;
    while (scans < kMaxScans && Sample(in, control, bearing, range)) {
        const double distance = (control & 0x40) ? std::nan("") : 0.25 * static_cast<double>(scans);
        scan.push_back(
            analysis::FromPolar(bearing, range, 0.01 * static_cast<double>(scan.size()), distance));
        if (scan.size() >= std::min(perScan, kMaxSamples) || (control & 0x3F) == 0x3F) finish();
    }
    finish();
    CheckFigure(survey.DebrisVolume());
    CheckFigure(survey.WorstOvality());
    CheckFigure(survey.WorstAreaLoss());
    return 0;
}
