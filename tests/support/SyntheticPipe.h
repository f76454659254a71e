// Surveys of one made-up pipe as scans of profile points, for the tests and
// benches of the comparison: an elliptic wall whose diameter and ovality
// change along the pipe, flat sediment layers on the invert, range noise and
// stray echoes, seen by a head off the pipe's centre that travels either way
// with an odometer that may read long. Every scan goes through the program's
// own analysis; the figures compared are the ones it works out.
#pragma once

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "analysis/PipeCondition.h"
#include "analysis/ProfileSample.h"

namespace synthetic {

struct Band {
    double from = 0.0, to = 0.0; // metres along the pipe
    double value = 0.0;
};

struct Pipe {
    double diameter = 1.0;
    double ovality = 0.005;          // the wall is (1 + v) wide, (1 - v) high
    std::vector<Band> diameterSteps; // metres added to the diameter
    std::vector<Band> ovalBands;     // ovality v instead of the pipe's own
    std::vector<Band> layers;        // flat sediment this deep over the invert

    static double At(const std::vector<Band>& bands, double p, double otherwise) {
        for (const Band& b : bands)
            if (p >= b.from && p < b.to) return b.value;
        return otherwise;
    }
    double Diameter(double p) const {
        double d = diameter;
        for (const Band& b : diameterSteps)
            if (p >= b.from && p < b.to) d += b.value;
        return d;
    }
};

struct Run {
    double startAt = 0.0;       // metres along the pipe where the odometer reads 0
    int direction = +1;         // +1 towards larger pipe metres, -1 back
    double length = 30.0;       // metres travelled
    double odometerScale = 1.0; // the odometer reads this times the distance travelled
    double scanSpacing = 0.05;  // metres travelled per scan
    int pointsPerScan = 240;
    double rangeNoise = 0.003;  // metres, one standard deviation
    double strayEchoes = 0.002; // fraction of points with a stray echo nearer the head
    double headX = 0.05, headY = -0.08;
    unsigned seed = 1;
};

// Range from the head along the beam (bearing clockwise from up) to the
// nearest of wall and sediment, at pipe metre p.
inline double TrueRange(const Pipe& pipe, const Run& run, double p, double bearingDeg) {
    const double a = bearingDeg * 3.14159265358979323846 / 180.0;
    const double s = std::sin(a), c = std::cos(a);
    const double v = Pipe::At(pipe.ovalBands, p, pipe.ovality);
    const double r = pipe.Diameter(p) / 2.0;
    const double A = r * (1.0 + v), B = r * (1.0 - v);
    const double qa = s * s / (A * A) + c * c / (B * B);
    const double qb = 2.0 * (run.headX * s / (A * A) + run.headY * c / (B * B));
    const double qc = run.headX * run.headX / (A * A) + run.headY * run.headY / (B * B) - 1.0;
    double t = (-qb + std::sqrt(qb * qb - 4.0 * qa * qc)) / (2.0 * qa);
    const double layer = Pipe::At(pipe.layers, p, 0.0);
    if (layer > 0.0 && c < 0.0) {
        const double tl = (-B + layer - run.headY) / c;
        if (tl > 0.0 && tl < t) t = tl;
    }
    return t;
}

// Each scan of the run, as the analysis sees it, handed to onScan in order.
inline void Survey(const Pipe& pipe, const Run& run,
                   const std::function<void(const std::vector<analysis::ProfileSample>&)>& onScan) {
    std::mt19937 rng(run.seed);
    std::normal_distribution<double> noise(0.0, run.rangeNoise);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int scans = static_cast<int>(std::floor(run.length / run.scanSpacing));
    std::vector<analysis::ProfileSample> scan;
    double time = 0.0;
    for (int k = 0; k < scans; ++k) {
        scan.clear();
        for (int j = 0; j < run.pointsPerScan; ++j) {
            const double travelled =
                (k + static_cast<double>(j) / run.pointsPerScan) * run.scanSpacing;
            const double p = run.startAt + run.direction * travelled;
            const double bearing = 360.0 * j / run.pointsPerScan;
            double range = TrueRange(pipe, run, p, bearing) + noise(rng);
            if (unit(rng) < run.strayEchoes) range *= 0.3 + 0.6 * unit(rng);
            time += 0.05;
            scan.push_back(
                analysis::FromPolar(bearing, range, time, run.odometerScale * travelled));
        }
        onScan(scan);
    }
}

// The figures of every scan of the run, from the program's analysis.
inline std::vector<analysis::ScanFigures> Figures(const Pipe& pipe, const Run& run,
                                                  const analysis::NominalPipe& nominal = {}) {
    analysis::ScanAnalyser analyser(nominal);
    std::vector<analysis::ScanFigures> out;
    Survey(pipe, run, [&](const std::vector<analysis::ProfileSample>& scan) {
        out.push_back(analyser.Analyse(scan));
    });
    return out;
}

} // namespace synthetic
