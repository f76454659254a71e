// The refusals a run is checked against before it touches a file: values
// whose range depends on the settings, and clashes between the files of
// the plan. Each prints its usage message and says false.
#pragma once

#include "ConvertOptions.h"
#include "JobPlan.h"
#include "analysis/PipeCondition.h"

namespace convert {

// Reads the thresholds' texts into options.report.thresholds, refusing a
// value outside what the nominal pipe makes meaningful.
bool CheckThresholds(ConvertOptions& options, const analysis::NominalPipe& pipe);

// Two names of one recording would have two jobs write one file, or one
// report take the survey twice; a summary that lands on an output or a
// recording would take its place.
bool CheckPlan(const ConvertOptions& options, const JobPlan& plan);

// The outputs placed on a map (--las, --geojson) refuse a survey whose
// coordinate system PROJ does not know or cannot place a pipe in (degrees,
// no projected part): the run would only write what nobody asked for.
bool CheckPlacement(const ConvertOptions& options, const JobPlan& plan);

} // namespace convert
