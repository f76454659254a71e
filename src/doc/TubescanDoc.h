// Floor 3, doc: the document and what it does with its state (settings
// table, recording, playback, profile output, document commands). It may
// include src/format and src/ping, never src/link, src/view or src/app; small
// binding files (PingBinding, RecordBinding) copy their values into fields.
//
// The program's one document: every setting, the live link, recording and
// playback state, the current ping's buffers and the sonar image. It is plain
// C++ so the link, the worker, playback, the converter and the tests can all
// use it without a window. Things that need an event loop (sockets, timers,
// windows, the worker thread) attach as DocumentObservers.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/ProfileSample.h"
#include "doc/DataOutcomes.h"
#include "doc/DocumentObserver.h"
#include "doc/DocumentState.h"
#include "doc/PlaybackJump.h"
#include "doc/PlaybackSession.h"
#include "doc/ProfileOutputs.h"
#include "doc/RecordIndex.h"
#include "doc/RecordingSession.h"
#include "doc/SonarSettings.h"
#include "doc/Timer.h"
#include "format/DataFileIo.h"
#include "format/HeadProtocol.h"
#include "format/IniFile.h"
#include "format/OrientationRecord.h"
#include "format/SurveyDetails.h"
#include "ping/PingProcessor.h"
#include "ping/PingTypes.h"
#include "ping/SonarBitmap.h"
#include "ping/TrigTables.h"

// View hints: shape moving mode was switched (starts the view's blink timer);
// the colour table changed (shows from the next repaint).
inline constexpr int kViewHintMoveShape = 5;
inline constexpr int kViewHintColourTable = 10;
inline constexpr const char* kSettingsFileName = "TubescanL.INI";

// A local clock reading with milliseconds, as the time stamps need it.
struct LocalTime {
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
    static LocalTime Now();
};

// How this session's range scale was set, for the survey details of the
// next recording: the water the operator measured and the ring check the
// operator accepted.
struct SurveyScale {
    std::optional<double> waterTemperatureC;
    std::optional<survey::Calibration> calibration;
};

class CTubescanDoc {
  public:
    CTubescanDoc();
    virtual ~CTubescanDoc();
    CTubescanDoc(const CTubescanDoc&) = delete;
    CTubescanDoc& operator=(const CTubescanDoc&) = delete;

    // programDirectory: where the executable lives (with trailing separator);
    // the settings file is looked for there. settingsPath, when given, names
    // the settings file directly (tests, and the user-configuration fallback).
    virtual bool OnNewDocument(const std::string& programDirectory,
                               const std::string& settingsPath = {});
    virtual void OnCloseDocument();

    void LoadSettings();
    // The same rules applied to an already parsed profile.
    void LoadSettings(const IniFile& ini);
    // Returns false when the settings file could not be written; the reason is
    // left in m_lastSettingsError.
    bool SaveSettings();

    void StampTime();
    void StampTime(const LocalTime& now);
    int ComputeTrainBearing();
    void SaveModeSettings();
    void ClearImage();
    void OnParametersChanged();
    // The parts of the program outside the document (see DocumentObserver.h).
    // An observer is told of everything from then on until it is removed.
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);

    // Tells the views the document changed; the hint says what (kViewHint...).
    void UpdateAllViews(int hint = 0);
    // Returns true when an observer showed the message (headless, it goes to
    // stderr and false is returned).
    bool ShowMessage(const std::string& text);
    void SetWindowTitle(const std::string& title);
    // The status bar, and the diagnostics window too when diagnostics is set.
    void RefreshWindows(bool diagnostics);
    void ShowPlaybackBar(bool show);
    void ShowSettingsPanel();
    void RefreshSettingsPanel();
    // The UDP output socket, made by its owner when it does not exist yet.
    void CreateUdpOutput();
    void CloseComPorts();
    // Zero the main document's echo lines and profile history and restart the
    // line history with the next ping.
    void ResetPingHistory();

    // One profile point per processed ping: distance in image pixels at the
    // current zoom, bearing in degrees. Sends it to the XYZ file and the UDP
    // outputs that are enabled. Called from the acquisition thread in real
    // time and from the user-interface thread in playback.
    void EmitProfilePoint(double distance, double bearing);
    // The current ping's pitch, roll and where the pipe's up lies in its
    // points, for the figures.
    void AttitudeOfPing(analysis::ProfileSample& s) const;

    // Closes the .xyz file; a conversion without its file is over.
    void CloseXyzFile();
    // "Enable UDP XYZ Output" (32958) and "Enable UDP Range/Bearing Output"
    // (32959): each turns the other off when it turns on.
    void OnUdpOutputCommand(int commandId);
    bool IsUdpOutputChecked(int commandId) const;
    // Shuts the UDP output socket (with the head socket, at connect and close).
    void CloseUdpOutput() { m_outputs.CloseUdp(); }

    // Appends the current ping (m_frame.m_reply and the settings it was taken with) to
    // the record file while recording. Takes no lock: call it on the
    // user-interface thread, without holding m_pingMutex.
    void AppendRecord();
    // A reply the head link framed: it becomes the current ping's header and
    // samples and, while recording, a record. User-interface thread, before
    // the reply is handed to the acquisition thread.
    void KeepLiveReply(std::span<const std::uint8_t, headproto::kReturnRecordSize> reply);
    // What the connect command starts from: no sensor values, distance or
    // attitude carried over from a file, the profile minimum range back to 0
    // (in the command too), the offsets cleared. Takes m_pingMutex.
    void ResetForConnect();

    // --- Recording (DataFiles.cpp) -------------------------------------------
    // The record command. chooseRecordFile shows the save dialog and returns
    // the accepted path (ProposedRecordPath/AcceptRecordPath), empty if none.
    void ToggleRecording(const std::function<std::string()>& chooseRecordFile);
    bool OpenRecordFile(const std::string& path);
    // The stop half of the record command: close, clear the flag, retitle.
    void StopRecording();
    // Closes the playback, record and XYZ files. A recording that loses its
    // file here is stopped, so the record command never shows a recording
    // that writes nowhere.
    void CloseDataFiles();
    // The save dialog's pre-filled path (also kept as the recorder's path).
    std::string ProposedRecordPath();
    // The checks after the save dialog; chosen is empty when it was
    // cancelled. Returns the path to record to, or empty.
    std::string AcceptRecordPath(const std::string& chosen);
    // Recording named on the command line (after the head link was started).
    // confirmReplace is asked whether an existing file may be replaced;
    // without it (headless) the answer is no.
    void StartRecordingFromCommandLine(
        const std::string& name,
        const std::function<bool(const std::string&)>& confirmReplace = {});

    // --- Playback (Playback.cpp) ----------------------------------------------
    // Opening a playback file, around the file dialog: Begin before it,
    // Cancel when it is dismissed, OpenPlaybackPath with the chosen path.
    void BeginOpenPlayback();
    void CancelOpenPlayback();
    bool OpenPlaybackPath(const std::string& path);
    // The same, saying why a file was refused (the operator is told too).
    PlaybackOpen OpenPlayback(const std::string& path);
    void PlaybackTick();
    // Reads and shows the next record; at the end of the file playback
    // starts again (and a conversion ends).
    void ReadNextRecord();
    // The one step every record takes, interactive or converted: its
    // settings into the fields, its ping processed (drawing says whether
    // pixels are drawn) and the point emitted. False when the record holds
    // no ping (its settings still count).
    bool PlayRecord(const PlayedRecord& record, PingDrawing drawing);
    // Back to the start of the file: a clean picture and history, and the
    // end of a conversion.
    void StartFileAgain();
    void SeekToRecord(std::uint64_t offset);
    bool StepBack();
    void SetPlaybackTimer();
    // Whether the idle loop should run a playback tick now (speed 0).
    bool WantsIdlePlayback() const;
    void TogglePlayOneFrame();      // command 32922
    void ToggleRealTimePlaySpeed(); // command 32864
    void StepFrameBack();           // command 1069
    void StepFrameForward();        // command 1072
    // The playback bar's speed spin: returns the new m_playbackSpeed.
    int ChangePlaybackSpeed(int delta);

    // --- Finding a place in the playback file (PlaybackJump.cpp) --------------
    // The one entry for every view that names a place: draws the scan that
    // holds the first record at or after it and holds playback there. Safe
    // to call in any state; the outcome says what happened.
    GoToResult GoToDistance(double metres);
    GoToResult GoToTime(double secondsOfDay);
    GoToResult JumpToPlace(const playindex::Place& place);
    // Starts reading the open playback file's index (OpenPlayback does it
    // when m_indexPlayback is set); null before.
    void StartPlaybackIndex();
    const playindex::RecordIndex* PlaybackIndex() const;
    // Whether opening a playback file starts its index (the program; the
    // converter reads files straight through and has no use for one).
    void SetIndexPlayback(bool on) { m_indexPlayback = on; }

    // --- The document's parts ----------------------------------------------------
    // Every value the settings file holds (load and save walk its keys).
    // Whoever may write the settings takes them here, which marks the
    // settings pings are processed with (PingSettingsNow) for rebuilding.
    SonarSettings& Settings() {
        m_pingSettingsStale.store(true, std::memory_order_relaxed);
        return m_settings;
    }
    const SonarSettings& Settings() const { return m_settings; }
    // The settings as a played record or a decoded ping writes them, without
    // marking: those writes come once per ping, and the binding that makes
    // them calls PingSettingsChanged() when it changes a value PingSettings
    // holds. Only the per-ping bindings (RecordBinding, PingBinding) use it.
    SonarSettings& SettingsOfThePing() { return m_settings; }
    void PingSettingsChanged() { m_pingSettingsStale.store(true, std::memory_order_relaxed); }
    // What ping processing needs of the settings and the display, valid until
    // the next call. The caller holds the ping lock (or is the one thread that
    // drives the document). In playback and conversion it is built once per
    // change of the settings, not once per ping; live, where the window's
    // thread writes settings without the ping lock, it is built on each call.
    const PingSettings& PingSettingsNow() const;
    // The record file while pings are being recorded.
    RecordingSession& Recorder() { return m_recorder; }
    const RecordingSession& Recorder() const { return m_recorder; }
    // The file being played and where playback stands in it.
    PlaybackSession& PlaybackFile() { return m_play; }
    const PlaybackSession& PlaybackFile() const { return m_play; }
    // The .xyz file of a conversion, the UDP output and the taker of every
    // point as a value.
    ProfileOutputs& Outputs() { return m_outputs; }
    const ProfileOutputs& Outputs() const { return m_outputs; }
    // The command the head link sends. Bytes are written one at a time by
    // the thread that owns them (the window's thread, the acquisition
    // thread for a recorded ping's range code); each is its own location.
    const headproto::HeadCommand& Command() const { return m_link.m_command; }
    void SetCommandByte(headproto::CommandByte index, std::uint8_t value) {
        m_link.m_command[index] = value;
    }
    // The orientation sensor's values. Written under the ping lock (serial
    // parsing, a live ping's interpolation, a played record); Readout()
    // takes them with the ping.
    ExternalSensors Sensors() const { return m_link.m_sensors; }
    void SetSensors(const ExternalSensors& sensors) { m_link.m_sensors = sensors; }
    // The sensor's readings over time (live): a ping takes the value at its
    // own time. Adding returns what orientation::Track::Add returns.
    const orientation::Track& OrientationTrack() const { return m_link.m_orientationTrack; }
    bool AddOrientationReading(double seconds, const orientation::Record& reading,
                               double topSpeed) {
        return m_link.m_orientationTrack.Add(seconds, reading, topSpeed);
    }
    // Whether the record being played was taken with the orientation input.
    bool RecordedOrientationInput() const { return m_link.m_recordedPrdInput != 0; }
    void SetRecordedOrientationInput(bool on) { m_link.m_recordedPrdInput = on ? 1 : 0; }
    // Whether the head link awaits the answer to a resent command, as its
    // owner (an observer) says; false without one. Any thread.
    bool ReplyPending() const;
    // Tells the link's owner that nothing is awaited from the head any more.
    void ForgetPendingReply();
    // The current ping and the sonar image. Hold PingMutex() while the
    // acquisition thread may be writing it, or take a Readout().
    PingFrame& Frame() { return m_frame; }
    const PingFrame& Frame() const { return m_frame; }
    PingReadout Readout() const;
    // Where the head link stands, as its owner (an observer) says; down when
    // no observer owns a link (playback, conversion, a bare document).
    LinkState HeadLinkState() const;
    // Live or playback, held or scanning, and the pacing of pings.
    RunState& Run() { return m_run; }
    const RunState& Run() const { return m_run; }
    // The picture's drawing modes and the mouse's current job.
    DisplayState& Display() { return m_display; }
    const DisplayState& Display() const { return m_display; }

    // Guards Frame() between the acquisition thread (which writes it per
    // ping) and the user-interface thread (which paints it), so a repaint
    // never sees a half-written ping.
    std::mutex& PingMutex() const { return m_pingMutex; }
    // The trigonometric tables (m_cosTable / m_sinTable) and the nine colour
    // tables, constant after construction.
    const TrigTables& Trig() const { return m_trig; }
    const CSonarBitmap& ColourTables() const { return m_sonarBitmap; }

    // The settings file this document loads and saves.
    const std::string& SettingsPath() const { return m_iniPath; }
    void SetSettingsPath(std::string path) { m_iniPath = std::move(path); }
    // Why the last SaveSettings failed (empty after a success).
    const std::string& LastSettingsError() const { return m_lastSettingsError; }
    // Settings values that were out of range and replaced when loaded; each
    // is said once (on stderr) however often the file is loaded again.
    const std::vector<std::string>& SettingsNotes() const { return m_settingsNotes; }
    // Keeps a new note; false when it was said already (or too many were).
    bool AddSettingsNote(const std::string& note);

    // --- The range scale (SoundScale.cpp) ---------------------------------------
    const SurveyScale& Scale() const { return m_scale; }
    // The speed of sound set from the water's temperature (and salinity):
    // stored as the setting, the temperature kept for the survey details.
    void SetSpeedFromWater(double temperatureC, double salinityPsu);
    // The speed of sound typed in: no water temperature stands behind it.
    void SetSpeedByHand(double speed);
    // A ring check the operator accepted: its speed becomes the setting.
    void AcceptCalibration(const survey::Calibration& check);
    // Playback: every ping of the recording again from its start, at the
    // speed now set, so no figure mixes two scales.
    void ReplayAtCurrentSpeed();

  private:
    bool m_indexPlayback = false;
    SonarSettings m_settings;
    // PingSettingsNow's copy of the settings part, and whether a write may
    // have made it old.
    mutable PingSettings m_pingSettings;
    mutable std::atomic<bool> m_pingSettingsStale{true};
    ProfileOutputs m_outputs;
    PlaybackSession m_play;
    RecordingSession m_recorder;
    LinkSession m_link;
    PingFrame m_frame;
    RunState m_run;
    DisplayState m_display;
    mutable std::mutex m_pingMutex;
    TrigTables m_trig;
    CSonarBitmap m_sonarBitmap;
    std::string m_iniPath;
    std::string m_lastSettingsError;
    std::vector<std::string> m_settingsNotes;
    SurveyScale m_scale;

    template <typename F> void ForEachObserver(F&& tell) const {
        const auto observers = m_observers.load(std::memory_order_acquire);
        if (observers)
            for (DocumentObserver* observer : *observers)
                tell(*observer);
    }

    // Replaced whole on every change, so a notification from the acquisition
    // thread walks a list nobody changes under it.
    std::atomic<std::shared_ptr<const std::vector<DocumentObserver*>>> m_observers;
};

// An observer that observes one document from its construction to its
// destruction (the document must outlive it).
class AttachedObserver : public DocumentObserver {
  public:
    explicit AttachedObserver(CTubescanDoc& doc) : m_observed(doc) { m_observed.AddObserver(this); }
    ~AttachedObserver() override { m_observed.RemoveObserver(this); }
    AttachedObserver(const AttachedObserver&) = delete;
    AttachedObserver& operator=(const AttachedObserver&) = delete;

  private:
    CTubescanDoc& m_observed;
};

// The settings-file path for a program directory: the file beside the program
// when it exists there or the directory is writable (and not a system program
// folder such as /usr/bin), otherwise the file in the user's configuration
// folder ($XDG_CONFIG_HOME/TubescanL or ~/.config/TubescanL).
std::string ResolveSettingsPath(const std::string& programDirectory);

// "%02d-%s-%04d" month abbreviation table.
extern const char* const kMonthAbbreviations[12];
