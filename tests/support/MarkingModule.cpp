// A shared object that stands in for a report module planted by someone
// else: its constructor runs the moment the system maps it, before any entry
// point is looked up, and leaves a file where TUBESCAN_TEST_MODULE_MARK says.
// Its entry point gives nothing, as a module of another program would.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void LeaveMark() {
    if (const char* path = std::getenv("TUBESCAN_TEST_MODULE_MARK"))
        if (std::FILE* f = std::fopen(path, "w")) std::fclose(f);
}

} // namespace

// The entry point's own type, so a caller that checks function types (the
// undefined-behaviour sanitizer does) sees the call it expects.
struct ReportModule;

extern "C" __attribute__((visibility("default"))) const ReportModule* tubescan_report_module() {
    return nullptr;
}
