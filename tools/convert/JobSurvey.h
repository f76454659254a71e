// The survey details one recording's outputs carry: its FILE.survey.json (or
// the file --survey names), with the run's --set keys over it.
#pragma once

#include <string>

#include "ConvertOptions.h"
#include "format/SurveyDetails.h"

namespace convert {

struct JobSurvey {
    survey::SurveyDetails details;
    bool any = false;    // there are details to hand to the outputs
    std::string refusal; // why the file was not used (the recording is converted without it)
};

JobSurvey LoadJobSurvey(const std::string& input, const ConvertOptions& options);

} // namespace convert
