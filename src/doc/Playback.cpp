// Playback of ".31l" files: the session hands out the next record, which
// goes where a live ping would have put it and through the same ping
// processing on the document's own buffers. The pace (timer 1010 or the idle
// loop) comes from the clock io gives the session.
#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "doc/DataFiles.h"
#include "doc/PingBinding.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFileName.h"

void CTubescanDoc::BeginOpenPlayback() {
    m_play.StopClock();
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
    const bool wasRecording = m_recorder.Active();
    m_recorder.Stop();
    if (const PlaybackOpen refused = m_play.Open(path); refused != PlaybackOpen::Opened) {
        // The recording was stopped above; the title must not go on saying so.
        if (wasRecording) SetWindowTitle(RealTimeOrPlaybackTitle(*this));
        // The reason too: a FIFO or a device is refused, not waited on.
        ShowMessage(refused == PlaybackOpen::Unreadable && !m_play.file.Error().empty()
                        ? PlaybackOpenMessage(refused) + "\n" + path + ": " + m_play.file.Error()
                        : PlaybackOpenMessage(refused));
        return refused;
    }
    // No distance counts until a record of this file carries a valid one.
    m_frame.m_pingDistance = std::numeric_limits<double>::quiet_NaN();
    m_play.path = FullPath(path);
    m_settings.m_readDirectory = DirectoryOf(m_play.path);

    m_settings.m_openFileFilterIndex = 1;
    m_run.m_playback = 1;

    ForEachObserver([](DocumentObserver& o) { o.OnCloseLinks(); });
    CloseComPorts();
    CreateUdpOutput();

    ShowPlaybackBar(true);
    ForEachObserver([](DocumentObserver& o) { o.OnShowSettingsPanel(false); });

    SetWindowTitle("TubescanL - Playback File [" + m_play.path + "] ");

    if (m_indexPlayback) StartPlaybackIndex();
    UpdateAllViews();
    SetPlaybackTimer();
    return PlaybackOpen::Opened;
}

void CTubescanDoc::PlaybackTick() {
    if (m_run.m_playback == 1 && m_run.m_hold == 0) {
        ReadNextRecord();
        if (const auto ms = m_play.ClockTick()) {
            m_run.m_loopTime = *ms;
            m_run.m_loopTimeMs = static_cast<int>(std::min(m_run.m_loopTime, 2.0e9));
        }
        if (m_play.MarkShown()) m_play.Rewind();
    }
    const bool diagnostics = ++m_play.tickCount >= 3;
    if (diagnostics) m_play.tickCount = 0;
    RefreshWindows(diagnostics);
}

void CTubescanDoc::StartFileAgain() {
    m_play.filePosition = 0;
    ClearImage();
    ResetPingHistory();
    m_run.m_pingCount = 0;
}

bool CTubescanDoc::PlayRecord(const PlayedRecord& r, PingDrawing drawing) {
    std::lock_guard lock(m_pingMutex);
    record::ApplySettings(*this, r.settings);
    m_play.filePosition = r.end;
    std::memcpy(m_frame.m_reply.header.data(), r.header.data(), r.header.size());
    PingWorkspace ws = DocumentWorkspace(*this);
    if (!r.carriesPing) {
        DecodeReturnHeader(*this, ws); // keeps the rejected signature for diagnostics
        return false;
    }
    // A recorded ping on the screen ends any wait for the head. Only what is
    // drawn tells the link's owner: a conversion's records never had a link.
    if (drawing == PingDrawing::Pixels) ForgetPendingReply();
    std::memcpy(m_frame.m_reply.samples.data(), r.samples.data(), r.sampleBytes);
    ProcessPing(*this, ws, drawing);
    ++m_run.m_pingCount;
    return true;
}

void CTubescanDoc::ReadNextRecord() {
    const auto r = m_play.Next();
    if (!r) {
        if (!m_play.IsOpen()) return;
        // Nothing usable up to the end: a cut-off or damaged tail, or a jump
        // past the last record. Start again, clearing the picture once per
        // pass (not again on every tick that finds nothing).
        m_play.Rewind();
        if (m_run.m_pingCount > 0) StartFileAgain();
        UpdateAllViews();
        // A file with not one record in it would otherwise go on "playing"
        // an empty picture without a word.
        if (m_play.noRecordAnywhere && !std::exchange(m_play.toldNoRecord, true))
            ShowMessage(PlaybackOpenMessage(PlaybackOpen::NoRecords));
        return;
    }
    // A record played while recording is copied to the record file.
    if (PlayRecord(*r, PingDrawing::Pixels) && m_recorder.Active()) AppendRecord();
    if (r->last) StartFileAgain();
    UpdateAllViews();
}

void CTubescanDoc::SeekToRecord(std::uint64_t offset) {
    if (m_run.m_playback == 1) m_play.Seek(offset);
}

bool CTubescanDoc::StepBack() {
    return m_play.StepBack();
}

void CTubescanDoc::SetPlaybackTimer() {
    if (m_run.m_playback == 1) m_play.StartClock(m_settings.m_playbackSpeed);
}

bool CTubescanDoc::WantsIdlePlayback() const {
    // Single-frame mode holds the idle loop too; otherwise "Play One Frame"
    // would do nothing at speed 0.
    return m_run.m_playback == 1 && m_run.m_hold == 0 && m_settings.m_playbackSpeed == 0 &&
           m_play.oneFrame == 0;
}

void CTubescanDoc::TogglePlayOneFrame() {
    m_play.oneFrame = m_play.oneFrame ? 0 : 1;
    if (m_play.oneFrame)
        m_play.StopClock();
    else
        m_play.StartClock(m_settings.m_playbackSpeed);
}

void CTubescanDoc::ToggleRealTimePlaySpeed() {
    m_play.realTimeSpeed = m_play.realTimeSpeed ? 0 : 1;
}

void CTubescanDoc::StepFrameBack() {
    m_play.StopClock();
    if (m_run.m_playback != 1) return;
    m_play.oneFrame = 1;
    if (StepBack()) PlaybackTick();
}

void CTubescanDoc::StepFrameForward() {
    m_play.StopClock();
    if (m_run.m_playback != 1) return;
    m_play.oneFrame = 1;
    PlaybackTick();
}

int CTubescanDoc::ChangePlaybackSpeed(int delta) {
    const long long speed = static_cast<long long>(m_settings.m_playbackSpeed) - delta;
    m_settings.m_playbackSpeed = static_cast<int>(std::clamp<long long>(speed, 0, 50));
    m_play.oneFrame = 0;
    m_play.StartClock(m_settings.m_playbackSpeed);
    return m_settings.m_playbackSpeed;
}
