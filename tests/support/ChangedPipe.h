// One pipe surveyed twice for the comparison's tests: the later survey made
// upstream with an odometer 2.5 % long, starting 0.4 m before the far node,
// after the ovality of one stretch grew and a debris layer deepened.
#pragma once

#include "SyntheticPipe.h"

namespace changedpipe {

constexpr double kOdometerLong = 1.025;
constexpr double kEarlyStart = 0.4;
constexpr double kPipeLength = 30.0;
// Where the pipe changed between the surveys, pipe metres.
constexpr double kOvalFrom = 12.0, kOvalTo = 14.0;
constexpr double kLayerFrom = 20.0, kLayerTo = 23.0;

// The pipe as it was; features it keeps, by which the surveys line up.
inline synthetic::Pipe PipeBefore() {
    synthetic::Pipe p;
    p.diameterSteps = {{3.0, 3.6, 0.015},    {7.2, 7.5, -0.010},  {10.0, 10.8, 0.008},
                       {16.5, 17.0, -0.012}, {25.0, 25.5, 0.010}, {27.8, 28.4, -0.008}};
    p.ovalBands = {{5.0, 6.0, 0.02}, {kOvalFrom, kOvalTo, 0.03}, {18.0, 19.0, 0.025}};
    p.layers = {{kLayerFrom, kLayerTo, 0.05}};
    return p;
}

inline synthetic::Pipe PipeAfter() {
    synthetic::Pipe p = PipeBefore();
    p.ovalBands[1].value = 0.06;
    p.layers[0].value = 0.12;
    return p;
}

inline synthetic::Run Downstream() {
    synthetic::Run r;
    r.length = kPipeLength;
    return r;
}

// Upstream from before the far node to past the near one.
inline synthetic::Run Upstream() {
    synthetic::Run r;
    r.startAt = kPipeLength + kEarlyStart;
    r.direction = -1;
    r.length = kPipeLength + kEarlyStart + 0.2;
    r.odometerScale = kOdometerLong;
    r.seed = 7;
    return r;
}

} // namespace changedpipe
