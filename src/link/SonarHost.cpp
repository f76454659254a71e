#include "link/SonarHost.h"

#include <chrono>
#include <limits>
#include <mutex>

SonarHost::SonarHost(CTubescanDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_worker(std::make_unique<CRealTimeSonarData>(doc)),
      m_link(std::make_unique<HeadLink>(doc, m_worker.get())) {
    connect(m_link.get(), &HeadLink::linkStateChanged, this, &SonarHost::statusChanged);
    auto& hooks = m_doc.m_hooks;
    hooks.startWorker = [this] { StartWorker(); };
    hooks.stopWorker = [this] { StopWorker(); };
    hooks.stopTimers = [this] { StopTimers(); };
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
    hooks.stopTimers = nullptr;
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
    if (m_doc.m_hooks.stopPlaybackTimer) m_doc.m_hooks.stopPlaybackTimer();
}

void SonarHost::StartHeadLink() {
    m_link->StartHeadLink();
}

void SonarHost::CloseLinks() {
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
    if (hooks.resetDiagnostics) hooks.resetDiagnostics();
    d.LoadSettings();
    if (hooks.showPlaybackBar) hooks.showPlaybackBar(false);
    d.m_hold = 0;
    d.m_linkState = 0;
    if (d.m_settings.m_settingsPanelVisible && hooks.showSettingsPanel) hooks.showSettingsPanel();
    d.m_sideBuffer.fill(0);
    {
        // Offsets and the profile minimum range read from the file do not
        // survive a connect.
        std::lock_guard lock(d.m_pingMutex);
        d.m_extPitch = d.m_extRoll = d.m_extDistance = 0.0;
        d.m_extPitchValid = d.m_extRollValid = d.m_extDistanceValid = 0;
        d.m_pingDistance = std::numeric_limits<double>::quiet_NaN();
        d.m_orientationTrack.Reset();
        d.m_settings.m_profileMinRange = 0.0;
        // The head is told the same: a command byte left at the file's value
        // would gate profiles the program believes it shows.
        d.m_command[headproto::kCmdProfileMinRange] = 0;
        d.m_pitch = d.m_roll = 0.0;
        d.m_pitchRaw = d.m_rollRaw = 0;
        d.m_pitchSum = d.m_rollSum = 0.0;
        d.m_attitudeCount = 0;
        d.m_pitchValid = d.m_rollValid = 0;
        d.m_settings.m_pitchOffset = d.m_settings.m_rollOffset = 0.0;
    }
    if (hooks.createUdpOutput) hooks.createUdpOutput();
    StartHeadLink();
    if (d.m_settings.m_enablePRDInput && hooks.openOrientationPort) hooks.openOrientationPort();
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
