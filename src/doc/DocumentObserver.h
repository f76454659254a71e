// Floor 3, doc: the one way the document tells the parts of the program that
// live outside it (windows, the head link, the acquisition thread, the serial
// ports, the UDP output) what it needs from them.
//
// Contract:
// - Every method has a do-nothing default; an observer overrides only what it
//   answers for. Without any observer the document runs headless (a message
//   then goes to stderr).
// - The document calls every observer, in the order they were added, for
//   each notification: no observer wraps or forwards to another, so each
//   observer does its own part and nothing depends on the order things were
//   installed in beyond that.
// - OnUpdateViews may be called from the acquisition thread; an observer that
//   paints must hand the work to its own thread (a queued call). Every other
//   notification comes from the thread that drives the document.
// - Observers are added and removed on the thread that drives the document.
//   An observer the acquisition thread may reach (OnUpdateViews) is removed
//   only once that thread has stopped, or outlives the document.
// - OnMessage must not wait for the operator (it may be called with the ping
//   lock held); it returns true when it showed the message.
#pragma once

#include <optional>
#include <string>

// The head link as the program sees it (the values are the status layer's
// and the diagnostics' codes). The link's host owns it; the document asks its
// observers (HeadLinkState below).
enum class LinkState { Down = 0, Up = 1, Connecting = 2 };

// Screen rectangle of a window (settings panel position).
struct WindowRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;

    // --- Windows --------------------------------------------------------------
    // The document changed; the hint says what (kViewHint..., 0 for a plain
    // redraw). Any thread.
    virtual void OnUpdateViews(int /*hint*/) {}
    // The sonar parameters changed: their texts in the panels follow.
    virtual void OnRefreshParameterTexts() {}
    // The status bar; the diagnostics window too when diagnostics is set.
    virtual void OnRefreshWindows(bool /*diagnostics*/) {}
    virtual void OnWindowTitle(const std::string& /*title*/) {}
    virtual bool OnMessage(const std::string& /*text*/) { return false; }
    virtual void OnShowPlaybackBar(bool /*show*/) {}
    virtual void OnShowDiagnostics(bool /*show*/) {}
    virtual void OnRefreshSettingsPanel() {}
    virtual void OnShowSettingsPanel(bool /*show*/) {}
    // Where the settings panel stands; nullopt from an observer without one.
    virtual std::optional<WindowRect> SettingsPanelRect() const { return std::nullopt; }
    virtual void OnMoveSettingsPanel(int /*left*/, int /*top*/) {}
    // The modeless windows, made when the document opens and gone when it closes.
    virtual void OnCreateWindows() {}
    virtual void OnDestroyWindows() {}

    // --- The live link ----------------------------------------------------------
    // Where the head link stands; nullopt from an observer that owns no link.
    virtual std::optional<LinkState> HeadLinkState() const { return std::nullopt; }
    // Whether the link awaits the answer to a resent command; nullopt from an
    // observer that owns no link. Any thread (the acquisition thread asks).
    virtual std::optional<bool> ReplyPending() const { return std::nullopt; }
    // A recorded ping was shown: nothing is awaited from the head any more.
    virtual void OnForgetPendingReply() {}
    virtual void OnStartWorker() {}
    virtual void OnStopWorker() {}
    // Wait (bounded) for the ping the acquisition thread has in hand.
    virtual void OnQuiesceWorker() {}
    // The head socket and the UDP output.
    virtual void OnCloseLinks() {}
    // The orientation sensor and the head's serial port.
    virtual void OnCloseComPorts() {}
    // The UDP output socket, when it does not exist yet.
    virtual void OnCreateUdpOutput() {}

    // --- Files ------------------------------------------------------------------
    // A record file has just been created at path.
    virtual void OnRecordingStarted(const std::string& /*path*/) {}
};
