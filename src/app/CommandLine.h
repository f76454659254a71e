// The program's command line: one optional FILE to record to, --help and
// --version. Described once so the early answer (before any window exists)
// and the start-up read the same options.
#pragma once

class QCommandLineParser;

// Adds the program's description, options and FILE argument to the parser.
void DescribeCommandLine(QCommandLineParser& parser);

// Answers --help and --version and ends the process, before the windowing
// system is touched, so both work on a terminal without a display. Returns
// when neither was asked for; everything else is left to the start-up.
void AnswerHelpOrVersion(int argc, char** argv);
