#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include "app/MenuLayout.h"

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Operates a profiling sonar head in a pipe: connects to the head at once and shows a\n"
        "live cross-section. Given a file, starts recording to it: the name is cut before the\n"
        "first \".\" of its file-name part and \".31l\" appended. Closing the window, SIGINT\n"
        "and SIGTERM save the settings and exit with status 0."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Start recording to this name (\".31l\")."),
                                 QStringLiteral("[file]"));
}

void AnswerHelpOrVersion(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    // Errors are not reported here: the windowing system's own options
    // (-platform, -display ...) are only known once the application exists,
    // and the start-up reports whatever is still wrong then.
    parser.parse(arguments);
    const bool version = parser.isSet(QStringLiteral("version"));
    const bool help = parser.isSet(QStringLiteral("help"));
    if (!version && !help) return;
    // Help text and version line need an application object, not a display.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    if (version) parser.showVersion();
    parser.showHelp(0);
}
