// The report module: found beside the converter or in the program's library
// folder, loaded only when a report is asked for (and never let go).
#pragma once

#include <string>

struct ReportModule;

namespace convert {

// True when the command line asks for a report (before "--").
bool AsksForReport(int argc, char** argv);

// The module, or nullptr with the reason in why.
const ReportModule* LoadReportModule(std::string& why);

// The report's charts are graphics widgets and need a QApplication; on the
// offscreen platform it needs no display, so the converter stays headless.
// Asked for X with a display there (QT_QPA_PLATFORM=xcb, DISPLAY set), it
// uses it: with OpenGL the report's 3D page is the 3D view's own picture.
void PrepareReportPlatform();

} // namespace convert
