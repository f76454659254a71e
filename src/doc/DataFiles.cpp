// Recording to ".31l" files: choosing and opening the record file, appending
// one record per ping, stopping, and the start-up recording of a name given
// on the command line.
#include <algorithm>
#include <cstdio>
#include <filesystem>

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
    return doc.Run().m_playback == 1
               ? "TubescanL - Playback File [" + doc.PlaybackFile().path + "] "
               : "TubescanL - Real Time ";
}

void CTubescanDoc::AppendRecord() {
    if (!m_recorder.Active()) return;
    const record::Record bytes = record::BuildRecord(*this);
    m_settings.m_sonarUpDown = m_settings.m_xdcrFwdAft == 0 ? 1 : 0;
    const auto failure = m_recorder.Append(bytes);
    if (!failure) return;

    // The operator must know at once that pings are no longer kept, and where
    // the ones recorded so far are.
    SetWindowTitle(RealTimeOrPlaybackTitle(*this));
    std::string fate;
    if (failure->kept == 0)
        fate = "No record had been written yet.";
    else if (!failure->keptIn.empty())
        fate = "The " + std::to_string(failure->kept) + " records written before are kept in " +
               failure->keptIn + ".";
    else
        fate =
            "The " + std::to_string(failure->kept) + " records written before could not be kept.";
    const std::string text = "Recording stopped: the data file could not be written.\n" +
                             failure->path + "\n" + failure->reason + "\n" + fate;
    // On stderr too, so a run without anyone watching leaves a trace
    // (without a window the message goes there anyway).
    if (ShowMessage(text)) std::fprintf(stderr, "tubescan: %s\n", text.c_str());
}

void CTubescanDoc::KeepLiveReply(
    std::span<const std::uint8_t, headproto::kReturnRecordSize> reply) {
    std::copy_n(reply.begin(), headproto::kReturnHeaderSize, m_frame.m_reply.header.begin());
    std::copy_n(reply.begin() + headproto::kReturnHeaderSize, headproto::kEchoSampleCount,
                m_frame.m_reply.samples.begin());
    if (!m_recorder.Active()) return;
    // The record carries the time stamp and scan fields the acquisition
    // thread writes; the message a failed write raises is shown without
    // blocking (an observer never waits on a message).
    std::lock_guard lock(m_pingMutex);
    AppendRecord();
}

void CTubescanDoc::ToggleRecording(const std::function<std::string()>& chooseRecordFile) {
    if (!m_recorder.Active()) {
        const std::string path = chooseRecordFile ? chooseRecordFile() : std::string();
        if (!path.empty()) OpenRecordFile(path);
        return;
    }
    StopRecording();
}

void CTubescanDoc::StopRecording() {
    m_recorder.Stop();
    SetWindowTitle(RealTimeOrPlaybackTitle(*this));
}

bool CTubescanDoc::OpenRecordFile(const std::string& path) {
    if (const auto error = m_recorder.Start(path)) {
        ShowMessage("Failed to open document.\n" + path + "\n" + *error);
        ShowMessage("Error Opening File!");
        return false;
    }
    m_recorder.m_path = FullPath(path);
    SetWindowTitle(m_run.m_playback == 1
                       ? "TubescanL - Copy to File [" + m_recorder.m_path + "] "
                       : "TubescanL - Record to File [" + m_recorder.m_path + "] ");
    ForEachObserver(
        [&path = m_recorder.m_path](DocumentObserver& o) { o.OnRecordingStarted(path); });
    return true;
}

void CTubescanDoc::CloseDataFiles() {
    m_play.file.Close();
    m_recorder.Stop();
    CloseXyzFile();
}

std::string CTubescanDoc::ProposedRecordPath() {
    std::string stem = m_frame.m_autoFileName;
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
    m_recorder.m_path = m_settings.m_writeDirectory + stem + ".31l";
    return m_recorder.m_path;
}

std::string CTubescanDoc::AcceptRecordPath(const std::string& chosen) {
    if (chosen.empty()) {
        m_recorder.m_path.clear();
        return {};
    }
    if (m_recorder.Active()) {
        ShowMessage("Data is already being saved to file.   ");
        return {};
    }
    if (!m_play.path.empty() && FullPath(chosen) == FullPath(m_play.path)) {
        m_recorder.m_path.clear();
        ShowMessage("Can't write in this file ...\nThis file is used as playback!   ");
        return {};
    }
    m_recorder.m_path = chosen;
    m_settings.m_writeDirectory = DirectoryOf(FullPath(chosen));
    return chosen;
}

void CTubescanDoc::StartRecordingFromCommandLine(
    const std::string& name, const std::function<bool(const std::string&)>& confirmReplace) {
    m_recorder.m_path = StartupRecordPath(name);
    // Looked at, never opened: opening a FIFO to see whether it is there
    // waits for a writer. Only a regular file is offered for replacing; the
    // rest is refused when it is opened.
    std::error_code ec;
    const fs::file_status status = fs::status(m_recorder.m_path, ec);
    if (fs::is_regular_file(status)) {
        m_recorder.m_path = FullPath(m_recorder.m_path);
        const std::string question =
            m_recorder.m_path + " already exists !\nDo you want to replace it?   ";
        bool replace = false;
        if (confirmReplace)
            replace = confirmReplace(question);
        else
            std::fprintf(stderr, "%s (answered no)\n", question.c_str());
        if (replace) OpenRecordFile(m_recorder.m_path);
        return;
    }
    OpenRecordFile(m_recorder.m_path);
}
