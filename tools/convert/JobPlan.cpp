#include "JobPlan.h"

#include "doc/RecordConversion.h"

namespace convert {

std::string ObservationTablePath(const std::string& input) {
    return conversion::PathWithExtension(input, "pacp.csv");
}

namespace {

std::string OutputFor(OutputKind kind, const std::string& input) {
    switch (kind) {
    case OutputKind::Xyz:
        break;
    case OutputKind::Analysis:
        return conversion::CsvPathFor(input);
    case OutputKind::Ply:
        return conversion::PathWithExtension(input, "ply");
    case OutputKind::Las:
        return conversion::PathWithExtension(input, "las");
    case OutputKind::Report:
        return conversion::PathWithExtension(input, "pdf");
    case OutputKind::Observations:
        return conversion::PathWithExtension(input, "en13508.txt");
    case OutputKind::Grade:
        return conversion::PathWithExtension(input, "grade.csv");
    case OutputKind::GeoJson:
        return conversion::PathWithExtension(input, "geojson");
    case OutputKind::Compare: // a pair of recordings, never a job of one (CompareRun)
        return conversion::PathWithExtension(input, "compare.csv");
    }
    return conversion::XyzPathFor(input);
}

} // namespace

JobPlan PlanJobs(const ConvertOptions& options) {
    JobPlan plan;
    plan.oneReport = options.kind == OutputKind::Report && options.inputs.size() > 1 &&
                     !options.outputPath.empty();
    for (const std::string& input : options.inputs)
        plan.jobs.push_back({input, options.outputPath.empty() ? OutputFor(options.kind, input)
                                                               : options.outputPath});
    return plan;
}

} // namespace convert
