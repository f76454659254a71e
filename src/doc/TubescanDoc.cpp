#include "doc/TubescanDoc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <unistd.h>

const char* const kMonthAbbreviations[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                             "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

LocalTime LocalTime::Now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ms < 0 ? ms + 1000 : ms);
    return t;
}

CTubescanDoc::CTubescanDoc() {
    // The member initialisers above set every field to its initial value and
    // build the trigonometric tables; the order the program has always used
    // (owned objects, fields, events, ping history, command, tables) only
    // matters for the two steps with effects beyond their own field:
    ResetPingHistory();
    m_link.m_command = headproto::kInitialCommand;
}

CTubescanDoc::~CTubescanDoc() = default;

bool CTubescanDoc::OnNewDocument(const std::string& programDirectory,
                                 const std::string& settingsPath) {
    std::string dir = programDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    m_iniPath = settingsPath.empty() ? ResolveSettingsPath(dir) : settingsPath;
    m_settings.m_readDirectory = dir;
    m_settings.m_writeDirectory = dir;
    ForEachObserver([](DocumentObserver& o) { o.OnCreateWindows(); });
    LoadSettings();
    {
        std::lock_guard lock(m_pingMutex);
        m_frame.m_imageWidth = kImageSize;
        m_frame.m_imageHeight = kImageSize;
        m_frame.m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
    }
    ForEachObserver([](DocumentObserver& o) { o.OnStartWorker(); });
    return true;
}

void CTubescanDoc::OnCloseDocument() {
    m_run.m_closing = 1;
    // The acquisition thread may still be writing the last ping's fields;
    // nothing new reaches it while this runs, so let it finish first.
    ForEachObserver([](DocumentObserver& o) { o.OnQuiesceWorker(); });
    SaveSettings();
    m_play.StopClock();
    CloseDataFiles();
    ForEachObserver([](DocumentObserver& o) { o.OnCloseLinks(); });
    CloseComPorts();
    ForEachObserver([](DocumentObserver& o) { o.OnStopWorker(); });
    m_recorder.Stop();
    ForEachObserver([](DocumentObserver& o) { o.OnDestroyWindows(); });
}

void CTubescanDoc::StampTime() {
    StampTime(LocalTime::Now());
}

void CTubescanDoc::StampTime(const LocalTime& now) {
    const int month = (now.month >= 1 && now.month <= 12) ? now.month : 1;
    const char* mon = kMonthAbbreviations[month - 1];
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d-%s-%04d", now.day, mon, now.year);
    m_frame.m_date = buf;
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    m_frame.m_time = buf;
    std::snprintf(buf, sizeof buf, "%02d%s%04d-%02d%02d%02d", now.day, mon, now.year, now.hour,
                  now.minute, now.second);
    m_frame.m_autoFileName = buf;
    std::snprintf(buf, sizeof buf, "%03d", now.millisecond);
    m_frame.m_millis = buf;
}

void CTubescanDoc::ResetForConnect() {
    std::lock_guard lock(m_pingMutex);
    m_link.m_sensors = ExternalSensors{};
    m_frame.m_pingDistance = std::numeric_limits<double>::quiet_NaN();
    m_link.m_orientationTrack.Reset();
    m_settings.m_profileMinRange = 0.0;
    // The head is told the same: a command byte left at the file's value
    // would gate profiles the program believes it shows.
    m_link.m_command[headproto::kCmdProfileMinRange] = 0;
    m_frame.m_pitch = m_frame.m_roll = 0.0;
    m_frame.m_pitchRaw = m_frame.m_rollRaw = 0;
    m_frame.m_pitchSum = m_frame.m_rollSum = 0.0;
    m_frame.m_attitudeCount = 0;
    m_frame.m_pitchValid = m_frame.m_rollValid = 0;
    m_settings.m_pitchOffset = m_settings.m_rollOffset = 0.0;
    PingSettingsChanged();
}

int CTubescanDoc::ComputeTrainBearing() {
    const int t = m_link.m_command[headproto::kCmdTrain];
    int bearing = 3 * (t >= 60 ? t - 60 : t + 60);
    if (m_settings.m_sonarUpDown == 1) bearing = 360 - bearing;
    if (m_settings.m_zeroUpDown == 1) bearing += 180;
    if (bearing >= 360) bearing -= 360;
    if (bearing <= 0) bearing += 360;
    m_run.m_trainBearing = bearing;
    return bearing;
}

void CTubescanDoc::SaveModeSettings() {
    switch (m_settings.m_sectorMode) {
    case 0:
        m_settings.m_sectorWidthSector = m_link.m_command[headproto::kCmdSectorWidth];
        m_settings.m_trainSector = m_link.m_command[headproto::kCmdTrain];
        break;
    case 1:
        m_settings.m_sectorWidthPolar = m_link.m_command[headproto::kCmdSectorWidth];
        m_settings.m_trainPolar = m_link.m_command[headproto::kCmdTrain];
        break;
    case 2:
        m_settings.m_trainSS = m_link.m_command[headproto::kCmdTrain];
        break;
    default:
        break;
    }
}

void CTubescanDoc::ClearImage() {
    std::lock_guard lock(m_pingMutex);
    const std::uint8_t b = static_cast<std::uint8_t>((m_settings.m_bkColor >> 16) & 0xFF);
    const std::uint8_t g = static_cast<std::uint8_t>((m_settings.m_bkColor >> 8) & 0xFF);
    const std::uint8_t r = static_cast<std::uint8_t>(m_settings.m_bkColor & 0xFF);
    // One row pixel by pixel, the others copied from it: playback clears the
    // image on every pass through a file.
    const std::size_t row = static_cast<std::size_t>(std::max(m_frame.m_imageWidth, 1)) * 3;
    const std::size_t first = std::min(row, m_frame.m_image.size() / 3 * 3);
    for (std::size_t i = 0; i < first; i += 3) {
        m_frame.m_image[i] = b;
        m_frame.m_image[i + 1] = g;
        m_frame.m_image[i + 2] = r;
    }
    for (std::size_t at = first; first > 0 && at < m_frame.m_image.size(); at += first)
        std::memcpy(m_frame.m_image.data() + at, m_frame.m_image.data(),
                    std::min(first, m_frame.m_image.size() - at));
}

void CTubescanDoc::ResetPingHistory() {
    std::lock_guard lock(m_pingMutex);
    m_frame.m_reply.samples.fill(0);
    for (auto& line : m_frame.m_lines)
        line.fill(0);
    m_frame.m_restartLines = 1;
    m_frame.m_profileHistory = ProfileHistory{};
}

void CTubescanDoc::AddObserver(DocumentObserver* observer) {
    auto observers = m_observers.load(std::memory_order_acquire);
    auto next = observers ? std::make_shared<std::vector<DocumentObserver*>>(*observers)
                          : std::make_shared<std::vector<DocumentObserver*>>();
    if (std::find(next->begin(), next->end(), observer) == next->end()) next->push_back(observer);
    m_observers.store(std::move(next), std::memory_order_release);
}

void CTubescanDoc::RemoveObserver(DocumentObserver* observer) {
    auto observers = m_observers.load(std::memory_order_acquire);
    if (!observers) return;
    auto next = std::make_shared<std::vector<DocumentObserver*>>(*observers);
    next->erase(std::remove(next->begin(), next->end(), observer), next->end());
    m_observers.store(std::move(next), std::memory_order_release);
}

void CTubescanDoc::UpdateAllViews(int hint) {
    ForEachObserver([hint](DocumentObserver& o) { o.OnUpdateViews(hint); });
}

bool CTubescanDoc::ShowMessage(const std::string& text) {
    bool shown = false;
    ForEachObserver([&](DocumentObserver& o) { shown = o.OnMessage(text) || shown; });
    if (!shown) std::fprintf(stderr, "%s\n", text.c_str());
    return shown;
}

void CTubescanDoc::SetWindowTitle(const std::string& title) {
    ForEachObserver([&title](DocumentObserver& o) { o.OnWindowTitle(title); });
}

void CTubescanDoc::RefreshWindows(bool diagnostics) {
    ForEachObserver([diagnostics](DocumentObserver& o) { o.OnRefreshWindows(diagnostics); });
}

void CTubescanDoc::ShowPlaybackBar(bool show) {
    ForEachObserver([show](DocumentObserver& o) { o.OnShowPlaybackBar(show); });
}

void CTubescanDoc::ShowSettingsPanel() {
    ForEachObserver([](DocumentObserver& o) { o.OnShowSettingsPanel(true); });
}

void CTubescanDoc::RefreshSettingsPanel() {
    ForEachObserver([](DocumentObserver& o) { o.OnRefreshSettingsPanel(); });
}

void CTubescanDoc::CreateUdpOutput() {
    ForEachObserver([](DocumentObserver& o) { o.OnCreateUdpOutput(); });
}

void CTubescanDoc::CloseComPorts() {
    ForEachObserver([](DocumentObserver& o) { o.OnCloseComPorts(); });
}

LinkState CTubescanDoc::HeadLinkState() const {
    std::optional<LinkState> state;
    ForEachObserver([&state](const DocumentObserver& o) {
        if (!state) state = o.HeadLinkState();
    });
    return state.value_or(LinkState::Down);
}

bool CTubescanDoc::ReplyPending() const {
    std::optional<bool> pending;
    ForEachObserver([&pending](const DocumentObserver& o) {
        if (!pending) pending = o.ReplyPending();
    });
    return pending.value_or(false);
}

void CTubescanDoc::ForgetPendingReply() {
    ForEachObserver([](DocumentObserver& o) { o.OnForgetPendingReply(); });
}

void CTubescanDoc::OnParametersChanged() {
    ForEachObserver([](DocumentObserver& o) { o.OnRefreshParameterTexts(); });
    if (m_display.m_clearOnChange) {
        ClearImage();
        ResetPingHistory();
        m_display.m_clearOnChange = 0;
    }
    if (HeadLinkState() != LinkState::Up) {
        m_display.m_redrawAll = 1;
        UpdateAllViews();
    }
}

namespace {

// The folders packages install programs into are shared by every user: one
// user's settings (root's included) do not belong there, and a file left
// there would outlive the package that put the program there.
bool IsSharedProgramFolder(const std::string& dir) {
    std::error_code ec;
    std::string real = std::filesystem::weakly_canonical(dir.empty() ? "." : dir, ec).string();
    if (ec) return false;
    while (real.size() > 1 && real.back() == '/')
        real.pop_back();
    for (const char* shared : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/games",
                               "/usr/local/bin", "/usr/local/sbin"})
        if (real == shared) return true;
    return false;
}

} // namespace

std::string ResolveSettingsPath(const std::string& programDirectory) {
    namespace fs = std::filesystem;
    std::string dir = programDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    const std::string beside = dir + kSettingsFileName;
    std::error_code ec;
    if (fs::exists(beside, ec) ||
        (::access(dir.empty() ? "." : dir.c_str(), W_OK) == 0 && !IsSharedProgramFolder(dir)))
        return beside;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = std::string(home) + "/.config";
    } else {
        return beside;
    }
    config += "/TubescanL";
    fs::create_directories(config, ec);
    return config + "/" + kSettingsFileName;
}

PingReadout CTubescanDoc::Readout() const {
    std::lock_guard lock(m_pingMutex);
    PingReadout r;
    r.pitchAvg = m_frame.m_pitchAvg;
    r.rollAvg = m_frame.m_rollAvg;
    r.pitchValid = m_frame.m_pitchValid != 0;
    r.rollValid = m_frame.m_rollValid != 0;
    r.beamAngle = m_frame.m_beamAngle;
    r.profileRange = m_frame.m_profileRange;
    r.date = m_frame.m_date;
    r.time = m_frame.m_time;
    r.extPitch = m_link.m_sensors.pitch;
    r.extRoll = m_link.m_sensors.roll;
    r.extDistance = m_link.m_sensors.distance;
    r.extPitchValid = m_link.m_sensors.pitchValid != 0;
    r.extRollValid = m_link.m_sensors.rollValid != 0;
    r.extDistanceValid = m_link.m_sensors.distanceValid != 0;
    r.zoom = m_settings.m_zoom;
    r.trainBearing = m_run.m_trainBearing;
    r.sectorWidthCode = m_link.m_command[headproto::kCmdSectorWidth];
    r.pingCount = m_run.m_pingCount;
    return r;
}
