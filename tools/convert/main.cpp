// tubescan-convert: converts TubescanL recordings (.31l) to .xyz text files
// from a shell, writing exactly what the program's own conversion writes
// with the same settings file.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "doc/ConditionOutput.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"
#include "format/NumberText.h"
#include "format/RecordFileName.h"
#include "report/SurveyReport.h"

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

void PrintSummary(const analysis::ConditionSurvey& survey) {
    const auto number = [](double v, int decimals) {
        return v == v ? FormatFixed(v, decimals) : std::string("n/a");
    };
    std::printf("  %zu scans; worst ovality (ASTM F1216) %s %% at %s m; worst area loss %s %% at "
                "%s m; debris volume %s m3\n",
                survey.Scans(), number(survey.WorstOvality(), 2).c_str(),
                number(survey.WorstOvalityDistance(), 3).c_str(),
                number(survey.WorstAreaLoss(), 2).c_str(),
                number(survey.WorstAreaLossDistance(), 3).c_str(),
                number(survey.DebrisVolume(), 4).c_str());
}

QtMessageHandler g_qtMessages = nullptr;

void QuietRuntimeDir(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    if (g_qtMessages) g_qtMessages(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write must fail with EFBIG (reported, the
    // temporary file removed), not kill the converter without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // The report's charts are graphics widgets and need a QApplication; on the
    // offscreen platform it needs no display, so the converter stays headless.
    // Asked for X with a display there (QT_QPA_PLATFORM=xcb, DISPLAY set), it
    // uses it: with OpenGL the report's 3D page is the 3D view's own picture.
    bool drawsReport = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        drawsReport = drawsReport || std::strcmp(argv[i], "--report") == 0;
    if (drawsReport) {
        if (qgetenv("QT_QPA_PLATFORM") != "xcb" || qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A shell without a login session has no runtime folder; the report
        // needs none, so Qt's remark about it is only noise on the terminal.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            g_qtMessages = qInstallMessageHandler(QuietRuntimeDir);
    }
    const std::unique_ptr<QCoreApplication> app =
        drawsReport ? std::make_unique<QApplication>(argc, argv)
                    : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tubescan-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUBESCAN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts TubescanL recordings (.31l) to .xyz text files: one line per profile point,\n"
        "the same lines the program's \"Convert .31L file to .xyz...\" writes. Settings come\n"
        "from TubescanL.INI beside the program (or the user's configuration folder).\n"
        "Each FILE.31l becomes FILE.xyz. Exit status: 0 all converted, 1 a file failed,\n"
        "2 usage error.\n"
        "With --analysis each FILE.31l becomes FILE.csv instead: one line per scan (a\n"
        "revolution, or a pass across the sector) with the pipe centre, inside diameters,\n"
        "ovality (ASTM F1216: 100 x (mean - min) / mean), open area, area loss against the\n"
        "nominal pipe of the settings, and the debris on the invert, against distance.\n"
        "With --ply each FILE.31l becomes FILE.ply: the .xyz points, in their order, as a\n"
        "binary point cloud with each point's scan number and echo level.\n"
        "With --report each FILE.31l becomes FILE.pdf: an inspection report with the\n"
        "survey, the findings, plots of the figures against distance with the stretches\n"
        "over the thresholds shaded, and drawings of the worst cross-sections."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Replace output files that exist."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the output to PATH (one input only)."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption quiet(
        {QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("No progress bar and no summary; failures are still explained."));
    const QCommandLineOption analysisOption(
        {QStringLiteral("a"), QStringLiteral("analysis")},
        QStringLiteral("Write the pipe-condition table (.csv) instead of the .xyz."));
    const QCommandLineOption plyOption(
        QStringLiteral("ply"), QStringLiteral("Write the point cloud (.ply) instead of the .xyz."));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        QStringLiteral("Write the inspection report (.pdf) instead of the .xyz."));
    const analysis::ReportThresholds defaults;
    const QCommandLineOption ovalityLimit(
        QStringLiteral("ovality-threshold"),
        QStringLiteral("Report: ovality in percent over which a stretch is reported (default %1).")
            .arg(defaults.ovality),
        QStringLiteral("PCT"));
    const QCommandLineOption lossLimit(
        QStringLiteral("area-loss-threshold"),
        QStringLiteral("Report: area loss in percent over which a stretch is reported (default "
                       "%1).")
            .arg(defaults.areaLoss),
        QStringLiteral("PCT"));
    const QCommandLineOption debrisLimit(
        QStringLiteral("debris-threshold"),
        QStringLiteral("Report: debris depth in metres over which a stretch is reported (default "
                       "%1).")
            .arg(defaults.debrisDepth),
        QStringLiteral("M"));
    parser.addOption(analysisOption);
    parser.addOption(plyOption);
    parser.addOption(reportOption);
    parser.addOption(ovalityLimit);
    parser.addOption(lossLimit);
    parser.addOption(debrisLimit);
    parser.addOption(force);
    parser.addOption(output);
    parser.addOption(quiet);
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
    std::string outputPath;
    if (parser.isSet(output)) {
        if (inputs.size() != 1) return usage(QStringLiteral("-o takes exactly one input file"));
        outputPath = LocalPath(parser.value(output));
        if (outputPath.empty()) return usage(QStringLiteral("-o needs a file name"));
    }
    const bool beQuiet = parser.isSet(quiet);
    const bool analyse = parser.isSet(analysisOption);
    const bool cloud = parser.isSet(plyOption);
    const bool report = parser.isSet(reportOption);
    if (int(analyse) + int(cloud) + int(report) > 1)
        return usage(QStringLiteral("choose one of --analysis, --ply and --report"));
    ReportSettings reportSettings;
    reportSettings.version = TUBESCAN_VERSION;
    for (const auto& [option, limit] :
         {std::pair{&ovalityLimit, &reportSettings.thresholds.ovality},
          {&lossLimit, &reportSettings.thresholds.areaLoss},
          {&debrisLimit, &reportSettings.thresholds.debrisDepth}}) {
        if (!parser.isSet(*option)) continue;
        bool ok = false;
        *limit = parser.value(*option).toDouble(&ok);
        if (!ok || !std::isfinite(*limit) || *limit < 0.0)
            return usage(QStringLiteral("--%1 needs a number of 0 or more")
                             .arg(option->names().constFirst()));
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

    ProgressBar bar(!beQuiet && ::isatty(STDERR_FILENO));
    int failures = 0;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const std::string input = LocalPath(inputs[i]);
        const std::string target = !outputPath.empty() ? outputPath
                                   : analyse           ? conversion::CsvPathFor(input)
                                   : cloud             ? conversion::PathWithExtension(input, "ply")
                                   : report            ? conversion::PathWithExtension(input, "pdf")
                                                       : conversion::XyzPathFor(input);
        ConditionCsvOutput table;
        PointCloudOutput points;
        SurveyReportOutput document(BaseName(input), reportSettings);
        conversion::PointOutput* const outputs[] = {nullptr, &table, &points, &document};
        options.points = outputs[analyse ? 1 : cloud ? 2 : report ? 3 : 0];
        const std::string label = (inputs.size() > 1 ? "[" + std::to_string(i + 1) + "/" +
                                                           std::to_string(inputs.size()) + "] "
                                                     : std::string()) +
                                  BaseName(input);
        options.progress = [&](int percent) { bar.Show(label, percent); };
        const conversion::Result r = conversion::ConvertRecordFile(input, target, options);
        bar.Clear();
        if (r.outcome == conversion::Outcome::Converted) {
            if (!beQuiet)
                std::printf("%s -> %s: %llu points\n", input.c_str(), target.c_str(),
                            static_cast<unsigned long long>(r.lines));
            if (!beQuiet && analyse) PrintSummary(table.Survey());
        } else {
            ++failures;
            // A report that could not be drawn says why; the pass's own
            // reason is the generic one.
            const std::string why =
                report && !document.Error().empty() ? document.Error() : r.detail;
            std::fprintf(stderr, "tubescan-convert: %s: %s\n", input.c_str(), why.c_str());
        }
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
