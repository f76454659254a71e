// The converter's choice of the speed of sound: a speed given for the run
// (--sound-speed, or --water-temperature with --salinity) that replaces the
// settings' for every record, what the survey details and the records say
// against it, and the ring check (--calibration-ring) that writes nothing.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <limits>
#include <optional>
#include <string>

#include "analysis/SoundSpeed.h"
#include "doc/RecordConversion.h"
#include "format/SurveyDetails.h"

namespace scale {

struct Choice {
    // The speed given for the run; none: the settings' speed.
    std::optional<double> speed;
    double temperatureC = std::numeric_limits<double>::quiet_NaN(); // when given as one
    std::optional<double> ringDiameter;         // --calibration-ring, metres
};

class Options {
  public:
    Options();
    void AddTo(QCommandLineParser& parser) const;
    // The choice the command line makes, or why it is refused.
    std::optional<QString> Read(const QCommandLineParser& parser, Choice& choice) const;

  private:
    QCommandLineOption m_speed, m_temperature, m_salinity, m_ring;
};

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
