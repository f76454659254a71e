#include "ConvertOptions.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>

#include "ArgumentText.h"
#include "format/RecordFileName.h"
#include "survey/SurveyFile.h"

namespace convert {

const std::array<ThresholdOption, kThresholdCount> kThresholds = {{
    {"ovality-threshold",
     "Report, observations: ovality in percent over which a stretch is "
     "reported (0 to 100, default %1).",
     "PCT", &analysis::ReportThresholds::ovality},
    {"area-loss-threshold",
     "Report, observations: area loss in percent over which a stretch is "
     "reported (0 to 100, default %1).",
     "PCT", &analysis::ReportThresholds::areaLoss},
    {"debris-threshold",
     "Report: debris depth in metres over which a stretch is reported (0 to "
     "the nominal pipe's height, default %1).",
     "M", &analysis::ReportThresholds::debrisDepth},
}};

namespace {

std::string LocalPath(const QString& s) {
    return ArgumentBytes(s);
}

const char* const kDescription =
    "Converts TubescanL recordings (.31l) to .xyz text files: one line per profile point,\n"
    "the same lines the program's \"Convert .31L file to .xyz...\" writes. Settings come\n"
    "from TubescanL.INI beside the program (or the user's configuration folder).\n"
    "Each FILE.31l becomes FILE.xyz. Files are converted in parallel (-j). Exit status:\n"
    "0 all converted, 1 a file failed, 2 usage error, 128 + the signal when\n"
    "interrupted (partial outputs are removed).\n"
    "With --analysis each FILE.31l becomes FILE.csv instead: one line per scan (a\n"
    "revolution, or a pass across the sector) with the pipe centre, inside diameters,\n"
    "ovality (ASTM F1216: 100 x (mean - min) / mean), open area, area loss against the\n"
    "nominal pipe of the settings, and the debris on the invert, against distance.\n"
    "With --ply each FILE.31l becomes FILE.ply: the .xyz points, in their order, as a\n"
    "binary point cloud with each point's scan number and echo level.\n"
    "With --las each FILE.31l becomes FILE.las: the same points as LAS 1.4 (record\n"
    "format 6, 0.5 mm) with scan, distance, echo and deviation from the nominal wall.\n"
    "With --report each FILE.31l becomes FILE.pdf: an inspection report with the\n"
    "survey, the findings, plots of the figures against distance with the stretches\n"
    "over the thresholds shaded, and drawings of the worst cross-sections.\n"
    "With --observations each FILE.31l becomes FILE.en13508.txt, FILE.pacp.csv and\n"
    "FILE.pacp-inspection.csv: deformation and settled-deposit observations proposed\n"
    "from the figures, for an inspector to confirm, and the survey's inspection header.\n"
    "With --grade each FILE.31l becomes FILE.grade.csv: distance_m,pitch_deg,grade_pct,\n"
    "elevation_m, one line per 0.1 m of distance from the pitch recorded at each ping;\n"
    "a recording without any valid pitch fails (status 1) and nothing is written.\n"
    "With --geojson each FILE.31l becomes FILE.geojson: the surveyed stretch of the pipe\n"
    "and its findings as lines in WGS 84 longitude/latitude (RFC 7946), placed between\n"
    "the nodes' coordinates of the survey details in their crs.\n"
    "With --las and survey details naming both nodes' coordinates and a projected crs\n"
    "the points are placed on the pipe between the nodes, in that system and its unit.\n"
    "With --compare OLD.31l NEW.31l the two surveys of one pipe are lined up (direction\n"
    "from their details, odometer scale within 4 %, start within 1 m, by the correlation\n"
    "of their mean-diameter and ovality profiles) and compared: NEW.compare.csv and\n"
    "NEW.compare.pdf (-o names the table; the report goes beside it). Recordings whose\n"
    "details name two different pipes are refused unless --force.\n"
    "With --summary PATH one CSV line per recording goes to PATH as well.\n"
    "Each FILE.31l's survey details (pipe, nodes, inspector ...) are read from\n"
    "FILE.survey.json beside it when there is one; a file that cannot be used is\n"
    "named with the key to blame, the recording is converted without details and\n"
    "the exit status is 1.";

// One option of the command line: how it is named and helped, and how its
// value (empty for a switch) goes into the options; a usage message when it
// cannot. Read only when given, in the table's order, after the inputs.
struct OptionRow {
    QCommandLineOption option;
    std::function<QString(const QString& value, ConvertOptions& options)> read;
    // Read once for every time it is given (otherwise the last value counts).
    bool repeatable = false;
};

QString ChooseKind(ConvertOptions& o, OutputKind kind) {
    if (o.kind != OutputKind::Xyz)
        return QStringLiteral(
            "choose one of --analysis, --ply, --las, --report, --observations, --grade, "
            "--geojson and --compare");
    o.kind = kind;
    return {};
}

QString ReadOutput(const QString& value, ConvertOptions& o) {
    // Several recordings of one pipe make one report.
    if (o.inputs.size() != 1 && o.kind != OutputKind::Report && o.kind != OutputKind::Compare)
        return QStringLiteral("-o takes exactly one input file (or --report)");
    o.outputPath = LocalPath(value);
    o.outputName = value;
    if (o.outputPath.empty()) return QStringLiteral("-o needs a file name");
    if (record::HasRecordFileName(o.outputPath))
        return QStringLiteral("-o %1 is a recording's name; no output is ever written as one")
            .arg(value);
    if (o.kind == OutputKind::Observations)
        return QStringLiteral("--observations writes three files beside the input; no -o");
    return {};
}

QString ReadJobs(const QString& value, ConvertOptions& o) {
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < 1 || n > 1024) return QStringLiteral("-j needs a number from 1 to 1024");
    o.jobs = static_cast<unsigned>(n);
    return {};
}

QString ReadSummary(const QString& value, ConvertOptions& o) {
    o.summaryPath = LocalPath(value);
    o.summaryName = value;
    if (o.summaryPath.empty()) return QStringLiteral("--summary needs a file name");
    return {};
}

QString ReadSurvey(const QString& value, ConvertOptions& o) {
    if (o.inputs.size() != 1) return QStringLiteral("--survey takes exactly one input file");
    o.surveyPath = LocalPath(value);
    if (o.surveyPath.empty()) return QStringLiteral("--survey needs a file name");
    return {};
}

// Checked here against the same rules as the file, so a batch never starts
// with an override every recording would refuse.
QString ReadSet(const QString& value, ConvertOptions& o) {
    const qsizetype eq = value.indexOf(QLatin1Char('='));
    if (eq <= 0) return QStringLiteral("--set needs KEY=VALUE, not \"%1\"").arg(value);
    const QByteArray key = value.left(eq).trimmed().toUtf8();
    const QByteArray text = value.mid(eq + 1).toUtf8();
    survey::SurveyDetails scratch;
    const std::string why = survey::SetSurveyKey(scratch, key.toStdString(), text.toStdString());
    if (!why.empty()) return QStringLiteral("--set: ") + QString::fromStdString(why);
    o.surveySets.emplace_back(key.toStdString(), text.toStdString());
    return {};
}

QCommandLineOption Switch(QStringList names, const char* help) {
    return QCommandLineOption(names, QString::fromLatin1(help));
}

QCommandLineOption Valued(QStringList names, const char* help, const char* value) {
    return QCommandLineOption(names, QString::fromLatin1(help), QString::fromLatin1(value));
}

QStringList Names(const char* shortName, const char* name) {
    QStringList names;
    if (*shortName) names << QString::fromLatin1(shortName);
    names << QString::fromLatin1(name);
    return names;
}

// The table of options, in the order --help lists them.
std::vector<OptionRow> DeclareOptions() {
    std::vector<OptionRow> rows;
    const auto kind = [&rows](const char* shortName, const char* name, const char* help,
                              OutputKind k) {
        rows.push_back({Switch(Names(shortName, name), help),
                        [k](const QString&, ConvertOptions& o) { return ChooseKind(o, k); }});
    };
    kind("a", "analysis", "Write the pipe-condition table (.csv) instead of the .xyz.",
         OutputKind::Analysis);
    kind("", "ply", "Write the point cloud (.ply) instead of the .xyz.", OutputKind::Ply);
    kind("", "las", "Write the point cloud as LAS 1.4 (.las) instead of the .xyz.",
         OutputKind::Las);
    kind("", "report", "Write the inspection report (.pdf) instead of the .xyz.",
         OutputKind::Report);
    kind("", "observations",
         "Write coded observations (.en13508.txt, .pacp.csv and .pacp-inspection.csv) instead "
         "of the .xyz.",
         OutputKind::Observations);
    kind("", "grade", "Write the grade profile (.grade.csv) instead of the .xyz.",
         OutputKind::Grade);
    kind("", "geojson",
         "Write the surveyed pipe and its findings as a map (.geojson, WGS 84) instead of the "
         ".xyz; needs the nodes' coordinates and crs in the survey details.",
         OutputKind::GeoJson);
    kind("", "compare",
         "Compare two recordings of one pipe, OLD.31l NEW.31l: NEW.compare.csv (each figure of "
         "both on a 0.1 m grid, the change and where it is significant) and NEW.compare.pdf.",
         OutputKind::Compare);

    const analysis::ReportThresholds defaults;
    for (std::size_t i = 0; i < kThresholds.size(); ++i) {
        const ThresholdOption& t = kThresholds[i];
        rows.push_back({QCommandLineOption(QString::fromLatin1(t.name),
                                           QString::fromLatin1(t.help).arg(defaults.*t.field),
                                           QString::fromLatin1(t.unit)),
                        [i](const QString& value, ConvertOptions& o) {
                            o.thresholdTexts[i] = value;
                            return QString();
                        }});
    }

    rows.push_back({Switch({"f", "force"}, "Replace output files that exist."),
                    [](const QString&, ConvertOptions& o) {
                        o.force = true;
                        return QString();
                    }});
    rows.push_back({Switch({"skip-existing"},
                           "Leave output files that exist as they are and go on with the other "
                           "recordings; --summary still gives their lines, from their recordings, "
                           "and replaces a summary the converter wrote before."),
                    [](const QString&, ConvertOptions& o) {
                        o.skipExisting = true;
                        return QString();
                    }});
    rows.push_back({Valued({"o", "output"},
                           "Write the output to PATH (one input only, or several recordings of "
                           "one pipe as one --report).",
                           "PATH"),
                    ReadOutput});
    rows.push_back(
        {Switch({"q", "quiet"}, "No progress bar and no summary; failures are still explained."),
         [](const QString&, ConvertOptions& o) {
             o.quiet = true;
             return QString();
         }});
    rows.push_back({Valued({"j", "jobs"},
                           "Convert N files at once, keeping at most N threads busy (default: the "
                           "number of processors; a LAS file takes a second thread when fewer "
                           "files than N are left; a report is drawn one file at a time).",
                           "N"),
                    ReadJobs});
    rows.push_back({Valued({"summary"},
                           "Also write one CSV line per recording (times, distances, worst "
                           "figures) to PATH.",
                           "PATH"),
                    ReadSummary});
    const auto number = [&rows](const scale::OptionText& t,
                                std::optional<double> scale::Choice::*field) {
        rows.push_back({Valued({t.name}, t.help, t.value),
                        [t, field](const QString& value, ConvertOptions& o) {
                            return scale::ReadNumber(value, t.name, o.scale.*field);
                        }});
    };
    number(scale::kSoundSpeed, &scale::Choice::givenSpeed);
    number(scale::kWaterTemperature, &scale::Choice::temperatureC);
    number(scale::kSalinity, &scale::Choice::salinityPsu);
    number(scale::kCalibrationRing, &scale::Choice::ringDiameter);
    rows.push_back({Valued({"survey"},
                           "Read the survey details of the one input from PATH instead of "
                           "FILE.survey.json beside it.",
                           "PATH"),
                    ReadSurvey});
    rows.push_back({Valued({"set"},
                           "Set a survey-details key for every recording of the run, over what "
                           "their files say (repeatable; coordinates as x,y,z; an empty VALUE "
                           "unsets the key).",
                           "KEY=VALUE"),
                    ReadSet, true});
    rows.push_back(
        {Switch({"fit-length"}, "--las, --geojson: stretch the recorded distance so the survey's "
                                "furthest point lands on the finish node (otherwise it is used as "
                                "measured)."),
         [](const QString&, ConvertOptions& o) {
             if (o.kind != OutputKind::Las && o.kind != OutputKind::GeoJson)
                 return QStringLiteral("--fit-length goes with --las or --geojson");
             o.fitLength = true;
             return QString();
         }});
    return rows;
}

} // namespace

int Usage(const QString& why) {
    // Names in the message are printed as the bytes they were given as.
    std::fprintf(stderr, "tubescan-convert: %s\nTry 'tubescan-convert --help'.\n",
                 ArgumentBytes(why).c_str());
    return kUsageError;
}

std::optional<ConvertOptions> ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const std::vector<OptionRow> rows = DeclareOptions();
    for (const OptionRow& row : rows)
        parser.addOption(row.option);
    parser.addPositionalArgument(QStringLiteral("FILE.31l"), QStringLiteral("Recordings."),
                                 QStringLiteral("FILE.31l [MORE.31l ...]"));

    if (!parser.parse(arguments)) return Usage(parser.errorText()), std::nullopt;
    if (parser.isSet(helpOption)) parser.showHelp(0);
    if (parser.isSet(versionOption)) parser.showVersion();

    ConvertOptions options;
    options.inputNames = parser.positionalArguments();
    if (options.inputNames.isEmpty())
        return Usage(QStringLiteral("no .31l file given")), std::nullopt;
    for (const QString& name : options.inputNames)
        options.inputs.push_back(LocalPath(name));
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    for (const OptionRow& row : rows) {
        if (!parser.isSet(row.option)) continue;
        const QStringList values = row.option.valueName().isEmpty() ? QStringList{QString()}
                                   : row.repeatable                 ? parser.values(row.option)
                                                    : QStringList{parser.value(row.option)};
        for (const QString& value : values)
            if (const QString why = row.read(value, options); !why.isEmpty())
                return Usage(why), std::nullopt;
    }
    if (options.kind == OutputKind::Compare && options.inputs.size() != 2)
        return Usage(QStringLiteral("--compare takes two recordings: OLD.31l NEW.31l")),
               std::nullopt;
    if (options.kind == OutputKind::Compare && !options.summaryPath.empty())
        return Usage(QStringLiteral("--summary is for separate files, not a comparison")),
               std::nullopt;
    if (options.force && options.skipExisting)
        return Usage(QStringLiteral("choose one of --force and --skip-existing")), std::nullopt;
    if (const QString why = scale::Settle(options.scale); !why.isEmpty())
        return Usage(why), std::nullopt;
    // The ring check prints its line and writes nothing.
    if (options.scale.ringDiameter && (options.kind != OutputKind::Xyz ||
                                       !options.outputPath.empty() || !options.summaryPath.empty()))
        return Usage(QStringLiteral("--calibration-ring writes nothing; no output option goes "
                                    "with it")),
               std::nullopt;
    return options;
}

} // namespace convert
