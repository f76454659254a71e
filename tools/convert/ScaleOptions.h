// The converter's choice of the speed of sound: a speed given for the run
// (--sound-speed, or --water-temperature with --salinity) that replaces the
// settings' for every record, what the survey details and the records say
// against it, and the ring check (--calibration-ring) that writes nothing.
#pragma once

#include <QString>

#include <limits>
#include <optional>
#include <string>

#include "doc/RecordConversion.h"
#include "format/SurveyDetails.h"

namespace scale {

struct Choice {
    // As given on the command line.
    std::optional<double> givenSpeed, temperatureC, salinityPsu, ringDiameter;
    // The speed the run uses instead of the settings' (from givenSpeed or
    // the water), set by Settle; none: the settings' speed.
    std::optional<double> speed;
};

// The options' help texts and value names.
struct OptionText {
    const char* name;
    const char* help;
    const char* value;
};
extern const OptionText kSoundSpeed, kWaterTemperature, kSalinity, kCalibrationRing;

// Reads one option's number into field; a usage message when it is not one.
QString ReadNumber(const QString& value, const char* option, std::optional<double>& field);
// Once every option is read: the ranges, the options that exclude one
// another, and the speed the run uses. A usage message, or empty.
QString Settle(Choice& choice);

// How the speed used for a recording was set, for the report and the notes.
struct Scale {
    std::string origin;      // "1447.3 m/s from 10.0 °C water, corrected after the survey"
    std::string calibration; // the details' ring check, empty when none
    std::string note;        // the speed used against the details' water, empty when they agree
};
Scale DescribeScale(const Choice& choice, double speedUsed, const survey::SurveyDetails& details);

// The ring check of one recording: the line on stdout, 0 on a pass, 1 on a
// fail or a recording that cannot be read (why on stderr).
int RunRingCheck(const std::string& input, conversion::Options options, double diameter,
                 double speedUsed);

} // namespace scale
