#include "doc/ObservationOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "doc/ConditionOutput.h"
#include "format/DataFileIo.h"

ObservationOutput::ObservationOutput(std::string recordingName, std::string tablePath,
                                     const analysis::ObservationThresholds& thresholds)
    : m_name(std::move(recordingName)), m_tablePath(std::move(tablePath)),
      m_tableTemporary(m_tablePath + ".part" + std::to_string(::getpid())),
      m_thresholds(thresholds), m_summary({}, true, thresholds.deadband) {}

ObservationOutput::~ObservationOutput() {
    std::remove(m_tableTemporary.c_str());
}

bool ObservationOutput::Create(const std::string& path, const conversion::PassContext& pass,
                               int* error) {
    // Nothing is written until the end, but a folder that cannot take the
    // file is better found now.
    if (!ProbeWritable(path, error)) return false;
    m_textPath = path;
    m_summary.SetPipe(pass.pipe);
    return true;
}

void ObservationOutput::Add(const analysis::ProfileSample& sample) {
    ++m_points;
    m_summary.Add(sample);
}

bool ObservationOutput::Finish() {
    m_summary.Finish();
    m_found = analysis::FindObservations(m_summary.Scans(), m_thresholds);
    if (WriteWholeFile(m_textPath, analysis::En13508Text(m_found, m_name)) &&
        WriteWholeFile(m_tableTemporary, analysis::ConditionsCsv(m_found)))
        return true;
    m_writeError = errno;
    return false;
}

bool ObservationOutput::Commit(std::string* why) {
    if (std::rename(m_tableTemporary.c_str(), m_tablePath.c_str()) == 0) return true;
    if (why) *why = "cannot create " + m_tablePath + ": " + std::strerror(errno);
    return false;
}
