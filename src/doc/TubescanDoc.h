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

inline constexpr int kImageSize = 1500;
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

// The head link as the program sees it (the values are the status layer's
// and the diagnostics' codes).
enum class LinkState { Down = 0, Up = 1, Connecting = 2 };

// The current ping as the document holds it: 32-byte return header followed
// by a 640-byte sample row.
struct ReplyBuffer {
    std::array<std::uint8_t, headproto::kReturnHeaderSize> header{};
    EchoLine samples{};
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

    // Appends the current ping (m_reply and the settings it was taken with) to
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
    bool m_indexPlayback = false;

    // Every value the settings file holds (load and save walk its keys).
    SonarSettings m_settings;

    // --- Sonar processing not kept in the settings file ------------------------
    double m_bearingScale = static_cast<double>(0.3f);

    // --- Head link ----------------------------------------------------------------
    int m_tcpPort = 4040;
    LinkState m_linkState = LinkState::Down;

    // --- Display, derived or not saved ---------------------------------------------
    double m_profileMix = 1.0;
    int m_fullScreen = 0;

    // --- Pipe-shape overlay --------------------------------------------------------
    double m_overlayParamA = 2.0;
    double m_overlayParamB = 6.0;

    // --- Files ----------------------------------------------------------------------
    std::string m_iniPath;

    // --- Live state -----------------------------------------------------------
    int m_playback = 0;
    int m_hold = 0;
    int m_scanDirection = 1;
    int m_prevScanDirection = 0;
    int m_dataPoints = 552;
    int m_trainBearing = 0;
    int m_pingCount = 0;
    int m_replyPending = 0;
    int m_closing = 0;
    int m_clearOnChange = 1;
    int m_redrawAll = 1;
    int m_recentreImage = 0;
    int m_moveShapeMode = 0;
    int m_textInputMode = 0;
    int m_measureMode = 0;
    int m_deleteTextRequest = 0;
    int m_deleteLinesRequest = 0;
    double m_pingPeriod = 0.0;
    double m_loopTime = 0.0;
    int m_loopTimeMs = 0;
    double m_pitchAvg = 0.0, m_rollAvg = 0.0;
    double m_extPitch = 0.0, m_extRoll = 0.0, m_extDistance = 0.0;
    int m_extPitchValid = 0, m_extRollValid = 0, m_extDistanceValid = 0;
    // The distance along the pipe of the current ping: the last valid one
    // (live, at the ping's own time between sensor records), NaN while none
    // has been valid since the start. Z and the figures use it; a record
    // stores m_extDistance and its flag as they are.
    double m_pingDistance = std::numeric_limits<double>::quiet_NaN();
    // The sensor's readings with their arrival times (live).
    orientation::Track m_orientationTrack;
    // Orientation input flag of the record being played (byte 34): a copy
    // made during playback keeps the recorded orientation values with it.
    int m_recordedPrdInput = 0;

    // Decoded per-ping fields (written by ping processing).
    int m_headId = 16;
    int m_headStatus = 0;
    int m_headPosition = 0;
    std::string m_replySignature;
    int m_replyDataBytes = 0;
    int m_profileRange = -1;
    double m_beamAngle = 0.0;
    std::uint16_t m_rollRaw = 0, m_pitchRaw = 0;
    double m_roll = 0.0, m_pitch = 0.0;
    double m_rollSum = 0.0, m_pitchSum = 0.0;
    int m_attitudeCount = 0;
    int m_rollValid = 0, m_pitchValid = 0;
    int m_restartLines = 1;
    // Echo level at the profile point handed to EmitProfilePoint (point clouds).
    std::uint8_t m_profileEcho = 0;

    // --- Time stamp of the current ping -----------------------------------
    std::string m_date;
    std::string m_time;
    std::string m_millis;
    std::string m_autoFileName;

    // --- Data file state (handles live with the file objects in io) -------
    // The .xyz file of a conversion, the UDP output and the taker of every
    // point as a value.
    ProfileOutputs m_outputs;
    // The file being played and where playback stands in it.
    PlaybackSession m_play;
    // The record file while pings are being recorded.
    RecordingSession m_recorder;

    // --- Buffers and tables ------------------------------------------------
    headproto::HeadCommand m_command = headproto::kInitialCommand;
    ReplyBuffer m_reply;
    EchoLines m_lines{};
    ProfileHistory m_profileHistory{};
    PointOffset m_pointOffset;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    std::vector<std::uint8_t> m_image; // blue, green, red; top-down
    TrigTables m_trig;                 // m_cosTable / m_sinTable
    // Ping-period measurement (acquisition thread in real time, playback pacing
    // otherwise; never both at once).
    CTimer m_timer;
    CSonarBitmap m_sonarBitmap; // the nine colour tables, constant after construction

    // The notes and lines drawn, and the sonar image's radius in pixels.
    int m_annotationCount = 0;
    int m_imageRadius = 250;

    // Guards m_image and the decoded ping fields between the acquisition
    // thread (which writes them per ping) and the user-interface thread (which
    // paints them), so a repaint never sees a half-written ping.
    mutable std::mutex m_pingMutex;

    // Why the last SaveSettings failed (empty after a success).
    std::string m_lastSettingsError;
    // Settings values that were out of range and replaced when loaded; each
    // is said once (on stderr) however often the file is loaded again.
    std::vector<std::string> m_settingsNotes;

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
