#include "link/SonarHost.h"

#include <chrono>
#include <limits>
#include <mutex>

SonarHost::SonarHost(CTubescanDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_worker(std::make_unique<CRealTimeSonarData>(doc)),
      m_link(std::make_unique<HeadLink>(doc, m_worker.get())) {
    connect(m_link.get(), &HeadLink::linkStateChanged, this, &SonarHost::statusChanged);
    // Each reply is kept (and recorded) before it goes to the acquisition thread.
    connect(
        m_link.get(), &HeadLink::replyFramed, this,
        [this](const ReplyAssembler::Record& reply) { m_doc.KeepLiveReply(reply); },
        Qt::DirectConnection);
    auto& hooks = m_doc.m_hooks;
    hooks.startWorker = [this] { StartWorker(); };
    hooks.stopWorker = [this] { StopWorker(); };
    hooks.closeLinks = [this] { CloseLinks(); };
    hooks.quiesceWorker = [this] {
        if (m_worker->Running()) m_worker->WaitIdle(std::chrono::milliseconds(1000));
    };
    // Called from the acquisition thread too: emitting is thread-safe, and a
    // receiver on the user-interface thread gets it queued.
    hooks.updateAllViews = [this](int hint) { emit viewsUpdateRequested(hint); };
}

SonarHost::~SonarHost() {
    auto& hooks = m_doc.m_hooks;
    hooks.startWorker = nullptr;
    hooks.stopWorker = nullptr;
    hooks.closeLinks = nullptr;
    hooks.quiesceWorker = nullptr;
    m_link->KillWatchdog();
    m_link.reset();
    // The thread may still ask for a repaint until it has ended.
    m_worker->Stop();
    hooks.updateAllViews = nullptr;
}

void SonarHost::StartWorker() {
    m_worker->Start();
}

void SonarHost::StopWorker() {
    m_worker->Stop();
}

void SonarHost::StopTimers() {
    m_link->KillWatchdog();
    m_doc.m_play.StopClock();
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
    auto& hooks = d.m_hooks;
    d.m_playback = 0;
    StopTimers();

    d.CloseDataFiles();
    CloseLinks();
    if (hooks.closeComPorts) hooks.closeComPorts();
    // With the link closed no ping can arrive; let the last one finish so the
    // settings below are not rewritten under the acquisition thread's feet.
    if (m_worker->Running()) m_worker->WaitIdle(std::chrono::milliseconds(1000));

    if (hooks.refreshSettingsPanel) hooks.refreshSettingsPanel();
    emit connectStarted();
    d.LoadSettings();
    if (hooks.showPlaybackBar) hooks.showPlaybackBar(false);
    d.m_hold = 0;
    d.m_linkState = LinkState::Down;
    if (d.m_settings.m_settingsPanelVisible && hooks.showSettingsPanel) hooks.showSettingsPanel();
    // Offsets and the profile minimum range read from the file do not
    // survive a connect.
    d.ResetForConnect();
    if (hooks.createUdpOutput) hooks.createUdpOutput();
    StartHeadLink();
    emit headLinkStarted();
    d.m_redrawAll = 1;
    emit statusChanged();
}

void SonarHost::SetHold(bool on) {
    m_doc.m_hold = on ? 1 : 0;
    if (!on && m_doc.m_playback == 0) StartHeadLink();
    m_doc.UpdateAllViews();
}

void SonarHost::Reverse() {
    if (m_doc.m_playback != 0 || m_doc.m_textInputMode != 0) return;
    m_doc.m_command[headproto::kCmdFlags] |= headproto::kFlagReverse;
    std::lock_guard lock(m_doc.m_pingMutex);
    m_doc.m_scanDirection = m_doc.m_scanDirection ? 0 : 1;
}
