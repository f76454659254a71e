// Loading and saving the settings file. The order of keys is the order the
// file has always been read and written in; operators' files depend on it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "doc/TubescanDoc.h"
#include "format/IniFile.h"
#include "format/NumberText.h"

namespace {

constexpr const char* kSystem = "System Settings";
constexpr const char* kSonar = "Sonar Settings";

double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Reads a profile file the way the program always has: text with a default,
// numbers with atoi/atof meaning, and "profile integers" whose default is the
// field's current value.
class Reader {
  public:
    explicit Reader(const IniFile& ini) : m_ini(ini) {}
    std::string Text(const char* section, const char* key, const std::string& fallback) const {
        return m_ini.GetString(section, key, fallback);
    }
    int Int(const char* section, const char* key, const std::string& fallback) const {
        return TextToInt(Text(section, key, fallback));
    }
    double Real(const char* section, const char* key, const std::string& fallback) const {
        return TextToDouble(Text(section, key, fallback));
    }
    template <typename T> void ProfileInt(const char* section, const char* key, T& field) const {
        if (auto v = m_ini.Get(section, key)) field = static_cast<T>(TextToInt(*v));
    }
    std::uint8_t Byte(const char* section, const char* key, const std::string& fallback) const {
        return static_cast<std::uint8_t>(static_cast<unsigned>(Int(section, key, fallback)) & 0xFF);
    }

  private:
    const IniFile& m_ini;
};

std::string Dec(long long v) {
    return std::to_string(v);
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
    const Reader r(ini);
    using namespace headproto;

    r.Text(kSystem, "Sonar Type", "0"); // read for compatibility; the model is always Q52L
    m_sonarType = 1;
    m_ipAddress = r.Text(kSystem, "IP Address", "192.168.0.5");
    m_udpAddress = r.Text(kSystem, "Output UDP Address", "192.168.0.23");
    m_udpPort = r.Int(kSystem, "Output UDP Port", "4040");
    m_udpXyzEnabled = r.Int(kSystem, "Enable UDP Output XYZ", "1");
    m_udpPrdEnabled = r.Int(kSystem, "Enable UDP Output PRD", "0");
    m_sonarComPort = r.Int(kSystem, "SonarComPort", "1");
    m_rts = r.Int(kSystem, "RTS", "0");
    m_sendDelay = r.Int(kSystem, "SendDelay", "0");
    m_readDirectory = r.Text(kSystem, "Read File Directory", m_readDirectory);
    m_writeDirectory = r.Text(kSystem, "Write File Directory", m_writeDirectory);
    // The defaults of these two are the directory's text read as a number, so
    // a missing key gives 0 for any directory that does not start with a digit.
    m_autoSaveFileName = r.Int(kSystem, "AutoSaveFileName", m_writeDirectory);
    m_openFileFilterIndex = r.Int(kSystem, "OpenFileFilterIndex", m_writeDirectory);
    m_colorTable = r.Int(kSystem, "ColorTable", "0");
    m_soundVelocity = r.Real(kSystem, "Speed of Sound", "1500");
    if (m_soundVelocity < 1400.0 || m_soundVelocity > 1600.0) m_soundVelocity = 1500.0;
    m_units = r.Int(kSystem, "Units", "0");
    m_viewRangeMark = r.Int(kSystem, "ViewRangeMark", "1");
    m_gridStyle = r.Int(kSystem, "Grid Style", "0");
    m_gridType = r.Int(kSystem, "Grid", "1");
    m_playbackSpeed = r.Int(kSystem, "Playback Speed", "0");
    if (m_playbackSpeed > 50) m_playbackSpeed = 50;
    m_diagnosticsVisible = r.Int(kSystem, "Diagnostics Visible", "1");
    if (m_hooks.showDiagnostics) m_hooks.showDiagnostics(m_diagnosticsVisible != 0);
    m_settingsDlgVisible = r.Int(kSystem, "SettingsDlgVisible", "1");
    m_useExtPRD = r.Int(kSystem, "UseExtPRD", "0");
    m_enablePRDInput = r.Int(kSystem, "EnablePRDInput", "0");
    m_prdComPort = r.Int(kSystem, "PRDComPort", "3");
    m_prdComPortBaud = r.Int(kSystem, "PRDComPortBaud", "38400");
    m_profileDispMode = r.Int(kSystem, "ProfileDispMode", "0");
    switch (m_profileDispMode) {
    case 1:
        m_profileMix = 0.0;
        break;
    case 2:
        m_profileMix = 0.25;
        break;
    case 3:
        m_profileMix = 0.5;
        break;
    default:
        m_profileMix = 1.0;
        break;
    }
    m_zoom = r.Real(kSystem, "Zoom", "1.0");
    if (m_zoom <= 0.0) m_zoom = 1.0;
    r.ProfileInt(kSystem, "PointsColor", m_pointsColor);
    r.ProfileInt(kSystem, "GridColor", m_gridColor);
    r.ProfileInt(kSystem, "BKColor", m_bkColor);
    r.ProfileInt(kSystem, "TextColor", m_textColor);
    r.ProfileInt(kSystem, "CircleColor", m_circleColor);
    r.ProfileInt(kSystem, "LineColor", m_lineColor);
    r.ProfileInt(kSystem, "PointSize", m_pointSize);
    r.ProfileInt(kSystem, "TextSize", m_textSize);
    r.ProfileInt(kSystem, "Display PRD", m_displayPRD);
    r.ProfileInt(kSystem, "RollCorrection", m_rollCorrection);
    m_circleOffsetX = r.Real(kSystem, "CircleOffsetX", "500.0");
    m_circleOffsetY = r.Real(kSystem, "CircleOffsetY", "500.0");
    m_circleDiameter = r.Real(kSystem, "CircleDiameter", "1.0");
    m_horseShoeWidth = r.Real(kSystem, "HorseShoe Width", "1.6");
    m_horseShoeHeight = r.Real(kSystem, "HorseShoe Height", "2.0");
    r.ProfileInt(kSystem, "PipeShape", m_pipeShape);
    r.ProfileInt(kSystem, "DisplayPipeShape", m_displayPipeShape);
    m_profileMinRange = r.Real(kSystem, "PPMinRange", "0.0");
    if (m_profileMinRange <= 0.0) m_profileMinRange = 0.0;
    if (m_profileMinRange >= 2.5) m_profileMinRange = 2.5;
    m_fullScreen = 0;

    // The operator's sonar settings are never replaced by a recording's.
    if (m_playback != 0) return;

    m_range = r.Real(kSonar, "Range", "1.");
    m_command[kCmdRangeCode] = static_cast<std::uint8_t>(RangeToCode(m_range));
    m_rangeIndex = r.Byte(kSonar, "Range Index", "4");
    m_gain = r.Byte(kSonar, "Gain", "6");
    m_command[kCmdGain] = m_gain;
    r.ProfileInt(kSonar, "Sonar FWD/AFT", m_xdcrFwdAft);
    r.ProfileInt(kSonar, "Zero Up/Down", m_zeroUpDown);
    m_sonarUpDown = r.Byte(kSonar, "Sonar Up/Down", "0");
    m_trainPolar = r.Byte(kSonar, "Train Polar", "60");
    m_trainSector = r.Byte(kSonar, "Train Sector", "60");
    m_trainSS = r.Byte(kSonar, "Train SS", "30");
    m_sectorWidthPolar = r.Byte(kSonar, "SectorWidth Polar", "120");
    m_sectorWidthSector = r.Byte(kSonar, "SectorWidth Sector", "60");
    r.Text(kSonar, "Step Size", "3"); // the head always runs step size 3 in real time
    m_command[kCmdStepSize] = 3;
    // The stored mode is checked but the program always starts in polar mode.
    m_sectorMode = r.Int(kSonar, "Sector Mode", "1");
    if (m_sectorMode < 0 || m_sectorMode > 2) m_sectorMode = 0;
    m_sectorMode = 1;
    m_command[kCmdTrain] = m_trainPolar;
    m_command[kCmdSectorWidth] = m_sectorWidthPolar;
    ComputeTrainBearing();
    m_pulseLength = r.Byte(kSonar, "Pulse Length", "10");
    m_command[kCmdPulseLength] = m_pulseLength;

    const int left = r.Int(kSystem, "Settings Left", "1000");
    const int top = r.Int(kSystem, "Settings Top", "80");
    if (m_hooks.settingsPanelRect && m_hooks.settingsPanelRect() && m_hooks.moveSettingsPanel)
        m_hooks.moveSettingsPanel(left, top);
    m_pitchOffset = Clamp(r.Real(kSystem, "Pitch Offset", "0.0"), -90.0, 90.0);
    m_rollOffset = Clamp(r.Real(kSystem, "Roll Offset", "0.0"), -90.0, 90.0);
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
    auto sys = [&](const char* key, const std::string& value) { ini.Set(kSystem, key, value); };
    auto son = [&](const char* key, const std::string& value) { ini.Set(kSonar, key, value); };

    sys("Sonar Type", Dec(m_sonarType));
    sys("IP Address", m_ipAddress);
    sys("Output UDP Address", m_udpAddress);
    sys("Output UDP Port", Dec(m_udpPort));
    sys("Enable UDP Output XYZ", Dec(m_udpXyzEnabled));
    sys("Enable UDP Output PRD", Dec(m_udpPrdEnabled));
    sys("SonarComPort", Dec(m_sonarComPort));
    sys("SonarComPortBaud", Dec(m_sonarComPortBaud));
    sys("RTS", Dec(m_rts));
    sys("SendDelay", Dec(m_sendDelay));
    sys("Read File Directory", m_readDirectory);
    sys("Write File Directory", m_writeDirectory);
    sys("AutoSaveFileName", Dec(m_autoSaveFileName));
    sys("OpenFileFilterIndex", Dec(m_openFileFilterIndex));
    sys("ColorTable", Dec(m_colorTable));
    sys("Speed of Sound", FormatFixed(m_soundVelocity, 1));
    sys("Units", Dec(m_units));
    sys("ViewRangeMark", Dec(m_viewRangeMark));
    sys("Grid Style", Dec(m_gridStyle));
    sys("Grid", Dec(m_gridType));
    sys("Playback Speed", Dec(m_playbackSpeed));
    sys("Diagnostics Visible", Dec(m_diagnosticsVisible));
    sys("SettingsDlgVisible", Dec(m_settingsDlgVisible));
    sys("UseExtPRD", Dec(m_useExtPRD));
    sys("EnablePRDInput", Dec(m_enablePRDInput));
    sys("PRDComPort", Dec(m_prdComPort));
    sys("PRDComPortBaud", Dec(m_prdComPortBaud));
    sys("ProfileDispMode", Dec(m_profileDispMode));
    sys("Zoom", FormatFixed(m_zoom, 2));
    sys("PointsColor", Dec(m_pointsColor));
    sys("GridColor", Dec(m_gridColor));
    sys("BKColor", Dec(m_bkColor));
    sys("TextColor", Dec(m_textColor));
    sys("CircleColor", Dec(m_circleColor));
    sys("LineColor", Dec(m_lineColor));
    sys("PointSize", Dec(m_pointSize));
    sys("TextSize", Dec(m_textSize));
    sys("Display PRD", Dec(m_displayPRD));
    sys("RollCorrection", Dec(m_rollCorrection));
    sys("CircleOffsetX", FormatFixed(m_circleOffsetX, 4, 10));
    sys("CircleOffsetY", FormatFixed(m_circleOffsetY, 4, 10));
    sys("CircleDiameter", FormatFixed(m_circleDiameter, 2));
    sys("HorseShoe Width", FormatFixed(m_horseShoeWidth, 2));
    sys("HorseShoe Height", FormatFixed(m_horseShoeHeight, 2));
    sys("PipeShape", Dec(m_pipeShape));
    sys("DisplayPipeShape", Dec(m_displayPipeShape));
    sys("PPMinRange", FormatFixed(m_profileMinRange, 2));
    if (m_hooks.settingsPanelRect) {
        if (auto rect = m_hooks.settingsPanelRect()) {
            sys("Settings Left", Dec(rect->left));
            sys("Settings Top", Dec(rect->top));
            sys("Settings Right", Dec(rect->right));
            sys("Settings Bottom", Dec(rect->bottom));
        }
    }

    if (m_playback == 0) {
        son("Range", FormatFixed(m_range, 2));
        son("Range Index", Dec(m_rangeIndex));
        son("Gain", Dec(m_gain));
        son("Train Polar", Dec(m_trainPolar));
        son("Train Sector", Dec(m_trainSector));
        son("Train SS", Dec(m_trainSS));
        son("SectorWidth Polar", Dec(m_sectorWidthPolar));
        son("SectorWidth Sector", Dec(m_sectorWidthSector));
        son("Step Size", "3");
        son("Sector Mode", Dec(m_sectorMode));
        son("Auto Settings", Dec(m_autoSettings));
        son("Frequency", Dec(m_frequency));
        son("Pulse Length", Dec(m_pulseLength));
        son("Absorption", Dec(m_absorption));
        son("Sonar Up/Down", Dec(m_sonarUpDown));
        son("Sonar FWD/AFT", Dec(m_xdcrFwdAft));
        son("Zero Up/Down", Dec(m_zeroUpDown));
    }

    std::string error;
    if (!ini.Save(m_iniPath, &error)) {
        m_lastSettingsError = "Could not write the settings file " + m_iniPath + ": " + error;
        return false;
    }
    m_lastSettingsError.clear();
    return true;
}
