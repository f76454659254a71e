#include "ReportModuleLoader.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstring>
#include <dlfcn.h>
#include <filesystem>

#include "report/ReportModule.h"

namespace convert {

namespace {

QtMessageHandler g_qtMessages = nullptr;

void QuietRuntimeDir(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    if (g_qtMessages) g_qtMessages(type, context, text);
}

} // namespace

bool AsksForReport(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--report") == 0) return true;
    return false;
}

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

void PrepareReportPlatform() {
    if (qgetenv("QT_QPA_PLATFORM") != "xcb" || qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A shell without a login session has no runtime folder; the report
    // needs none, so Qt's remark about it is only noise on the terminal.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        g_qtMessages = qInstallMessageHandler(QuietRuntimeDir);
}

} // namespace convert
