// Loading and saving the settings file from one table of keys. The table is
// in the order the file has always been written in (operators' files depend
// on it); the few rules that tie a key to more than its own field (the head
// command bytes, the panel position, the profile mix) follow the table.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "doc/DialogRules.h"
#include "doc/DocCommands.h"
#include "doc/TubescanDoc.h"
#include "format/IniFile.h"
#include "format/NumberText.h"

namespace {

constexpr const char* kSystem = "System Settings";
constexpr const char* kSonar = "Sonar Settings";

// How a value is read and written: Int and Byte as decimal integers (Byte
// keeps the low eight bits of what is read), FixedN with N decimals, Text
// as it stands. Colour is a decimal integer too, read signed as it was
// always written, of which the low 24 bits (blue, green, red) are kept.
enum class Format { Int, Byte, Colour, Fixed1, Fixed2, Fixed4Width10, Text };

// Which way a key goes. Some keys have only ever been written (the head
// keeps its own frequency and absorption), some only read (the attitude
// offsets); LiveOnly keys are left alone while a recording plays.
enum Use : unsigned { kLoad = 1, kSave = 2, kBoth = 3, kLiveOnly = 4 };

using S = SonarSettings;
using Field = std::variant<std::monostate, int S::*, double S::*, std::uint8_t S::*, COLORREF S::*,
                           std::string S::*>;

struct SettingKey {
    const char* section;
    const char* key;
    Field field;
    // Text a missing key reads as; nullptr keeps the field's current value.
    const char* fallback;
    Format format;
    // Applied to a number as read; a NaN from it means the value is out of
    // range and the key's fallback is used instead (and said).
    double (*clamp)(double) = nullptr;
    unsigned use = kBoth;
    // A missing key reads as this field's text instead (nullptr: fallback).
    std::string S::*fallbackFrom = nullptr;
    // Text values longer than the old 255-byte buffers (names in UTF-8) are
    // read whole up to this many bytes.
    std::size_t maxLength = IniFile::kMaxValueLength;
};

double SoundVelocityRule(double v) {
    return v < 1400.0 || v > 1600.0 ? 1500.0 : v;
}
double PlaybackSpeedRule(double v) {
    return v > 50 ? 50 : v;
}
// Within what the zoom menus reach: the view's wedge geometry is worked in
// ints scaled by the zoom.
double ZoomRule(double v) {
    return v <= 0.0 ? 1.0 : std::clamp(v, kMinZoom, kMaxZoom);
}
// The pipe dialog's limits: a pipe of -5 m or 1e30 m would make every
// figure drawn from it nonsense.
double PipeLengthRule(double v) {
    return v < dlg::kPipeMinMetres || v > dlg::kPipeMaxMetres
               ? std::numeric_limits<double>::quiet_NaN()
               : v;
}
double MinRangeRule(double v) {
    if (v <= 0.0) v = 0.0;
    if (v >= 2.5) v = 2.5;
    return v;
}
// Faster than any carrier a pipe is surveyed with: above it no distance
// step would be refused at all. A speed that is no speed falls back.
double CarrierTopSpeedRule(double v) {
    return v > 0.0 && v <= 100.0 ? v : std::numeric_limits<double>::quiet_NaN();
}
double AttitudeOffsetRule(double v) {
    return v < -90.0 ? -90.0 : (v > 90.0 ? 90.0 : v);
}

using D = SonarSettings;
constexpr Format I = Format::Int, B = Format::Byte, C = Format::Colour, F1 = Format::Fixed1,
                 F2 = Format::Fixed2, T = Format::Text;

// [System Settings], up to the settings panel's rectangle.
const SettingKey kSystemKeys[] = {
    // Read only for compatibility: the model is always the same.
    {kSystem, "Sonar Type", &D::m_sonarType, "0", I, nullptr, kSave},
    {kSystem, "IP Address", &D::m_ipAddress, "192.168.0.5", T},
    {kSystem, "Output UDP Address", &D::m_udpAddress, "192.168.0.23", T},
    {kSystem, "Output UDP Port", &D::m_udpPort, "4040", I},
    {kSystem, "Enable UDP Output XYZ", &D::m_udpXyzEnabled, "1", I},
    {kSystem, "Enable UDP Output PRD", &D::m_udpPrdEnabled, "0", I},
    {kSystem, "SonarComPort", &D::m_sonarComPort, "1", I},
    {kSystem, "SonarComPortBaud", &D::m_sonarComPortBaud, nullptr, I, nullptr, kSave},
    {kSystem, "RTS", &D::m_rts, "0", I},
    {kSystem, "SendDelay", &D::m_sendDelay, "0", I},
    {kSystem, "Read File Directory", &D::m_readDirectory, nullptr, T},
    {kSystem, "Write File Directory", &D::m_writeDirectory, nullptr, T},
    // A missing key reads the directory's text as a number: 0 for any
    // directory that does not start with a digit.
    {kSystem, "AutoSaveFileName", &D::m_autoSaveFileName, nullptr, I, nullptr, kBoth,
     &D::m_writeDirectory},
    {kSystem, "OpenFileFilterIndex", &D::m_openFileFilterIndex, nullptr, I, nullptr, kBoth,
     &D::m_writeDirectory},
    {kSystem, "ColorTable", &D::m_colorTable, "0", I},
    {kSystem, "Speed of Sound", &D::m_soundVelocity, "1500", F1, SoundVelocityRule},
    {kSystem, "Units", &D::m_units, "0", I},
    {kSystem, "ViewRangeMark", &D::m_viewRangeMark, "1", I},
    {kSystem, "Grid Style", &D::m_gridStyle, "0", I},
    {kSystem, "Grid", &D::m_gridType, "1", I},
    {kSystem, "Playback Speed", &D::m_playbackSpeed, "0", I, PlaybackSpeedRule},
    {kSystem, "Diagnostics Visible", &D::m_diagnosticsVisible, "1", I},
    {kSystem, "SettingsDlgVisible", &D::m_settingsPanelVisible, "1", I},
    {kSystem, "UseExtPRD", &D::m_useExtPRD, "0", I},
    {kSystem, "EnablePRDInput", &D::m_enablePRDInput, "0", I},
    {kSystem, "PRDComPort", &D::m_prdComPort, "3", I},
    {kSystem, "PRDComPortBaud", &D::m_prdComPortBaud, "38400", I},
    {kSystem, "ProfileDispMode", &D::m_profileDispMode, "0", I},
    {kSystem, "Zoom", &D::m_zoom, "1.0", F2, ZoomRule},
    {kSystem, "PointsColor", &D::m_pointsColor, nullptr, C},
    {kSystem, "GridColor", &D::m_gridColor, nullptr, C},
    {kSystem, "BKColor", &D::m_bkColor, nullptr, C},
    {kSystem, "TextColor", &D::m_textColor, nullptr, C},
    {kSystem, "CircleColor", &D::m_circleColor, nullptr, C},
    {kSystem, "LineColor", &D::m_lineColor, nullptr, C},
    {kSystem, "PointSize", &D::m_pointSize, nullptr, I},
    {kSystem, "TextSize", &D::m_textSize, nullptr, I},
    {kSystem, "Display PRD", &D::m_displayPRD, nullptr, I},
    {kSystem, "RollCorrection", &D::m_rollCorrection, nullptr, I},
    {kSystem, "CircleOffsetX", &D::m_circleOffsetX, "500.0", Format::Fixed4Width10},
    {kSystem, "CircleOffsetY", &D::m_circleOffsetY, "500.0", Format::Fixed4Width10},
    {kSystem, "CircleDiameter", &D::m_circleDiameter, "1.0", F2, PipeLengthRule},
    {kSystem, "HorseShoe Width", &D::m_horseShoeWidth, "1.6", F2, PipeLengthRule},
    {kSystem, "HorseShoe Height", &D::m_horseShoeHeight, "2.0", F2, PipeLengthRule},
    {kSystem, "PipeShape", &D::m_pipeShape, nullptr, I},
    {kSystem, "DisplayPipeShape", &D::m_displayPipeShape, nullptr, I},
    {kSystem, "PPMinRange", &D::m_profileMinRange, "0.0", F2, MinRangeRule},
    // Never written: an offset is set by hand in the file.
    {kSystem, "Pitch Offset", &D::m_pitchOffset, "0.0", F1, AttitudeOffsetRule, kLoad | kLiveOnly},
    {kSystem, "Roll Offset", &D::m_rollOffset, "0.0", F1, AttitudeOffsetRule, kLoad | kLiveOnly},
    // m/s; a distance step faster than this is held as a sensor glitch.
    // Never written, like the offsets: a file without it is saved as it was.
    {kSystem, "Carrier Top Speed", &D::m_carrierTopSpeed, "2.00", F2, CarrierTopSpeedRule, kLoad},
};

// [Sonar Settings]: the operator's sonar settings, never replaced by a
// recording's and never saved from one.
const SettingKey kSonarKeys[] = {
    {kSonar, "Range", &D::m_range, "1.", F2, nullptr, kBoth | kLiveOnly},
    {kSonar, "Range Index", &D::m_rangeIndex, "4", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Gain", &D::m_gain, "6", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Train Polar", &D::m_trainPolar, "60", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Train Sector", &D::m_trainSector, "60", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Train SS", &D::m_trainSS, "30", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "SectorWidth Polar", &D::m_sectorWidthPolar, "120", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "SectorWidth Sector", &D::m_sectorWidthSector, "60", B, nullptr, kBoth | kLiveOnly},
    // The head always runs step size 3 in real time.
    {kSonar, "Step Size", std::monostate{}, "3", T, nullptr, kSave | kLiveOnly},
    // The stored mode is written, but the program always starts in polar mode.
    {kSonar, "Sector Mode", &D::m_sectorMode, nullptr, I, nullptr, kSave | kLiveOnly},
    {kSonar, "Auto Settings", &D::m_autoSettings, nullptr, I, nullptr, kSave | kLiveOnly},
    {kSonar, "Frequency", &D::m_frequency, nullptr, I, nullptr, kSave | kLiveOnly},
    {kSonar, "Pulse Length", &D::m_pulseLength, "10", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Absorption", &D::m_absorption, nullptr, I, nullptr, kSave | kLiveOnly},
    {kSonar, "Sonar Up/Down", &D::m_sonarUpDown, "0", B, nullptr, kBoth | kLiveOnly},
    {kSonar, "Sonar FWD/AFT", &D::m_xdcrFwdAft, nullptr, I, nullptr, kBoth | kLiveOnly},
    {kSonar, "Zero Up/Down", &D::m_zeroUpDown, nullptr, I, nullptr, kBoth | kLiveOnly},
};

// [Survey Details]: what a crew types for every survey. Read whole (a name
// of 100 characters may take 400 bytes); the dialog checks them again before
// it offers them.
constexpr const char* kSurvey = "Survey Details";
constexpr std::size_t kSurveyText = 1024;
const SettingKey kSurveyKeys[] = {
    {kSurvey, "Inspector", &D::m_surveyInspector, "", T, nullptr, kBoth, nullptr, kSurveyText},
    {kSurvey, "Certificate", &D::m_surveyCertificate, "", T, nullptr, kBoth, nullptr, kSurveyText},
    {kSurvey, "Owner", &D::m_surveyOwner, "", T, nullptr, kBoth, nullptr, kSurveyText},
    {kSurvey, "Town", &D::m_surveyTown, "", T, nullptr, kBoth, nullptr, kSurveyText},
    {kSurvey, "Units", &D::m_surveyUnits, "", T, nullptr, kBoth, nullptr, kSurveyText},
};

bool Active(const SettingKey& k, unsigned way, const CTubescanDoc& doc) {
    return (k.use & way) != 0 && ((k.use & kLiveOnly) == 0 || doc.Run().m_playback == 0);
}

double ReadNumber(const IniFile& ini, const SettingKey& k, const std::string& fallback) {
    const std::string text = ini.GetString(k.section, k.key, fallback);
    switch (k.format) {
    case Format::Int:
        return TextToInt(text);
    case Format::Byte:
        return static_cast<unsigned>(TextToInt(text)) & 0xFFu;
    case Format::Colour:
        return static_cast<unsigned>(TextToInt(text)) & 0xFFFFFFu;
    default:
        return TextToDouble(text);
    }
}

// Says once per document that a key's value was out of range and replaced.
void NoteReplaced(CTubescanDoc& doc, const SettingKey& k, const std::string& text,
                  const std::string& used) {
    std::string note = std::string("The settings file's ") + k.key + "=" + text +
                       " is out of range; " + used + " is used instead.";
    if (doc.AddSettingsNote(note)) std::fprintf(stderr, "tubescan: %s\n", note.c_str());
}

void LoadKey(CTubescanDoc& doc, const IniFile& ini, const SettingKey& k) {
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::monostate>) {
                return;
            } else if constexpr (std::is_same_v<M, std::string S::*>) {
                const std::optional<std::string> v = ini.Get(k.section, k.key, k.maxLength);
                doc.Settings().*member =
                    v ? *v
                      : ini.GetString(k.section, k.key,
                                      k.fallback ? k.fallback : doc.Settings().*member);
            } else {
                using V = std::remove_reference_t<decltype(doc.Settings().*member)>;
                std::string fallback;
                if (k.fallbackFrom) {
                    fallback = doc.Settings().*k.fallbackFrom;
                } else if (k.fallback) {
                    fallback = k.fallback;
                } else if (!ini.Get(k.section, k.key)) {
                    return; // missing: the field keeps its value
                }
                double v = ReadNumber(ini, k, fallback);
                if (k.clamp) v = k.clamp(v);
                if (std::isnan(v)) {
                    v = TextToDouble(fallback);
                    NoteReplaced(doc, k, ini.GetString(k.section, k.key, fallback), fallback);
                }
                // Integral fields get a value their type holds (the readers
                // above keep to int or to the masked bits), never a double
                // converted straight to an unsigned type.
                if constexpr (std::is_integral_v<V>)
                    doc.Settings().*member = static_cast<V>(static_cast<long long>(v));
                else
                    doc.Settings().*member = static_cast<V>(v);
            }
        },
        k.field);
}

std::string SavedText(const CTubescanDoc& doc, const SettingKey& k) {
    return std::visit(
        [&](auto member) -> std::string {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::monostate>) {
                return k.fallback;
            } else if constexpr (std::is_same_v<M, std::string S::*>) {
                return doc.Settings().*member;
            } else {
                const auto v = doc.Settings().*member;
                switch (k.format) {
                case Format::Fixed1:
                    return FormatFixed(static_cast<double>(v), 1);
                case Format::Fixed2:
                    return FormatFixed(static_cast<double>(v), 2);
                case Format::Fixed4Width10:
                    return FormatFixed(static_cast<double>(v), 4, 10);
                default:
                    return std::to_string(static_cast<long long>(v));
                }
            }
        },
        k.field);
}

} // namespace

void CTubescanDoc::LoadSettings() {
    std::string readError;
    const IniFile ini = IniFile::Load(m_iniPath, &readError);
    std::error_code ec;
    const bool present = std::filesystem::symlink_status(m_iniPath, ec).type() !=
                         std::filesystem::file_type::not_found;
    if (!readError.empty() && present)
        // Said at start-up, before anything is contacted with the factory
        // addresses; SaveSettings leaves such a file alone.
        m_lastSettingsError = "Could not read the settings file " + m_iniPath + " (" + readError +
                              "); the factory settings are used.";
    else
        m_lastSettingsError.clear();
    LoadSettings(ini);
}

void CTubescanDoc::LoadSettings(const IniFile& ini) {
    using namespace headproto;
    PingSettingsChanged();
    for (const SettingKey& k : kSystemKeys)
        if (Active(k, kLoad, *this)) LoadKey(*this, ini, k);
    m_settings.m_sonarType = 1;
    ForEachObserver([show = m_settings.m_diagnosticsVisible != 0](DocumentObserver& o) {
        o.OnShowDiagnostics(show);
    });
    switch (m_settings.m_profileDispMode) {
    case 1:
        m_display.m_profileMix = 0.0;
        break;
    case 2:
        m_display.m_profileMix = 0.25;
        break;
    case 3:
        m_display.m_profileMix = 0.5;
        break;
    default:
        m_display.m_profileMix = 1.0;
        break;
    }
    m_display.m_fullScreen = 0;
    for (const SettingKey& k : kSurveyKeys)
        if (Active(k, kLoad, *this)) LoadKey(*this, ini, k);

    // The operator's sonar settings are never replaced by a recording's.
    if (m_run.m_playback != 0) return;

    for (const SettingKey& k : kSonarKeys)
        if (Active(k, kLoad, *this)) LoadKey(*this, ini, k);
    m_link.m_command[kCmdRangeCode] = static_cast<std::uint8_t>(RangeToCode(m_settings.m_range));
    m_link.m_command[kCmdGain] = m_settings.m_gain;
    m_link.m_command[kCmdStepSize] = 3;
    m_settings.m_sectorMode = 1;
    m_link.m_command[kCmdTrain] = m_settings.m_trainPolar;
    m_link.m_command[kCmdSectorWidth] = m_settings.m_sectorWidthPolar;
    ComputeTrainBearing();
    m_link.m_command[kCmdPulseLength] = m_settings.m_pulseLength;

    const int left = TextToInt(ini.GetString(kSystem, "Settings Left", "1000"));
    const int top = TextToInt(ini.GetString(kSystem, "Settings Top", "80"));
    ForEachObserver([left, top](DocumentObserver& o) {
        if (o.SettingsPanelRect()) o.OnMoveSettingsPanel(left, top);
    });
}

bool CTubescanDoc::SaveSettings() {
    std::string readError;
    IniFile ini = IniFile::Load(m_iniPath, &readError);
    std::error_code ec;
    if (!readError.empty() && std::filesystem::symlink_status(m_iniPath, ec).type() !=
                                  std::filesystem::file_type::not_found) {
        // Writing now would throw away every line of a file we could not read.
        m_lastSettingsError = "Could not read the settings file " + m_iniPath + " (" + readError +
                              "); it was left as it is.";
        return false;
    }
    for (const SettingKey& k : kSystemKeys)
        if (Active(k, kSave, *this)) ini.Set(k.section, k.key, SavedText(*this, k));
    std::optional<WindowRect> panel;
    ForEachObserver([&panel](const DocumentObserver& o) {
        if (!panel) panel = o.SettingsPanelRect();
    });
    if (panel) {
        ini.Set(kSystem, "Settings Left", std::to_string(panel->left));
        ini.Set(kSystem, "Settings Top", std::to_string(panel->top));
        ini.Set(kSystem, "Settings Right", std::to_string(panel->right));
        ini.Set(kSystem, "Settings Bottom", std::to_string(panel->bottom));
    }
    for (const SettingKey& k : kSonarKeys)
        if (Active(k, kSave, *this)) ini.Set(k.section, k.key, SavedText(*this, k));
    // Only once the crew has given them: a file without the section keeps
    // looking as it always did.
    for (const SettingKey& k : kSurveyKeys)
        if (Active(k, kSave, *this) && (!SavedText(*this, k).empty() || ini.Get(k.section, k.key)))
            ini.Set(k.section, k.key, SavedText(*this, k));

    std::string error;
    if (!ini.Save(m_iniPath, &error)) {
        m_lastSettingsError = "Could not write the settings file " + m_iniPath + ": " + error;
        return false;
    }
    m_lastSettingsError.clear();
    return true;
}

bool CTubescanDoc::AddSettingsNote(const std::string& note) {
    // A file is loaded a handful of times in a session; the bound only keeps
    // a document that loads endless different files from growing.
    constexpr std::size_t kMaxNotes = 64;
    if (m_settingsNotes.size() >= kMaxNotes ||
        std::find(m_settingsNotes.begin(), m_settingsNotes.end(), note) != m_settingsNotes.end())
        return false;
    m_settingsNotes.push_back(note);
    return true;
}
