#include "JobSurvey.h"

#include "survey/SurveyFile.h"

namespace convert {

JobSurvey LoadJobSurvey(const std::string& input, const ConvertOptions& options) {
    JobSurvey job;
    const std::string path =
        options.surveyPath.empty() ? survey::SidecarPath(input) : options.surveyPath;
    survey::LoadResult loaded = survey::LoadSurveyFile(path);
    if (!loaded.error.empty()) {
        job.refusal = loaded.error;
    } else if (loaded.present) {
        job.details = std::move(loaded.details);
        job.any = true;
    } else if (!options.surveyPath.empty()) {
        // Named on purpose: its absence is not the quiet "no details" of a
        // recording without a sidecar.
        job.refusal = path + ": does not exist";
    }
    // The overrides were checked when the command line was read.
    for (const auto& [key, value] : options.surveySets) {
        (void)survey::SetSurveyKey(job.details, key, value);
        job.any = true;
    }
    return job;
}

} // namespace convert
