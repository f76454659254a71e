// Floor 4, link: the head link, the acquisition thread, serial ports and the
// UDP output. It may include src/format, src/ping and src/doc.
//
// Headless owner of the live link for one document: the head link and the
// acquisition thread, observing the document for what they answer for. The program's
// main window, the command-line tools and the integration tests all drive the
// head through it.
//
// Use:
//   CTubescanDoc doc;
//   SonarHost host(doc);          // before OnNewDocument: it starts the worker
//   doc.OnNewDocument(dir);       // starts the acquisition thread
//   host.OnConnectToSonarHead();  // the "Connect to Sonar Head" command
//   ...
//   doc.OnCloseDocument();        // stops timers, closes the link, ends the thread
//
// As the document's observer (added by the constructor, removed by the
// destructor) it answers for starting, stopping and quiescing the worker and
// closing the links (which also stops the watchdog). The windows, COM ports
// and UDP output observe the document themselves; a view learns of a new
// ping from the worker's repaintDue signal, not through the document.
//
// Signals:
//   statusChanged(): the link state changed (0 down, 1 up, 2 connecting).
//
// The document must outlive the host. Everything but the acquisition thread
// runs on the thread that owns the host.
#pragma once

#include <QObject>

#include <memory>

#include "doc/TubescanDoc.h"
#include "link/HeadLink.h"
#include "link/RealTimeSonarData.h"

class SonarHost : public QObject, private DocumentObserver {
    Q_OBJECT
  public:
    explicit SonarHost(CTubescanDoc& doc, QObject* parent = nullptr);
    ~SonarHost() override;
    SonarHost(const SonarHost&) = delete;
    SonarHost& operator=(const SonarHost&) = delete;

    // Command 32804, "Connect to Sonar Head"; also run at start-up.
    void OnConnectToSonarHead();
    void StartHeadLink();
    void CloseLinks();

    // "Hold": while on, no command leaves; switching it off in real time
    // restarts the link.
    void SetHold(bool on);
    void ToggleHold() { SetHold(m_doc.Run().m_hold == 0); }
    // "Reverse": the next command carries the reverse flag once; ignored in
    // playback and while the view takes text input.
    void Reverse();

    // Where the head link stands and the port it connects to (4040 unless a
    // test or benchmark points it at a simulator).
    LinkState State() const { return m_link->State(); }
    void SetHeadPort(int port) { m_link->SetPort(port); }
    // "Reset Link" and a new head address: a new attempt at once, even while
    // one is still pending.
    void RestartHeadLink();

    HeadLink& Link() { return *m_link; }
    CRealTimeSonarData& Worker() { return *m_worker; }

  signals:
    void statusChanged();
    // The connect command began (the links are closed, settings not yet
    // reloaded): the diagnostics start again from "n/a".
    void connectStarted();
    // The connect command started the head link: the orientation input, if
    // the settings enable it, opens now.
    void headLinkStarted();

  private:
    void OnStartWorker() override;
    void OnStopWorker() override;
    void OnQuiesceWorker() override;
    void OnCloseLinks() override { CloseLinks(); }
    std::optional<LinkState> HeadLinkState() const override { return m_link->State(); }
    std::optional<bool> ReplyPending() const override { return m_link->ReplyPending(); }
    void OnForgetPendingReply() override { m_link->ForgetPendingReply(); }
    void StopTimers();

    CTubescanDoc& m_doc;
    std::unique_ptr<CRealTimeSonarData> m_worker;
    std::unique_ptr<HeadLink> m_link;
};
