// tubescan-convert run as a separate process from a folder of its own, so
// the settings file beside it is the one the test wrote.
#pragma once

#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <string>

#include "../core/TempDir.h"

namespace converttest {

// Loopback everywhere; a zoom and speed of sound that are not the defaults,
// so a converter that ignored the settings would write other numbers.
inline const std::string kSettings = "[System Settings]\r\n"
                                     "IP Address=127.0.0.1\r\n"
                                     "Output UDP Address=127.0.0.1\r\n"
                                     "Output UDP Port=4999\r\n"
                                     "Zoom=1.5\r\n"
                                     "Speed of Sound=1430\r\n"
                                     "[Sonar Settings]\r\n";

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
};

// The tool copied into a folder of its own, beside the settings file it is
// meant to find there.
class Tool {
  public:
    explicit Tool(const std::string& settings = kSettings) {
        std::filesystem::copy_file(TUBESCAN_CONVERT_PATH, m_dir.File("tubescan-convert"));
        // The report module it loads for --report, from beside it.
        std::filesystem::copy_file(std::filesystem::path(TUBESCAN_CONVERT_PATH).parent_path() /
                                       "tubescan-report.so",
                                   m_dir.File("tubescan-report.so"));
        if (!settings.empty()) m_dir.Write("TubescanL.INI", settings);
    }
    ToolRun operator()(const QStringList& args, const std::string& cwd = {}) const {
        QProcess p;
        if (!cwd.empty()) p.setWorkingDirectory(QString::fromStdString(cwd));
        p.start(QString::fromStdString(m_dir.File("tubescan-convert")), args);
        ToolRun r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            r.err = "timed out";
            return r;
        }
        if (p.exitStatus() != QProcess::NormalExit) {
            r.err = "crashed";
            return r;
        }
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }

    std::string Path() const { return m_dir.File("tubescan-convert"); }
    // Puts text in place of the report module beside the tool; none: removes it.
    void ReplaceReportModule(const std::string* text) const {
        std::filesystem::remove(m_dir.File("tubescan-report.so"));
        if (text) m_dir.Write("tubescan-report.so", *text);
    }

  private:
    TempDir m_dir;
};

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace converttest
