// Recording to a ".31l" file: the file, its path and whether pings are being
// kept. Failures come back as values; saying them to the operator is the
// caller's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "format/DataFileIo.h"
#include "format/RecordFormat.h"

// Why a recording stopped: what was being written, the reason, and how many
// whole records are kept where.
struct RecordingFailure {
    std::string path;
    std::string reason;
    std::string keptIn;     // where the records written before are (empty: nowhere)
    std::uint64_t kept = 0; // whole records written before the failure
};

class RecordingSession {
  public:
    // Creates path and starts recording; on failure returns the reason and
    // nothing is being recorded.
    std::optional<std::string> Start(const std::string& path);
    void Stop() { m_file.Close(); }
    // Appends one record. A failed write stops the recording (whole records
    // stay in the file) and says what happened.
    std::optional<RecordingFailure> Append(const record::Record& bytes);
    bool Active() const { return m_file.IsOpen(); }
    // Bytes recorded so far.
    std::uint64_t Bytes() const { return m_file.Size(); }

    // The record file's path: the save dialog's proposal, then the file
    // being (or last) recorded.
    std::string m_path;

  private:
    CRecordFile m_file;
};
