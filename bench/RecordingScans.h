// A recording's scan-by-scan figures as tubescan-convert's analysis makes
// them, for the benches that compare or align surveys they wrote themselves.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/PipeCondition.h"
#include "doc/ConditionOutput.h"
#include "doc/RecordConversion.h"

namespace benchscans {

// PATH's figures; its CSV goes beside it. A conversion that fails is named
// on stderr under WHO, and the figures are those read before it failed.
inline std::vector<analysis::ScanFigures> Analyse(const std::string& path, const char* who) {
    std::vector<analysis::ScanFigures> scans;
    ConditionCsvOutput table;
    table.OnScan([&](const analysis::ScanFigures& f) { scans.push_back(f); });
    conversion::Options options;
    options.points = &table;
    options.replace = true;
    const conversion::Result r = conversion::ConvertRecordFile(path, path + ".csv", options);
    if (r.outcome != conversion::Outcome::Converted)
        std::fprintf(stderr, "%s: %s: %s\n", who, path.c_str(), r.detail.c_str());
    return scans;
}

} // namespace benchscans
