// The report module: found beside the converter or in the program's library
// folder, loaded only when a report is asked for (and never let go).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct ReportModule;

namespace convert {

// True when the command line asks for a report (before "--").
bool AsksForReport(int argc, char** argv);

// The module, or nullptr with the reason in why; the converter's own path
// is read from /proc/self/exe.
const ReportModule* LoadReportModule(std::string& why);

// The same for a converter at program (nullopt: its path is unknown).
const ReportModule* LoadReportModuleFor(const std::optional<std::filesystem::path>& program,
                                        std::string& why);

// Where the module is looked for, and how to say it was found in none: beside
// an absolute program path and in the library folder below it, else only in
// the installed library folder. Every candidate is an absolute path: the
// current folder, where a module could be planted, is never looked in.
struct ModuleSearch {
    std::vector<std::filesystem::path> candidates;
    std::string where;
};
ModuleSearch ReportModuleSearch(const std::optional<std::filesystem::path>& program);

// The report's charts are graphics widgets and need a QApplication; on the
// offscreen platform it needs no display, so the converter stays headless.
// Asked for X with a display there (QT_QPA_PLATFORM=xcb, DISPLAY set), it
// uses it: with OpenGL the report's 3D page is the 3D view's own picture.
void PrepareReportPlatform();

} // namespace convert
