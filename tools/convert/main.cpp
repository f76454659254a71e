// tubescan-convert: converts TubescanL recordings (.31l) to .xyz text files
// from a shell, writing exactly what the program's own conversion writes
// with the same settings file.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "analysis/SurveySummary.h"
#include "doc/ConditionOutput.h"
#include "doc/GradeOutput.h"
#include "doc/ObservationOutput.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"
#include "format/NumberText.h"
#include "format/RecordFileName.h"
#include "report/ReportModule.h"

namespace {

constexpr int kUsageError = 2;

std::string LocalPath(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// A one-line bar on stderr, redrawn in place.
class ProgressBar {
  public:
    explicit ProgressBar(bool enabled) : m_enabled(enabled) {}
    void Show(const std::string& label, int percent) {
        if (!m_enabled) return;
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", label.c_str(), std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '-').c_str(), percent);
        std::fflush(stderr);
        m_shown = true;
    }
    void Clear() {
        if (!m_shown) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }

  private:
    bool m_enabled;
    bool m_shown = false;
};

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a path names, so that two names of one file are told as one: the
// device and inode of a file that exists, else the absolute path with "."
// and ".." worked out.
std::string FileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return std::filesystem::weakly_canonical(absolute, ec).lexically_normal().string();
}

std::string SummaryText(const analysis::ConditionSurvey& survey) {
    const auto number = [](double v, int decimals) {
        return v == v ? FormatFixed(v, decimals) : std::string("n/a");
    };
    return "  " + std::to_string(survey.Scans()) + " scans; worst ovality (ASTM F1216) " +
           number(survey.WorstOvality(), 2) + " % at " + number(survey.WorstOvalityDistance(), 3) +
           " m; worst area loss " + number(survey.WorstAreaLoss(), 2) + " % at " +
           number(survey.WorstAreaLossDistance(), 3) + " m; debris volume " +
           number(survey.DebrisVolume(), 4) + " m3\n";
}

QtMessageHandler g_qtMessages = nullptr;

// The report module, loaded when a report is asked for (and never let go).
const ReportModule* g_report = nullptr;

// Loads the report module from beside the converter or from the program's
// library folder; nullptr with the reason in why when it cannot.
const ReportModule* LoadReportModule(std::string& why) {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::path(".") : program.parent_path();
    why.clear();
    for (const std::filesystem::path& candidate :
         {dir / kReportModuleFile, dir / TUBESCAN_REPORT_MODULE_DIR / kReportModuleFile}) {
        if (!std::filesystem::exists(candidate, ec)) continue;
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* error = ::dlerror();
            why = error ? error : candidate.string() + " cannot be loaded";
            continue;
        }
        using Entry = const ReportModule* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kReportModuleEntry));
        const ReportModule* module = entry ? entry() : nullptr;
        if (module && module->version == kReportModuleVersion) return module;
        why = candidate.string() + " is not this converter's report module";
    }
    if (why.empty())
        why = std::string(kReportModuleFile) + " is neither beside the converter nor in " +
              (dir / TUBESCAN_REPORT_MODULE_DIR).lexically_normal().string();
    return nullptr;
}

// The signal that asked the converter to stop, 0 while none did. A lock-free
// atomic is safe to set from a handler and is read by every job's loop.
std::atomic<int> g_stop{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int signal) {
    g_stop.store(signal, std::memory_order_relaxed);
}

// SIGINT (Ctrl+C), SIGTERM and SIGHUP end the run through the conversion's
// own cleanup (partial outputs removed) instead of killing it mid-write.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // Writes to a terminal or a pipe carry on; the loops look at the flag.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// The outputs the converter writes, one row each: the option that asks for
// it (none: the .xyz), its help, and the output's name for an input.
enum class Kind { Xyz, Analysis, Ply, Las, Report, Observations, Grade };

struct OutputKind {
    Kind kind;
    const char* shortName; // "" when none
    const char* name;
    const char* help;
    std::string (*target)(const std::string& input);
};

std::string ObservationTablePath(const std::string& input) {
    return conversion::PathWithExtension(input, "pacp.csv");
}

const OutputKind kOutputs[] = {
    {Kind::Analysis, "a", "analysis", "Write the pipe-condition table (.csv) instead of the .xyz.",
     [](const std::string& in) { return conversion::CsvPathFor(in); }},
    {Kind::Ply, "", "ply", "Write the point cloud (.ply) instead of the .xyz.",
     [](const std::string& in) { return conversion::PathWithExtension(in, "ply"); }},
    {Kind::Las, "", "las", "Write the point cloud as LAS 1.4 (.las) instead of the .xyz.",
     [](const std::string& in) { return conversion::PathWithExtension(in, "las"); }},
    {Kind::Report, "", "report", "Write the inspection report (.pdf) instead of the .xyz.",
     [](const std::string& in) { return conversion::PathWithExtension(in, "pdf"); }},
    {Kind::Observations, "", "observations",
     "Write coded observations (.en13508.txt, .pacp.csv and .pacp-inspection.csv) instead of "
     "the .xyz.",
     [](const std::string& in) { return conversion::PathWithExtension(in, "en13508.txt"); }},
    {Kind::Grade, "", "grade", "Write the grade profile (.grade.csv) instead of the .xyz.",
     [](const std::string& in) { return conversion::PathWithExtension(in, "grade.csv"); }},
};

// A threshold option, the range it must lie in and where its value goes.
struct ThresholdOption {
    const char* name;
    const char* help;
    const char* unit;
    double analysis::ReportThresholds::*field;
};

const ThresholdOption kThresholds[] = {
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
};

// The largest inside height of the nominal pipe: no debris lies deeper.
double NominalHeight(const analysis::NominalPipe& pipe) {
    switch (pipe.shape) {
    case analysis::NominalShape::HorseShoe:
        return pipe.height;
    case analysis::NominalShape::IrregularCircle:
        return std::max(pipe.upperDiameter, pipe.lowerDiameter);
    case analysis::NominalShape::Circle:
        break;
    }
    return pipe.diameter;
}

// What one file's run leaves to print, in input order.
struct JobResult {
    bool done = false;
    bool failed = false;
    std::string out, err;
    std::string summary; // the --summary line
};

void QuietRuntimeDir(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    if (g_qtMessages) g_qtMessages(type, context, text);
}

// Where a recording starts: the time and distance of its first profile
// point (NaN where it has none), from a pass that stops there; or, for a
// recording without a single point, why (empty when it has one).
struct FirstPlace {
    std::pair<double, double> place{NAN, NAN};
    std::string failure;
};

FirstPlace FindFirstPlace(const std::string& input, conversion::Options options,
                          const std::string& scratch) {
    std::atomic<int> found{0};
    FirstPlace first;
    options.points = nullptr;
    options.progress = nullptr;
    options.replace = true;
    options.stop = &found;
    options.tap = [&](const analysis::ProfileSample& s) {
        if (found.load() != 0) return;
        first.place = {s.time, s.distance};
        found.store(1);
    };
    const conversion::Result r =
        conversion::ConvertRecordFile(input, scratch + "/first.xyz", options);
    if (found.load() == 0) first.failure = r.detail.empty() ? "has no usable records" : r.detail;
    return first;
}

// Several recordings of one pipe drawn as one report, ordered by the time
// and then the distance at which each starts. The passes before the last
// write to a scratch folder (nothing of them is kept); the last one writes
// the report under the rules of every output.
int CombinedReport(const QStringList& inputs, const std::string& output,
                   const conversion::Options& options, const ReportSettings& settings, bool quiet) {
    if (!options.replace && ::access(output.c_str(), F_OK) == 0) {
        std::fprintf(stderr, "tubescan-convert: %s exists (--force replaces it)\n", output.c_str());
        return 1;
    }
    std::string scratch = (std::filesystem::temp_directory_path() / "tubescan-report-XXXXXX");
    if (!::mkdtemp(scratch.data())) {
        std::fprintf(stderr, "tubescan-convert: no scratch folder: %s\n", std::strerror(errno));
        return 1;
    }
    struct Part {
        std::string path;
        std::pair<double, double> start;
    };
    std::vector<Part> parts;
    int status = 0;
    for (const QString& in : inputs) {
        const FirstPlace first = FindFirstPlace(LocalPath(in), options, scratch);
        if (g_stop.load() != 0) {
            status = 128 + g_stop.load();
            break;
        }
        // A part without a point would stand in the report's title with
        // nothing of it drawn: every one is named, and no report is written.
        if (!first.failure.empty()) {
            std::fprintf(stderr, "tubescan-convert: %s: %s; the report is not written\n",
                         LocalPath(in).c_str(), first.failure.c_str());
            status = 1;
        }
        parts.push_back({LocalPath(in), first.place});
    }
    if (status != 0) parts.clear();
    // Recordings with no time at all go last, in the order given.
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        const auto key = [](const Part& p) {
            return std::tuple(std::isnan(p.start.first),
                              std::isnan(p.start.first) ? 0.0 : p.start.first,
                              std::isnan(p.start.second) ? 0.0 : p.start.second);
        };
        return key(a) < key(b);
    });
    std::string names;
    for (const Part& p : parts)
        names += (names.empty() ? "" : ", ") + BaseName(p.path);
    const std::unique_ptr<ReportCollector> made(g_report->makeOutput(names, settings));
    ReportCollector& document = *made;
    document.GatherParts(parts.size());
    for (std::size_t i = 0; i < parts.size() && status == 0; ++i) {
        const bool last = i + 1 == parts.size();
        conversion::Options mine = options;
        mine.points = &document;
        if (!last) mine.replace = true;
        const std::string target = last ? output : scratch + "/part.pdf";
        const conversion::Result r = conversion::ConvertRecordFile(parts[i].path, target, mine);
        if (r.outcome == conversion::Outcome::Interrupted) {
            status = 128 + g_stop.load();
        } else if (r.outcome != conversion::Outcome::Converted) {
            const std::string drawn = document.RenderError();
            const std::string why = !drawn.empty() ? drawn : r.detail;
            std::fprintf(stderr, "tubescan-convert: %s: %s; the report is not written\n",
                         parts[i].path.c_str(), why.c_str());
            status = 1;
        } else if (!quiet) {
            std::printf("%s -> %s\n", parts[i].path.c_str(), last ? output.c_str() : "(gathered)");
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    if (status > 128)
        std::fprintf(stderr, "tubescan-convert: interrupted; partial outputs removed\n");
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write must fail with EFBIG (reported, the
    // temporary file removed), not kill the converter without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    CatchStopSignals();
    // The report's charts are graphics widgets and need a QApplication; on the
    // offscreen platform it needs no display, so the converter stays headless.
    // Asked for X with a display there (QT_QPA_PLATFORM=xcb, DISPLAY set), it
    // uses it: with OpenGL the report's 3D page is the 3D view's own picture.
    bool drawsReport = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        drawsReport = drawsReport || std::strcmp(argv[i], "--report") == 0;
    if (drawsReport) {
        std::string why;
        g_report = LoadReportModule(why);
        if (!g_report) {
            std::fprintf(stderr, "tubescan-convert: cannot draw reports: %s\n", why.c_str());
            return 1;
        }
        if (qgetenv("QT_QPA_PLATFORM") != "xcb" || qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A shell without a login session has no runtime folder; the report
        // needs none, so Qt's remark about it is only noise on the terminal.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            g_qtMessages = qInstallMessageHandler(QuietRuntimeDir);
    }
    const std::unique_ptr<QCoreApplication> app =
        drawsReport ? std::unique_ptr<QCoreApplication>(g_report->makeApplication(argc, argv))
                    : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tubescan-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUBESCAN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
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
        "With --summary PATH one CSV line per recording goes to PATH as well."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Replace output files that exist."));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the output to PATH (one input only, or several recordings of one "
                       "pipe as one --report)."),
        QStringLiteral("PATH"));
    const QCommandLineOption quiet(
        {QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("No progress bar and no summary; failures are still explained."));
    const QCommandLineOption jobsOption(
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("Convert N files at once, keeping at most N threads busy (default: the "
                       "number of processors; a LAS file takes a second thread when fewer files "
                       "than N are left; a report is drawn one file at a time)."),
        QStringLiteral("N"));
    const QCommandLineOption summaryOption(
        QStringLiteral("summary"),
        QStringLiteral("Also write one CSV line per recording (times, distances, worst figures) "
                       "to PATH."),
        QStringLiteral("PATH"));
    std::vector<QCommandLineOption> kindOptions;
    for (const OutputKind& k : kOutputs) {
        QStringList names;
        if (*k.shortName) names << QString::fromLatin1(k.shortName);
        names << QString::fromLatin1(k.name);
        kindOptions.emplace_back(names, QString::fromLatin1(k.help));
    }
    const analysis::ReportThresholds defaults;
    std::vector<QCommandLineOption> thresholdOptions;
    for (const ThresholdOption& t : kThresholds)
        thresholdOptions.emplace_back(QString::fromLatin1(t.name),
                                      QString::fromLatin1(t.help).arg(defaults.*t.field),
                                      QString::fromLatin1(t.unit));
    for (const auto& o : kindOptions)
        parser.addOption(o);
    for (const auto& o : thresholdOptions)
        parser.addOption(o);
    for (const auto* o : {&force, &output, &quiet, &jobsOption, &summaryOption})
        parser.addOption(*o);
    parser.addPositionalArgument(QStringLiteral("FILE.31l"), QStringLiteral("Recordings."),
                                 QStringLiteral("FILE.31l [MORE.31l ...]"));

    auto usage = [](const QString& why) {
        std::fprintf(stderr, "tubescan-convert: %s\nTry 'tubescan-convert --help'.\n",
                     qPrintable(why));
        return kUsageError;
    };
    if (!parser.parse(QCoreApplication::arguments())) return usage(parser.errorText());
    if (parser.isSet(helpOption)) parser.showHelp(0);
    if (parser.isSet(versionOption)) parser.showVersion();

    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty()) return usage(QStringLiteral("no .31l file given"));
    const bool beQuiet = parser.isSet(quiet);
    const OutputKind* chosen = nullptr;
    for (std::size_t i = 0; i < kindOptions.size(); ++i) {
        if (!parser.isSet(kindOptions[i])) continue;
        if (chosen)
            return usage(QStringLiteral(
                "choose one of --analysis, --ply, --las, --report, --observations and --grade"));
        chosen = &kOutputs[i];
    }
    const Kind kind = chosen ? chosen->kind : Kind::Xyz;
    std::string outputPath;
    if (parser.isSet(output)) {
        // Several recordings of one pipe make one report.
        if (inputs.size() != 1 && kind != Kind::Report)
            return usage(QStringLiteral("-o takes exactly one input file (or --report)"));
        outputPath = LocalPath(parser.value(output));
        if (outputPath.empty()) return usage(QStringLiteral("-o needs a file name"));
        if (record::HasRecordFileName(outputPath))
            return usage(
                QStringLiteral("-o %1 is a recording's name; no output is ever written as one")
                    .arg(parser.value(output)));
    }
    if (kind == Kind::Observations && !outputPath.empty())
        return usage(QStringLiteral("--observations writes two files beside the input; no -o"));
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        const int n = parser.value(jobsOption).toInt(&ok);
        if (!ok || n < 1 || n > 1024)
            return usage(QStringLiteral("-j needs a number from 1 to 1024"));
        jobs = static_cast<unsigned>(n);
    }
    std::string summaryPath;
    if (parser.isSet(summaryOption)) {
        summaryPath = LocalPath(parser.value(summaryOption));
        if (summaryPath.empty()) return usage(QStringLiteral("--summary needs a file name"));
    }

    // The settings file the program itself would read; the converter never
    // writes it.
    const std::string programDir = LocalPath(QCoreApplication::applicationDirPath()) + "/";
    conversion::Options options;
    const std::string settingsPath = ResolveSettingsPath(programDir);
    std::string settingsError;
    options.settings = IniFile::Load(settingsPath, &settingsError);
    if (!settingsError.empty() && ::access(settingsPath.c_str(), F_OK) == 0)
        std::fprintf(stderr,
                     "tubescan-convert: could not read the settings file %s (%s); the "
                     "factory settings are used.\n",
                     settingsPath.c_str(), settingsError.c_str());
    options.replace = parser.isSet(force);
    options.stop = &g_stop;

    analysis::NominalPipe pipe;
    {
        CTubescanDoc doc;
        doc.LoadSettings(options.settings);
        pipe = NominalPipeOf(doc);
    }
    ReportSettings reportSettings;
    reportSettings.version = TUBESCAN_VERSION;
    for (std::size_t i = 0; i < thresholdOptions.size(); ++i) {
        const QCommandLineOption& option = thresholdOptions[i];
        if (!parser.isSet(option)) continue;
        const ThresholdOption& t = kThresholds[i];
        // Past these a threshold means nothing: no ovality or loss beyond all
        // of the pipe, no debris deeper than the pipe is high.
        const double most =
            t.field == &analysis::ReportThresholds::debrisDepth ? NominalHeight(pipe) : 100.0;
        bool ok = false;
        const double value = parser.value(option).toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0.0 || value > most)
            return usage(QStringLiteral("--%1 needs a number from 0 to %2")
                             .arg(QString::fromLatin1(t.name))
                             .arg(most));
        reportSettings.thresholds.*t.field = value;
    }
    analysis::ObservationThresholds observationThresholds;
    observationThresholds.ovality = reportSettings.thresholds.ovality;
    observationThresholds.depositLoss = reportSettings.thresholds.areaLoss;

    // Where each file's output goes; two names of one recording would have
    // two jobs write one file, or one report take the survey twice, and a
    // summary that lands on an output or a recording would take its place.
    const auto targetOf = [&](const std::string& input) {
        return !outputPath.empty() ? outputPath
               : chosen            ? chosen->target(input)
                                   : conversion::XyzPathFor(input);
    };
    const bool oneReport = kind == Kind::Report && inputs.size() > 1 && !outputPath.empty();
    {
        std::map<std::string, std::string> seen; // identity -> the input that took it
        for (const QString& name : inputs) {
            const std::string input = LocalPath(name);
            const std::string key = FileIdentity(oneReport ? input : targetOf(input));
            const auto [at, fresh] = seen.emplace(key, input);
            if (!fresh)
                return usage(QStringLiteral("%1 and %2 are one recording given twice")
                                 .arg(QFile::decodeName(at->second.c_str()), name));
        }
        if (!summaryPath.empty()) {
            bool clash = record::HasRecordFileName(summaryPath);
            const std::string key = FileIdentity(summaryPath);
            for (const QString& name : inputs) {
                const std::string input = LocalPath(name);
                clash = clash || key == FileIdentity(input) ||
                        key == FileIdentity(targetOf(input)) ||
                        (kind == Kind::Observations &&
                         (key == FileIdentity(ObservationTablePath(input)) ||
                          key == FileIdentity(ObservationOutput::InspectionPathFor(
                                     ObservationTablePath(input)))));
            }
            if (clash)
                return usage(
                    QStringLiteral("--summary %1 names a recording or an output of this run")
                        .arg(parser.value(summaryOption)));
        }
    }

    if (oneReport) {
        if (!summaryPath.empty())
            return usage(QStringLiteral("--summary is for separate files, not one report"));
        return CombinedReport(inputs, outputPath, options, reportSettings, beQuiet);
    }

    // A summary that would replace a file follows the outputs' rule.
    std::FILE* summaryFile = nullptr;
    const std::string summaryTemporary = summaryPath + ".part" + std::to_string(::getpid());
    if (!summaryPath.empty()) {
        if (!options.replace && ::access(summaryPath.c_str(), F_OK) == 0) {
            std::fprintf(stderr, "tubescan-convert: %s exists (--force replaces it)\n",
                         summaryPath.c_str());
            return 1;
        }
        summaryFile = std::fopen(summaryTemporary.c_str(), "wb");
        if (!summaryFile) {
            std::fprintf(stderr, "tubescan-convert: cannot create %s: %s\n", summaryPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
        std::fprintf(summaryFile, "%s\n", analysis::kSummaryCsvHeader);
    }

    // Each job has its own document, analyser and output; what they share
    // is the settings (read only), the results and the progress, under one
    // lock.
    const std::size_t count = static_cast<std::size_t>(inputs.size());
    // -j N keeps at most N threads busy: one per file at once, and a file
    // may take a helper thread (the LAS analysis) only when no other file
    // waits for the thread it would use.
    std::atomic<std::size_t> next{0};
    std::atomic<unsigned> running{0};
    const auto lasAnalysis = [&] {
        return next.load() >= count && running.load() < jobs ? PointCloudOutput::Analysis::OwnThread
                                                             : PointCloudOutput::Analysis::InPass;
    };
    std::vector<JobResult> results(count);
    std::vector<int> percents(count, 0);
    std::mutex lock;
    std::size_t printed = 0, finished = 0;
    ProgressBar bar(!beQuiet && ::isatty(STDERR_FILENO));
    const auto showProgress = [&] {
        int sum = 0;
        for (const int p : percents)
            sum += p;
        bar.Show("[" + std::to_string(finished) + "/" + std::to_string(count) + " files] total",
                 static_cast<int>(sum / static_cast<long>(count)));
    };
    // Prints the results that are ready, in input order.
    const auto printReady = [&] {
        while (printed < count && results[printed].done) {
            bar.Clear();
            std::fputs(results[printed].out.c_str(), stdout);
            std::fflush(stdout);
            std::fputs(results[printed].err.c_str(), stderr);
            if (summaryFile) std::fputs(results[printed].summary.c_str(), summaryFile);
            ++printed;
        }
    };

    const auto runJob = [&](std::size_t i) {
        const std::string input = LocalPath(inputs[static_cast<qsizetype>(i)]);
        const std::string target = targetOf(input);
        JobResult result;
        conversion::Options mine = options;
        mine.progress = [&, i](int percent) {
            std::lock_guard<std::mutex> hold(lock);
            percents[i] = percent;
            showProgress();
        };
        analysis::SurveySummary summary(pipe);
        if (summaryFile)
            mine.tap = [&summary](const analysis::ProfileSample& s) { summary.Add(s); };

        std::unique_ptr<conversion::PointOutput> points;
        ConditionCsvOutput* table = nullptr;
        ReportCollector* document = nullptr;
        GradeCsvOutput* gradeTable = nullptr;
        std::string refusal;
        switch (kind) {
        case Kind::Xyz:
            break;
        case Kind::Analysis:
            points = std::make_unique<ConditionCsvOutput>();
            table = static_cast<ConditionCsvOutput*>(points.get());
            break;
        case Kind::Ply:
            points = std::make_unique<PointCloudOutput>(PointCloudOutput::Format::Ply);
            break;
        case Kind::Las:
            points =
                std::make_unique<PointCloudOutput>(PointCloudOutput::Format::Las, lasAnalysis());
            break;
        case Kind::Report:
            points.reset(g_report->makeOutput(BaseName(input), reportSettings));
            document = static_cast<ReportCollector*>(points.get());
            break;
        case Kind::Grade:
            points = std::make_unique<GradeCsvOutput>();
            gradeTable = static_cast<GradeCsvOutput*>(points.get());
            break;
        case Kind::Observations: {
            const std::string tablePath = ObservationTablePath(input);
            for (const std::string& beside :
                 {tablePath, ObservationOutput::InspectionPathFor(tablePath)})
                if (refusal.empty() && !options.replace && ::access(beside.c_str(), F_OK) == 0)
                    refusal = beside + " exists (--force replaces it)";
            points = std::make_unique<ObservationOutput>(BaseName(input), tablePath,
                                                         observationThresholds);
            break;
        }
        }
        // The outputs that analyse every scan anyway (the table, the LAS file,
        // the report, the observations) hand the summary their figures rather
        // than have it work each scan out again.
        if (summaryFile && points &&
            points->OnScan([&summary](const analysis::ScanFigures& f) { summary.AddScan(f); }))
            summary.TakeScansFromOutput();
        mine.points = points.get();
        conversion::Result r;
        if (refusal.empty()) {
            r = conversion::ConvertRecordFile(input, target, mine);
        } else {
            r.outcome = conversion::Outcome::OutputExists;
            r.detail = refusal;
        }
        char line[64];
        if (r.outcome == conversion::Outcome::Converted) {
            if (!beQuiet) {
                std::snprintf(line, sizeof line, ": %llu points\n",
                              static_cast<unsigned long long>(r.lines));
                result.out = input + " -> " + target + line;
                if (kind == Kind::Observations)
                    result.out +=
                        "  " +
                        std::to_string(
                            static_cast<ObservationOutput*>(points.get())->Observations().size()) +
                        " observations proposed; also " + ObservationTablePath(input) + "\n";
            }
            if (!beQuiet && table) result.out += SummaryText(table->Survey());
            if (const std::string notes = points ? points->Notes() : std::string(); !notes.empty())
                result.err += "tubescan-convert: " + notes + "\n";
            // Not a failure, but what a crew must know even with -q.
            if (r.cutTail > 0)
                result.err += "tubescan-convert: " + input + ": the last " +
                              std::to_string(r.cutTail) +
                              " bytes are not a whole record (a recording cut short?) and were "
                              "left out\n";
            if (summaryFile) {
                summary.Finish();
                result.summary =
                    summary.Line(input, mine.survey ? *mine.survey : survey::SurveyDetails{});
            }
        } else if (r.outcome != conversion::Outcome::Interrupted) {
            result.failed = true;
            // A report that could not be drawn or a grade table without a
            // pitch says why; the pass's own reason is the generic one.
            const std::string drawn = document ? document->RenderError() : std::string();
            const std::string why = !drawn.empty() ? drawn
                                    : gradeTable && !gradeTable->Error().empty()
                                        ? gradeTable->Error()
                                        : r.detail;
            result.err = "tubescan-convert: " + input + ": " + why + "\n";
        } else {
            result.failed = true;
        }
        std::lock_guard<std::mutex> hold(lock);
        result.done = true;
        results[i] = std::move(result);
        percents[i] = 100;
        ++finished;
        printReady();
        if (finished < count) showProgress();
    };

    // The report's charts are widgets, which live on the main thread only.
    const unsigned workers =
        kind == Kind::Report ? 1u : std::min<unsigned>(jobs, static_cast<unsigned>(count));
    const auto work = [&] {
        for (std::size_t i; g_stop.load() == 0 && (i = next++) < count;) {
            ++running;
            runJob(i);
            --running;
        }
    };
    if (workers <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (unsigned w = 0; w < workers; ++w)
            pool.emplace_back(work);
        for (auto& t : pool)
            t.join();
    }
    bar.Clear();
    std::fflush(stdout);

    if (summaryFile) {
        const bool written = std::ferror(summaryFile) == 0;
        const bool closed = std::fclose(summaryFile) == 0;
        if (g_stop.load() != 0 || !written || !closed ||
            std::rename(summaryTemporary.c_str(), summaryPath.c_str()) != 0) {
            std::remove(summaryTemporary.c_str());
            if (g_stop.load() == 0) {
                std::fprintf(stderr, "tubescan-convert: cannot write %s\n", summaryPath.c_str());
                return 1;
            }
        }
    }
    if (const int signal = g_stop.load(); signal != 0) {
        std::fprintf(stderr, "tubescan-convert: interrupted; partial outputs removed\n");
        return 128 + signal;
    }
    const bool anyFailed =
        std::any_of(results.begin(), results.end(), [](const JobResult& r) { return r.failed; });
    return anyFailed ? 1 : 0;
}
