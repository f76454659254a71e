#include "doc/RecordingSession.h"

#include <unistd.h>

std::optional<std::string> RecordingSession::Start(const std::string& path) {
    if (m_file.IsOpen()) return "Data is already being saved to file.";
    if (!m_file.Create(path)) return m_file.Error();
    return std::nullopt;
}

std::optional<RecordingFailure> RecordingSession::Append(const record::Record& bytes) {
    if (!m_file.IsOpen() || m_file.Append(bytes)) return std::nullopt;
    RecordingFailure failure;
    failure.path = m_file.Path();
    failure.reason = m_file.Error();
    failure.kept = m_file.Size() / record::kRecordSize;
    const std::string restored = m_file.RestoredPath();
    const std::string where = !restored.empty() ? restored : failure.path;
    // Only a file that is really there is said to keep anything.
    if (failure.kept > 0 && ::access(where.c_str(), F_OK) == 0) failure.keptIn = where;
    m_file.Close();
    return failure;
}
