// The pipe survey recordings for the tests: a failed write fails the test.
#pragma once

#include <gtest/gtest.h>

#include "PipeSurveyFile.h"

namespace pipesurvey {

inline void WriteSurvey(const std::string& path, const sim::PipeParams& pipe, int pings,
                        int sectorCode = 120, int rangeIndex = 4, int garbledEvery = 0,
                        double soundVelocity = 1500.0) {
    ASSERT_TRUE(
        WriteSurveyFile(path, pipe, pings, sectorCode, rangeIndex, garbledEvery, soundVelocity))
        << path;
}

} // namespace pipesurvey
