// What the run will do: one job per recording, each with the file its
// output goes to, or several recordings drawn as one report.
#pragma once

#include <string>
#include <vector>

#include "ConvertOptions.h"

namespace convert {

struct Job {
    std::string input;  // the recording's file name
    std::string target; // where its output goes
};

struct JobPlan {
    std::vector<Job> jobs; // in the order the inputs were given
    // Several recordings of one pipe as one report to -o's path.
    bool oneReport = false;
};

JobPlan PlanJobs(const ConvertOptions& options);

// The second file --observations writes beside the input.
std::string ObservationTablePath(const std::string& input);

} // namespace convert
