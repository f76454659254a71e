// Reading fuzz input as a nominal pipe and profile samples, and the checks on
// what the analysis gives back: shared by the target that analyses whole
// surveys and the one that fits a single scan.
//
// Pipe: byte 0 the shape; three doubles (diameter, width, height, used when
// finite and positive, however absurd). Samples: a control byte and either
// two 16-bit fields (bearing in 1/100 degree, range in millimetres) or, when
// the control's top bit is set, two raw doubles.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/PipeCondition.h"
#include "analysis/ProfileSample.h"

namespace fuzzscan {

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

inline double Length(Input& in, double fallback) {
    double v = 0.0;
    if (!in.Take(&v, sizeof v)) return fallback;
    return std::isfinite(v) && v > 0.0 ? v : fallback;
}

inline analysis::NominalPipe Pipe(Input& in) {
    std::uint8_t shape = 0;
    in.Take(&shape, 1);
    analysis::NominalPipe pipe;
    pipe.shape = static_cast<analysis::NominalShape>(shape % 3);
    pipe.diameter = Length(in, pipe.diameter);
    pipe.width = Length(in, pipe.width);
    pipe.height = Length(in, pipe.height);
    return pipe;
}

// The next sample's control byte, bearing and range; false at the end.
inline bool Sample(Input& in, std::uint8_t& control, double& bearing, double& range) {
    if (!in.Take(&control, 1)) return false;
    if (control & 0x80) return in.Take(&bearing, sizeof bearing) && in.Take(&range, sizeof range);
    std::uint16_t b = 0, r = 0;
    if (!in.Take(&b, 2) || !in.Take(&r, 2)) return false;
    bearing = b / 100.0;
    range = r / 1000.0;
    return true;
}

inline void CheckFigure(double v) {
    if (std::isinf(v)) std::abort();
}

inline void CheckFigures(const analysis::ScanFigures& f) {
    for (double v : {f.coverage, f.time, f.distance, f.centreX, f.centreY, f.meanDiameter,
                     f.minDiameter, f.maxDiameter, f.minDiameterBearing, f.ovality, f.openArea,
                     f.nominalArea, f.areaLoss, f.debrisDepth, f.debrisArea})
        CheckFigure(v);
}

inline void CheckLine(const std::string& line) {
    std::size_t commas = 0;
    for (char c : line) {
        if (c == ',') ++commas;
        if (c != '\n' && (c < ' ' || c > '~')) std::abort();
    }
    if (commas != 14 || line.empty() || line.back() != '\n') std::abort();
    if (line.find("inf") != std::string::npos || line.find("nan") != std::string::npos)
        std::abort();
}

} // namespace fuzzscan
