#include "doc/ObservationOutput.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "doc/ConditionOutput.h"
#include "format/DataFileIo.h"

namespace {

std::string Temporary(const std::string& path) {
    return path + ".part" + std::to_string(::getpid());
}

} // namespace

std::string ObservationOutput::InspectionPathFor(const std::string& tablePath) {
    constexpr std::string_view kTable = ".csv";
    if (tablePath.size() >= kTable.size() &&
        tablePath.compare(tablePath.size() - kTable.size(), kTable.size(), kTable) == 0)
        return tablePath.substr(0, tablePath.size() - kTable.size()) + "-inspection.csv";
    return tablePath + "-inspection.csv";
}

ObservationOutput::ObservationOutput(std::string recordingName, std::string tablePath,
                                     const analysis::ObservationThresholds& thresholds)
    : m_name(std::move(recordingName)), m_tablePath(std::move(tablePath)),
      m_tableTemporary(Temporary(m_tablePath)), m_inspectionPath(InspectionPathFor(m_tablePath)),
      m_inspectionTemporary(Temporary(m_inspectionPath)), m_thresholds(thresholds),
      m_summary({}, true, thresholds.deadband) {}

ObservationOutput::~ObservationOutput() {
    std::remove(m_tableTemporary.c_str());
    std::remove(m_inspectionTemporary.c_str());
}

bool ObservationOutput::Create(const std::string& path, const conversion::PassContext& pass,
                               int* error) {
    // Nothing is written until the end, but a folder that cannot take the
    // file is better found now.
    if (!ProbeWritable(path, error)) return false;
    m_textPath = path;
    m_summary.SetPipe(pass.pipe);
    m_units = UnitsOf(Details(), pass);
    return true;
}

void ObservationOutput::Add(const analysis::ProfileSample& sample) {
    ++m_points;
    m_summary.Add(sample);
}

bool ObservationOutput::Finish() {
    m_summary.Finish();
    m_found = analysis::FindObservations(m_summary.Scans(), m_thresholds);
    analysis::InspectionHeader header;
    header.recording = m_name;
    header.details = Details();
    header.startTime = m_summary.FirstTime();
    // The recording starts at the start node: chainage counts from its first
    // distance, the way the distance ran.
    const double first = m_summary.FirstDistance(), last = m_summary.LastDistance();
    if (std::isfinite(first)) header.origin = first;
    header.descending = std::isfinite(first) && std::isfinite(last) && last < first;
    if (std::isfinite(first) && std::isfinite(last))
        header.lengthSurveyed = std::fabs(last - first);
    m_lossy = false;
    if (WriteWholeFile(m_textPath, analysis::En13508Text(m_found, header, &m_lossy)) &&
        WriteWholeFile(m_tableTemporary, analysis::ConditionsCsv(m_found)) &&
        WriteWholeFile(m_inspectionTemporary,
                       analysis::InspectionCsv(header, m_units == units::System::Imperial)))
        return true;
    m_writeError = errno;
    return false;
}

bool ObservationOutput::Commit(std::string* why) {
    for (const auto& [from, to] : {std::pair{&m_tableTemporary, &m_tablePath},
                                   {&m_inspectionTemporary, &m_inspectionPath}}) {
        if (std::rename(from->c_str(), to->c_str()) == 0) continue;
        if (why) *why = "cannot create " + *to + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string ObservationOutput::Notes() const {
    if (!m_lossy) return {};
    return m_textPath.substr(0, m_textPath.rfind(".part")) +
           ": characters ISO-8859-1 cannot hold were transliterated or written as '?'";
}
