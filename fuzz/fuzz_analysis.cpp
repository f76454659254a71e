// Any bytes as a nominal pipe and scans of profile points, through the
// pipe-condition analysis, the survey's totals and the CSV lines: nothing
// may crash, and no figure may come out infinite (a missing one is NaN and
// an empty CSV field).
//
// Input: byte 0 the shape; three doubles (diameter, width, height, used when
// finite and positive, however absurd); byte 25 the scan length; then
// samples of a control byte and either two 16-bit fields (bearing in
// 1/100 degree, range in millimetres) or, when the control's top bit is set,
// two raw doubles.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/ConditionCsv.h"
#include "analysis/PipeCondition.h"
#include "analysis/ProfileSample.h"

namespace {

struct Input {
    const std::uint8_t* p;
    std::size_t n;
    bool Take(void* out, std::size_t k) {
        if (n < k) return false;
        std::memcpy(out, p, k);
        p += k;
        n -= k;
        return true;
    }
};

double Length(Input& in, double fallback) {
    double v = 0.0;
    if (!in.Take(&v, sizeof v)) return fallback;
    return std::isfinite(v) && v > 0.0 ? v : fallback;
}

void CheckFigure(double v) {
    if (std::isinf(v)) std::abort();
}

void CheckLine(const std::string& line) {
    std::size_t commas = 0;
    for (char c : line) {
        if (c == ',') ++commas;
        if (c != '\n' && (c < ' ' || c > '~')) std::abort();
    }
    if (commas != 14 || line.empty() || line.back() != '\n') std::abort();
    if (line.find("inf") != std::string::npos || line.find("nan") != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    std::uint8_t shape = 0, scanLength = 0;
    in.Take(&shape, 1);
    analysis::NominalPipe pipe;
    pipe.shape = static_cast<analysis::NominalShape>(shape % 3);
    pipe.diameter = Length(in, pipe.diameter);
    pipe.width = Length(in, pipe.width);
    pipe.height = Length(in, pipe.height);
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
        for (double v : {f.coverage, f.time, f.distance, f.centreX, f.centreY, f.meanDiameter,
                         f.minDiameter, f.maxDiameter, f.minDiameterBearing, f.ovality, f.openArea,
                         f.nominalArea, f.areaLoss, f.debrisDepth, f.debrisArea})
            CheckFigure(v);
        survey.Add(f);
        analysis::BuildConditionCsvLine(line, ++scans, f);
        CheckLine(line);
        scan.clear();
    };
    std::uint8_t control = 0;
    while (in.Take(&control, 1)) {
        double bearing = 0.0, range = 0.0;
        if (control & 0x80) {
            if (!in.Take(&bearing, sizeof bearing) || !in.Take(&range, sizeof range)) break;
        } else {
            std::uint16_t b = 0, r = 0;
            if (!in.Take(&b, 2) || !in.Take(&r, 2)) break;
            bearing = b / 100.0;
            range = r / 1000.0;
        }
        const double distance = (control & 0x40) ? std::nan("") : 0.25 * static_cast<double>(scans);
        scan.push_back(
            analysis::FromPolar(bearing, range, 0.01 * static_cast<double>(scan.size()), distance));
        if (scan.size() >= perScan || (control & 0x3F) == 0x3F) finish();
    }
    finish();
    CheckFigure(survey.DebrisVolume());
    CheckFigure(survey.WorstOvality());
    CheckFigure(survey.WorstAreaLoss());
    return 0;
}
