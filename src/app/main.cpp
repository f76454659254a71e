// TubescanL: operates a profiling sonar head in a pipe.
#include <clocale>
#include <csignal>

#include <QApplication>

#include "app/AccessibilityBusProbe.h"
#include "app/AccessibilityGuard.h"
#include "app/CommandLine.h"
#include "app/TubescanApp.h"

int main(int argc, char** argv) {
    QCoreApplication::setApplicationVersion(QStringLiteral(TUBESCAN_VERSION));
    AnswerHelpOrVersion(argc, argv);
    // Past a file-size limit a recording's write fails with EFBIG and is
    // reported like any failed write, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Before Qt's bridge can wait 25 s on an accessibility bus that never
    // answers (see the probe).
    a11y::AvoidWedgedAccessibilityBus();
    QApplication qtApp(argc, argv);
    // The installed desktop entry carries this id: the desktop then groups
    // the window under the program's own menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TUBESCAN_APP_ID));
    // Qt has set the locale from the environment; numbers printed with the C
    // library must still use "." whatever the operator's language.
    std::setlocale(LC_NUMERIC, "C");
    // A screen reader's GetAll would otherwise end the program (see the guard).
    a11y::GuardAccessibilityBridge(&qtApp);
    CTubescanApp app;
    if (!app.InitInstance(QCoreApplication::arguments())) return 1;
    // SIGTERM during a start-up question (a nested event loop) has already
    // closed the document: there is no loop left to run.
    if (app.ExitRequested()) return app.ExitInstance(0);
    const int result = QApplication::exec();
    return app.ExitInstance(result);
}
