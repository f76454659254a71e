// The converter's command line as a plain value. Every option is declared
// once, in the table of ConvertOptions.cpp (its names, its help and how its
// value is read); what can only be judged against the settings or the other
// options is checked once, in OptionChecks.cpp.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ScaleOptions.h"
#include "report/SurveyReport.h"

namespace convert {

inline constexpr int kUsageError = 2;

// What each recording becomes; Xyz unless an output option chose another.
enum class OutputKind { Xyz, Analysis, Ply, Las, Report, Observations, Grade, GeoJson, Compare };

// The report's thresholds that have an option, in the options' order.
inline constexpr std::size_t kThresholdCount = 3;

struct ConvertOptions {
    QStringList inputNames;          // the recordings as given, for messages
    std::vector<std::string> inputs; // the same as the system's file names
    OutputKind kind = OutputKind::Xyz;
    std::string outputPath; // -o, empty when not given
    QString outputName;
    std::string summaryPath; // --summary, empty when not given
    QString summaryName;
    bool force = false;
    // --skip-existing: an output already there is left as it is (a rerun
    // of a batch that was stopped); its recording still gives its summary.
    bool skipExisting = false;
    bool quiet = false;
    unsigned jobs = 1;
    // The thresholds' texts as given; their range depends on the settings'
    // pipe, so CheckThresholds reads them into report.thresholds.
    std::array<std::optional<QString>, kThresholdCount> thresholdTexts;
    ReportSettings report;
    scale::Choice scale; // the speed of sound for the run, the ring check
    // --survey: the details of the one input from this file instead of the
    // one beside it (empty: FILE.survey.json beside each recording).
    std::string surveyPath;
    // --set KEY=VALUE, in the order given: over every recording's details.
    std::vector<std::pair<std::string, std::string>> surveySets;
    // --fit-length: a placed survey's chainage stretched onto its nodes.
    bool fitLength = false;
};

// Prints why the command line cannot be run, and how to ask for help.
int Usage(const QString& why);

// The options of arguments (--help and --version print and exit here); none
// after a usage message, when the converter ends with kUsageError.
std::optional<ConvertOptions> ParseCommandLine(const QStringList& arguments);

// A threshold option's name and where its value goes.
struct ThresholdOption {
    const char* name;
    const char* help;
    const char* unit;
    double analysis::ReportThresholds::*field;
};
extern const std::array<ThresholdOption, kThresholdCount> kThresholds;

} // namespace convert
