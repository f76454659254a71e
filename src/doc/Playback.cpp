// Playback of ".31l" files: each tick reads the next record, puts its
// settings and echo data where a live ping would have put them and runs the
// same ping processing on the document's own buffers. The pace (timer 1010
// or the idle loop) comes from outside through the document's hooks.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>

#include "doc/DataFiles.h"
#include "doc/PingBinding.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFileName.h"
#include "format/RecordReader.h"

namespace {} // namespace

void CTubescanDoc::BeginOpenPlayback() {
    if (m_hooks.stopTimers) m_hooks.stopTimers();
    SaveSettings();
}

void CTubescanDoc::CancelOpenPlayback() {
    SetPlaybackTimer();
}

bool CTubescanDoc::OpenPlaybackPath(const std::string& path) {
    return OpenPlayback(path) == PlaybackOpen::Opened;
}

PlaybackOpen CTubescanDoc::OpenPlayback(const std::string& path) {
    if (!record::HasRecordFileName(path)) {
        ShowMessage(PlaybackOpenMessage(PlaybackOpen::NotRecording));
        return PlaybackOpen::NotRecording;
    }
    const bool wasRecording = m_recordFile.IsOpen();
    m_playIndex.reset();
    m_playFile.Close();
    m_recordFile.Close();
    m_recording = 0;

    auto refused = [&](PlaybackOpen outcome) {
        m_playFile.Close();
        // The recording was stopped above; the title must not go on saying so.
        if (wasRecording) SetWindowTitle(RealTimeOrPlaybackTitle(*this));
        ShowMessage(PlaybackOpenMessage(outcome));
        return outcome;
    };
    if (!m_playFile.Open(path)) return refused(PlaybackOpen::Unreadable);
    if (m_playFile.Length() < 100) return refused(PlaybackOpen::NoRecords);

    m_fileLength = m_playFile.Length();
    m_playFile.Seek(0);
    m_playPosition = 0;
    // No distance counts until a record of this file carries a valid one.
    m_pingDistance = std::numeric_limits<double>::quiet_NaN();
    m_playPath = FullPath(path);
    m_settings.m_readDirectory = DirectoryOf(m_playPath);

    m_linkState = 0;
    m_settings.m_openFileFilterIndex = 1;
    m_playback = 1;

    if (m_hooks.closeLinks) m_hooks.closeLinks();
    if (m_hooks.closeComPorts) m_hooks.closeComPorts();
    if (m_hooks.createUdpOutput) m_hooks.createUdpOutput();

    m_sideBuffer.fill(0);
    if (m_hooks.showPlaybackBar) m_hooks.showPlaybackBar(true);
    if (m_hooks.hideSettingsPanel) m_hooks.hideSettingsPanel();

    SetWindowTitle("TubescanL - Playback File [" + m_playPath + "] ");

    const std::string xyz = record::XyzPathFor(m_playPath);
    std::snprintf(m_xyzFileName, sizeof m_xyzFileName, "%s", xyz.c_str());

    if (m_indexPlayback) StartPlaybackIndex();
    UpdateAllViews();
    SetPlaybackTimer();
    return PlaybackOpen::Opened;
}

void CTubescanDoc::PlaybackTick() {
    if (m_playback == 1 && m_hold == 0) {
        ReadNextRecord();

        const auto now = std::chrono::steady_clock::now();
        if (m_loopClockStarted) {
            const double seconds = std::chrono::duration<double>(now - m_loopClockLast).count();
            m_loopTime = seconds * 1000.0 / 3.0;
            m_loopTimeMs = static_cast<int>(std::min(m_loopTime, 2.0e9));
        }
        m_loopClockStarted = true;
        m_loopClockLast = now;

        if (m_seekDragging == 0) {
            m_playPosition = m_playFile.Position();
            const std::int64_t percent =
                m_fileLength == 0
                    ? 0
                    : static_cast<std::int64_t>(static_cast<double>(m_playPosition) * 100.0 /
                                                static_cast<double>(m_fileLength));
            if (m_hooks.setPlaybackPercent) m_hooks.setPlaybackPercent(percent);
            if (m_playPosition + 3 >= m_fileLength) m_playFile.Seek(0);
        }
    }
    if (m_hooks.refreshStatusBar) m_hooks.refreshStatusBar();
    if (++m_playbackTickCount >= 3) {
        m_playbackTickCount = 0;
        if (m_hooks.refreshDiagnostics) m_hooks.refreshDiagnostics();
    }
}

namespace {

// Back to the start of the file: a clean picture and history, and the end of
// a conversion.
void StartFileAgain(CTubescanDoc& doc) {
    doc.m_filePosition = 0;
    doc.ClearImage();
    doc.ResetPingHistory();
    doc.m_pingCount = 0;
    if (doc.m_xyzConverting == 1) {
        doc.FinishXyzConversion();
        if (doc.m_hooks.finishXyzConversion) doc.m_hooks.finishXyzConversion();
    }
}

} // namespace

void CTubescanDoc::ReadNextRecord() {
    if (!m_playFile.IsOpen()) return;

    const auto rec = record::LocateRecord(m_playFile, m_playFile.Position(), m_fileLength);
    if (!rec) {
        // Nothing usable up to the end: a cut-off or damaged tail, or a jump
        // past the last record. Start again, clearing the picture once per
        // pass (not again on every tick that finds nothing).
        m_playFile.Seek(0);
        if (m_pingCount > 0 || m_xyzConverting == 1) StartFileAgain(*this);
        UpdateAllViews();
        return;
    }

    const auto settings =
        record::DecodeSettings(std::span<const std::uint8_t, record::kSettingsSize>(
            rec->start.data(), record::kSettingsSize));
    const std::uint8_t* header = rec->start.data() + record::kHeaderOffset;
    bool processed = false;
    {
        std::lock_guard lock(m_pingMutex);
        record::ApplySettings(*this, settings);
        m_filePosition = rec->position + static_cast<std::uint64_t>(settings.length);
        std::memcpy(m_reply.header.data(), header, headproto::kReturnHeaderSize);
        PingWorkspace ws = DocumentWorkspace(*this);
        if (!record::CarriesPing(*rec)) {
            DecodeReturnHeader(*this, ws); // keeps the rejected signature for diagnostics
        } else {
            m_replyPending = 0;
            const std::size_t tail = static_cast<std::size_t>(settings.length) - record::kMinLength;
            if (settings.length < record::kSideLength) {
                m_playFile.Read(m_reply.samples.data(), tail);
            } else {
                // Processing does not look at the side buffer: such a record
                // is drawn with the samples of the one before.
                m_playFile.Read(m_sideBuffer.data(), tail);
            }
            ProcessPing(*this, ws,
                        m_playbackPointsOnly ? PingDrawing::PointsOnly : PingDrawing::Pixels);
            ++m_pingCount;
            processed = true;
        }
    }
    if (processed) {
        if (m_recording == 1) AppendRecord();
    } else {
        // A record whose return header is not the head's: look for the next
        // signature rather than read its samples as the next record.
        m_playFile.Seek(record::NextSearchFrom(*rec));
    }

    if (m_filePosition + 3 >= m_fileLength) StartFileAgain(*this);
    UpdateAllViews();
}

void CTubescanDoc::SeekToRecord(std::uint64_t offset) {
    if (m_playback != 1 || !m_playFile.IsOpen()) return;
    const auto found = record::FindSignature(m_playFile, offset, m_fileLength);
    m_playFile.Seek(found ? *found : m_fileLength);
}

bool CTubescanDoc::StepBack() {
    const std::int64_t q = static_cast<std::int64_t>(m_playFile.Position()) -
                           2 * static_cast<std::int64_t>(m_recordLength);
    if (q < 0) return false;
    m_playPosition = static_cast<std::uint64_t>(q);
    m_playFile.Seek(m_playPosition);
    return true;
}

void CTubescanDoc::SetPlaybackTimer() {
    if (m_playback != 1) return;
    if (m_settings.m_playbackSpeed != 0) {
        if (m_hooks.startPlaybackTimer) m_hooks.startPlaybackTimer(m_settings.m_playbackSpeed);
    } else if (m_hooks.stopPlaybackTimer) {
        m_hooks.stopPlaybackTimer();
    }
}

bool CTubescanDoc::WantsIdlePlayback() const {
    // Single-frame mode holds the idle loop too; otherwise "Play One Frame"
    // would do nothing at speed 0.
    return m_playback == 1 && m_hold == 0 && m_settings.m_playbackSpeed == 0 && m_playOneFrame == 0;
}

void CTubescanDoc::TogglePlayOneFrame() {
    m_playOneFrame = m_playOneFrame ? 0 : 1;
    if (m_playOneFrame) {
        if (m_hooks.stopTimers) m_hooks.stopTimers();
    } else if (m_hooks.startPlaybackTimer) {
        m_hooks.startPlaybackTimer(m_settings.m_playbackSpeed);
    }
}

void CTubescanDoc::ToggleRealTimePlaySpeed() {
    m_realTimePlaySpeed = m_realTimePlaySpeed ? 0 : 1;
}

void CTubescanDoc::StepFrameBack() {
    if (m_hooks.stopTimers) m_hooks.stopTimers();
    if (m_playback != 1) return;
    m_playOneFrame = 1;
    if (StepBack()) PlaybackTick();
}

void CTubescanDoc::StepFrameForward() {
    if (m_hooks.stopTimers) m_hooks.stopTimers();
    if (m_playback != 1) return;
    m_playOneFrame = 1;
    PlaybackTick();
}

int CTubescanDoc::ChangePlaybackSpeed(int delta) {
    const long long speed = static_cast<long long>(m_settings.m_playbackSpeed) - delta;
    m_settings.m_playbackSpeed = static_cast<int>(std::clamp<long long>(speed, 0, 50));
    m_playOneFrame = 0;
    if (m_settings.m_playbackSpeed != 0) {
        if (m_hooks.startPlaybackTimer) m_hooks.startPlaybackTimer(m_settings.m_playbackSpeed);
    } else if (m_hooks.stopPlaybackTimer) {
        m_hooks.stopPlaybackTimer();
    }
    return m_settings.m_playbackSpeed;
}
