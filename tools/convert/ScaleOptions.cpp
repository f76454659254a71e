#include "ScaleOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "analysis/RangeCalibration.h"
#include "analysis/SoundSpeed.h"
#include "format/NumberText.h"

namespace scale {

const OptionText kSoundSpeed{
    "sound-speed",
    "Turn every range into metres at this speed of sound (1400 to 1600) instead of the "
    "settings' speed: a survey recorded with the wrong speed corrected.",
    "M/S"};
const OptionText kWaterTemperature{
    "water-temperature",
    "The same, with the speed of sound in water of this temperature (0 to 40).", "C"};
const OptionText kSalinity{
    "salinity", "With --water-temperature: the water's salinity (0 to 40, default 0: fresh).",
    "PSU"};
const OptionText kCalibrationRing{
    "calibration-ring",
    "Check the range scale of a recording made in a ring of this certified inside diameter "
    "(metres, 0.05 to 12): print one line, write nothing; status 0 on a pass, 1 on a fail.",
    "D"};

QString ReadNumber(const QString& value, const char* option, std::optional<double>& field) {
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return QStringLiteral("--%1 needs a number").arg(option);
    field = v;
    return {};
}

QString Settle(Choice& c) {
    if (c.givenSpeed && c.temperatureC)
        return QStringLiteral("give --sound-speed or --water-temperature, not both");
    if (c.salinityPsu && !c.temperatureC)
        return QStringLiteral("--salinity goes with --water-temperature");
    if (c.givenSpeed) {
        if (!analysis::IsAcceptedSoundSpeed(*c.givenSpeed))
            return QStringLiteral("--sound-speed needs a number from 1400 to 1600");
        c.speed = c.givenSpeed;
    }
    if (c.temperatureC) {
        if (*c.temperatureC < 0.0 || *c.temperatureC > 40.0)
            return QStringLiteral("--water-temperature needs a number from 0 to 40");
        const double salinity = c.salinityPsu.value_or(0.0);
        if (salinity < 0.0 || salinity > 40.0)
            return QStringLiteral("--salinity needs a number from 0 to 40");
        c.speed = analysis::SoundSpeedInWater(*c.temperatureC, salinity);
    }
    if (c.ringDiameter && (*c.ringDiameter < 0.05 || *c.ringDiameter > 12.0))
        return QStringLiteral("--calibration-ring needs a diameter from 0.05 to 12 metres");
    return {};
}

namespace {

std::string CalibrationText(const survey::Calibration& c) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "scale checked in a %.4f m ring%s%s%s%s; measured %.4f m (%+.2f %%), spread "
                  "%.2f %%, %d revolutions; speed %.1f -> %.1f m/s, %s",
                  c.certifiedDiameterM, c.date.empty() ? "" : " on ", c.date.c_str(),
                  c.time.empty() ? "" : " ", c.time.c_str(), c.measuredDiameterM, c.errorPct,
                  c.spreadPct, c.revolutions, c.speedBeforeMps, c.speedAfterMps,
                  c.pass ? "pass" : "fail");
    return text;
}

} // namespace

Scale DescribeScale(const Choice& choice, double used, const survey::SurveyDetails& details) {
    Scale s;
    analysis::SpeedOrigin origin;
    origin.speed = used;
    const std::optional<double> water =
        details.waterTemperatureC
            ? std::optional(analysis::SoundSpeedInWater(*details.waterTemperatureC))
            : std::nullopt;
    if (choice.speed) {
        origin.source = analysis::SpeedSource::Corrected;
        origin.temperatureC = choice.temperatureC.value_or(NAN);
    } else if (details.calibration && details.calibration->pass &&
               !analysis::SpeedsDiffer(used, details.calibration->speedAfterMps)) {
        origin.source = analysis::SpeedSource::Calibration;
    } else if (water && std::isfinite(*water) && !analysis::SpeedsDiffer(used, *water)) {
        origin.source = analysis::SpeedSource::WaterTemperature;
        origin.temperatureC = *details.waterTemperatureC;
    }
    s.origin = analysis::DescribeSpeed(origin);
    if (details.calibration) s.calibration = CalibrationText(*details.calibration);
    if (water && std::isfinite(*water) && analysis::SpeedsDiffer(used, *water))
        s.note = FormatFixed(used, 1) + " m/s used; the survey details give " +
                 FormatFixed(*details.waterTemperatureC, 1) + " \u00B0C water (" +
                 FormatFixed(*water, 1) + " m/s)";
    return s;
}

int RunRingCheck(const std::string& input, conversion::Options options, double diameter,
                 double speedUsed) {
    std::string scratch = (std::filesystem::temp_directory_path() / "tubescan-ring-XXXXXX");
    if (!::mkdtemp(scratch.data())) {
        std::fprintf(stderr, "tubescan-convert: no scratch folder: %s\n", std::strerror(errno));
        return 1;
    }
    analysis::RingFit fit(diameter);
    options.points = nullptr;
    options.replace = true;
    options.tap = [&fit](const analysis::ProfileSample& s) { fit.Add(s); };
    const conversion::Result r =
        conversion::ConvertRecordFile(input, scratch + "/ring.xyz", options);
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    if (r.outcome != conversion::Outcome::Converted) {
        std::fprintf(stderr, "tubescan-convert: %s: %s\n", input.c_str(), r.detail.c_str());
        return 1;
    }
    fit.Finish();
    const analysis::CalibrationCheck check =
        analysis::CheckCalibration(fit.Diameters(), diameter, speedUsed);
    std::printf("%s\n", analysis::CalibrationLine(check).c_str());
    if (const std::string note = conversion::StoredSpeedsNote(r.stored, speedUsed); !note.empty())
        std::fprintf(stderr, "tubescan-convert: %s: %s\n", input.c_str(), note.c_str());
    return check.pass ? 0 : 1;
}

} // namespace scale
