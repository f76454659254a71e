#include "ReportModuleLoader.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "format/ModuleImage.h"

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
        if (std::strcmp(argv[i], "--report") == 0 || std::strcmp(argv[i], "--compare") == 0)
            return true;
    return false;
}

namespace {

// The module's bytes, judged before the system's loader maps them: a FIFO
// or a device under its name is refused without waiting on it, a file cut
// short or built for another machine with the reason. Empty when it may be
// loaded; an absent file says so in *absent.
std::string ModuleFileProblem(const std::filesystem::path& path, bool* absent) {
    *absent = false;
    // Non-blocking: opening a FIFO would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *absent = errno == ENOENT;
        return path.string() + " cannot be read: " + std::strerror(errno);
    }
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = path.string() + " cannot be read: " + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        why = path.string() + " is not a regular file";
    } else {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got != bytes.size())
            why = path.string() + " could not be read whole";
        else if (const std::string problem = module::ImageProblem(bytes); !problem.empty())
            why = path.string() + " " + problem;
    }
    ::close(fd);
    return why;
}

} // namespace

ModuleSearch ReportModuleSearch(const std::optional<std::filesystem::path>& program) {
    ModuleSearch search;
    if (program && program->is_absolute()) {
        const std::filesystem::path dir = program->parent_path();
        search.candidates = {dir / kReportModuleFile,
                             dir / TUBESCAN_REPORT_MODULE_DIR / kReportModuleFile};
        search.where = "neither beside the converter nor in " +
                       (dir / TUBESCAN_REPORT_MODULE_DIR).lexically_normal().string();
    } else {
        search.candidates = {std::filesystem::path(TUBESCAN_REPORT_MODULE_INSTALL_DIR) /
                             kReportModuleFile};
        search.where = "not in " + std::string(TUBESCAN_REPORT_MODULE_INSTALL_DIR) +
                       " (the converter's own folder is unknown: /proc/self/exe cannot be read)";
    }
    return search;
}

const ReportModule* LoadReportModule(std::string& why) {
    // The converter's own folder comes from the system, never from the
    // current folder or the command line, where a module could be planted.
    // Without it only the installed library folder is looked in.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return LoadReportModuleFor(ec ? std::nullopt : std::optional(program), why);
}

const ReportModule* LoadReportModuleFor(const std::optional<std::filesystem::path>& program,
                                        std::string& why) {
    const ModuleSearch search = ReportModuleSearch(program);
    const std::vector<std::filesystem::path>& candidates = search.candidates;
    const std::string& where = search.where;
    why.clear();
    for (const std::filesystem::path& candidate : candidates) {
        bool absent = false;
        if (std::string problem = ModuleFileProblem(candidate, &absent); !problem.empty()) {
            if (!absent) why = std::move(problem);
            continue;
        }
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
    if (why.empty()) why = std::string(kReportModuleFile) + " is " + where;
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
