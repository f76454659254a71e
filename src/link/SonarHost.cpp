#include "link/SonarHost.h"

#include <chrono>
#include <limits>
#include <mutex>

SonarHost::SonarHost(CTubescanDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_worker(std::make_unique<CRealTimeSonarData>(doc)),
      m_link(std::make_unique<HeadLink>(doc, m_worker.get())) {
    m_worker->WatchReplyPending(&m_link->ReplyPendingFlag());
    connect(m_link.get(), &HeadLink::linkStateChanged, this, &SonarHost::statusChanged);
    // Each reply is kept (and recorded) before it goes to the acquisition thread.
    connect(
        m_link.get(), &HeadLink::replyFramed, this,
        [this](const ReplyAssembler::Record& reply) { m_doc.KeepLiveReply(reply); },
        Qt::DirectConnection);
    m_doc.AddObserver(this);
}

SonarHost::~SonarHost() {
    m_link->KillWatchdog();
    m_link.reset();
    // The thread may still ask for a repaint until it has ended.
    m_worker->Stop();
    m_doc.RemoveObserver(this);
}

void SonarHost::OnStartWorker() {
    m_worker->Start();
}

void SonarHost::OnStopWorker() {
    m_worker->Stop();
}

void SonarHost::OnQuiesceWorker() {
    if (m_worker->Running()) m_worker->WaitIdle(std::chrono::milliseconds(1000));
}

void SonarHost::StopTimers() {
    m_link->KillWatchdog();
    m_doc.PlaybackFile().StopClock();
}

void SonarHost::StartHeadLink() {
    m_link->StartHeadLink();
}

void SonarHost::CloseLinks() {
    // A closed link has nothing to watch over.
    m_link->KillWatchdog();
    m_link->CloseLinks();
}

void SonarHost::OnConnectToSonarHead() {
    CTubescanDoc& d = m_doc;
    d.Run().m_playback = 0;
    StopTimers();

    d.CloseDataFiles();
    CloseLinks();
    d.CloseComPorts();
    // With the link closed no ping can arrive; let the last one finish so the
    // settings below are not rewritten under the acquisition thread's feet.
    if (m_worker->Running()) m_worker->WaitIdle(std::chrono::milliseconds(1000));

    d.RefreshSettingsPanel();
    emit connectStarted();
    d.LoadSettings();
    d.ShowPlaybackBar(false);
    d.Run().m_hold = 0;
    m_link->ForgetPendingAttempt();
    if (d.Settings().m_settingsPanelVisible) d.ShowSettingsPanel();
    // Offsets and the profile minimum range read from the file do not
    // survive a connect.
    d.ResetForConnect();
    d.CreateUdpOutput();
    StartHeadLink();
    emit headLinkStarted();
    d.Display().m_redrawAll = 1;
    emit statusChanged();
}

void SonarHost::RestartHeadLink() {
    m_link->ForgetPendingAttempt();
    StartHeadLink();
}

void SonarHost::SetHold(bool on) {
    m_doc.Run().m_hold = on ? 1 : 0;
    if (!on && m_doc.Run().m_playback == 0) StartHeadLink();
    m_doc.UpdateAllViews();
}

void SonarHost::Reverse() {
    if (m_doc.Run().m_playback != 0 || m_doc.Display().m_textInputMode != 0) return;
    m_doc.SetCommandByte(headproto::kCmdFlags,
                         m_doc.Command()[headproto::kCmdFlags] | headproto::kFlagReverse);
    std::lock_guard lock(m_doc.PingMutex());
    m_doc.Run().m_scanDirection = m_doc.Run().m_scanDirection ? 0 : 1;
}
