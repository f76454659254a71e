// Recording to ".31l" files: choosing and opening the record file, appending
// one record per ping, stopping, and the start-up recording of a name given
// on the command line.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "doc/DataFiles.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"

namespace fs = std::filesystem;

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string StartupRecordPath(const std::string& name) {
    // Only the file-name part is cut, so "./survey.run1" and "runs.v2/survey"
    // keep their folders.
    const auto slash = name.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = name.find('.', nameStart);
    return name.substr(0, dot) + ".31l";
}

std::string RealTimeOrPlaybackTitle(const CTubescanDoc& doc) {
    return doc.m_playback == 1 ? "TubescanL - Playback File [" + doc.m_playPath + "] "
                               : "TubescanL - Real Time ";
}

void CTubescanDoc::AppendRecord() {
    if (!m_recordFile.IsOpen()) return;
    const record::Record bytes = record::BuildRecord(*this);
    m_settings.m_sonarUpDown = m_settings.m_xdcrFwdAft == 0 ? 1 : 0;
    if (m_recordFile.Append(bytes)) return;

    // The operator must know at once that pings are no longer kept, and where
    // the ones recorded so far are.
    const std::string path = m_recordFile.Path();
    const std::string restored = m_recordFile.RestoredPath();
    const auto kept = m_recordFile.Size() / record::kRecordSize;
    const std::string reason = m_recordFile.Error();
    m_recordFile.Close();
    m_recording = 0;
    SetWindowTitle(RealTimeOrPlaybackTitle(*this));
    // Only a file that is really there is said to keep anything.
    const std::string where = !restored.empty() ? restored : path;
    std::string fate;
    if (kept == 0)
        fate = "No record had been written yet.";
    else if (::access(where.c_str(), F_OK) == 0)
        fate = "The " + std::to_string(kept) + " records written before are kept in " + where + ".";
    else
        fate = "The " + std::to_string(kept) + " records written before could not be kept.";
    const std::string text = "Recording stopped: the data file could not be written.\n" + path +
                             "\n" + reason + "\n" + fate;
    // On stderr too, so a run without anyone watching leaves a trace
    // (without a window the message goes there anyway).
    if (m_hooks.showMessage) std::fprintf(stderr, "tubescan: %s\n", text.c_str());
    ShowMessage(text);
}

void CTubescanDoc::ToggleRecording(const std::function<std::string()>& chooseRecordFile) {
    if (m_recording == 0) {
        const std::string path = chooseRecordFile ? chooseRecordFile() : std::string();
        if (!path.empty() && !m_recordFile.IsOpen()) OpenRecordFile(path);
        return;
    }
    StopRecording();
}

void CTubescanDoc::StopRecording() {
    m_recordFile.Close();
    m_recording = 0;
    SetWindowTitle(RealTimeOrPlaybackTitle(*this));
}

bool CTubescanDoc::OpenRecordFile(const std::string& path) {
    if (!m_recordFile.Create(path)) {
        ShowMessage("Failed to open document.\n" + path + "\n" + m_recordFile.Error());
        ShowMessage("Error Opening File!");
        m_recording = 0;
        return false;
    }
    m_recording = 1;
    m_recordPath = FullPath(path);
    SetWindowTitle(m_playback == 1 ? "TubescanL - Copy to File [" + m_recordPath + "] "
                                   : "TubescanL - Record to File [" + m_recordPath + "] ");
    return true;
}

void CTubescanDoc::CloseDataFiles() {
    m_playFile.Close();
    if (m_recordFile.IsOpen()) {
        m_recordFile.Close();
        m_recording = 0;
    }
    CloseXyzFile();
    if (m_hooks.closeXyzFile) m_hooks.closeXyzFile();
}

std::string CTubescanDoc::ProposedRecordPath() {
    std::string stem = m_autoFileName;
    if (stem.empty()) {
        // No ping has been stamped yet: name the file after the present
        // moment rather than offer a nameless (hidden) ".31l".
        const LocalTime t = LocalTime::Now();
        const int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%02d%s%04d-%02d%02d%02d", t.day,
                      kMonthAbbreviations[month - 1], t.year, t.hour, t.minute, t.second);
        stem = buf;
    }
    m_recordPath = m_settings.m_writeDirectory + stem + ".31l";
    return m_recordPath;
}

std::string CTubescanDoc::AcceptRecordPath(const std::string& chosen) {
    if (chosen.empty()) {
        m_recordPath.clear();
        return {};
    }
    if (m_recording == 1) {
        ShowMessage("Data is already being saved to file.   ");
        return {};
    }
    if (!m_playPath.empty() && FullPath(chosen) == FullPath(m_playPath)) {
        m_recordPath.clear();
        ShowMessage("Can't write in this file ...\nThis file is used as playback!   ");
        return {};
    }
    m_recordPath = chosen;
    m_settings.m_writeDirectory = DirectoryOf(FullPath(chosen));
    return chosen;
}

void CTubescanDoc::StartRecordingFromCommandLine(const std::string& name) {
    m_recordPath = StartupRecordPath(name);
    if (std::ifstream(m_recordPath, std::ios::binary).is_open()) {
        m_recordPath = FullPath(m_recordPath);
        if (AskYesNo(m_recordPath + " already exists !\nDo you want to replace it?   "))
            OpenRecordFile(m_recordPath);
        return;
    }
    OpenRecordFile(m_recordPath);
}
