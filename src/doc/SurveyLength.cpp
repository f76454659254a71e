#include "doc/SurveyLength.h"

#include <cmath>
#include <memory>

#include "doc/TubescanDoc.h"

namespace conversion {

double MeasuredLength(const std::string& input, const Options& options) {
    CTubescanDoc doc;
    doc.LoadSettings(options.settings);
    if (options.soundVelocity) doc.Settings().m_soundVelocity = *options.soundVelocity;
    if (doc.OpenPlayback(input) != PlaybackOpen::Opened) return analysis::kNoValue;
    double furthest = analysis::kNoValue;
    doc.Outputs().SetSampleSink(
        std::make_shared<FunctionSampleSink>([&furthest](const analysis::ProfileSample& s) {
            if (std::isfinite(s.distance) && !(std::fabs(s.distance) <= furthest))
                furthest = std::fabs(s.distance);
        }));
    std::uint64_t count = 0;
    while (const auto record = doc.PlaybackFile().Next()) {
        if ((count++ & 63) == 0 && options.stop && options.stop->load() != 0) break;
        doc.PlayRecord(*record, PingDrawing::PointsOnly);
        if (record->last) break;
    }
    return furthest;
}

} // namespace conversion
