// Floor 3, doc: the values the settings file holds, as one plain value.
//
// Every field here is one key of TubescanL.INI, walked by the key table in
// Settings.cpp (load and save). The document owns one of these; the rest of
// its state (live, playback, buffers) is not saved and lives beside it. The
// field names stay the ones the program has always used, so a key's value is
// found by the same name wherever it is read.
#pragma once

#include <cstdint>
#include <string>

#include "ping/PingTypes.h"

// The colours a new document starts with; "Set Default Colors" restores them.
inline constexpr COLORREF kDefaultPointsColor = 0xFAFAFA;
inline constexpr COLORREF kDefaultGridColor = 0x003278;
inline constexpr COLORREF kDefaultBkColor = 0x000000;
inline constexpr COLORREF kDefaultTextColor = 0xDCDCDC;
inline constexpr COLORREF kDefaultCircleColor = 0x009696;
inline constexpr COLORREF kDefaultLineColor = 0x969600;

struct SonarSettings {
    // --- [Sonar Settings]: what the head is told ------------------------------
    double m_range = 1.0;
    int m_rangeIndex = 3;
    std::uint8_t m_gain = 6;
    std::uint8_t m_pulseLength = 10;
    std::uint8_t m_frequency = 100;
    std::uint8_t m_absorption = 170;
    std::uint8_t m_sectorWidthSector = 60;
    std::uint8_t m_sectorWidthPolar = 120;
    std::uint8_t m_trainSector = 60;
    std::uint8_t m_trainPolar = 60;
    std::uint8_t m_trainSS = 30;
    int m_sectorMode = 1;
    int m_autoSettings = 0;
    int m_sonarUpDown = 0;
    int m_xdcrFwdAft = 0;
    int m_zeroUpDown = 0;

    // --- [System Settings]: the head and its processing -----------------------
    int m_sonarType = 1;
    double m_profileMinRange = 0.0;
    double m_soundVelocity = 1500.0;
    int m_sendDelay = 0;

    // --- Links: head, serial ports, UDP output ---------------------------------
    std::string m_ipAddress = "192.168.0.5";
    int m_sonarComPort = 2;
    int m_sonarComPortBaud = 115200;
    int m_rts = 0;
    int m_enablePRDInput = 0;
    int m_useExtPRD = 0;
    int m_prdComPort = 1;
    int m_prdComPortBaud = 4800;
    std::string m_udpAddress = "127.0.0.1";
    int m_udpPort = 4040;
    int m_udpXyzEnabled = 0;
    int m_udpPrdEnabled = 0;

    // --- Display -----------------------------------------------------------------
    double m_zoom = 1.0;
    int m_units = 0;
    int m_colorTable = 0;
    int m_profileDispMode = 0;
    int m_gridType = 1;
    int m_gridStyle = 0;
    int m_viewRangeMark = 0;
    COLORREF m_pointsColor = kDefaultPointsColor;
    COLORREF m_gridColor = kDefaultGridColor;
    COLORREF m_bkColor = kDefaultBkColor;
    COLORREF m_textColor = kDefaultTextColor;
    COLORREF m_circleColor = kDefaultCircleColor;
    COLORREF m_lineColor = kDefaultLineColor;
    int m_pointSize = 0;
    int m_textSize = 0;
    int m_displayPRD = 0;
    int m_rollCorrection = 0;
    double m_pitchOffset = 0.0;
    double m_rollOffset = 0.0;

    // --- Pipe-shape overlay ------------------------------------------------------
    int m_pipeShape = 0;
    int m_displayPipeShape = 0;
    double m_circleDiameter = 1.0;
    double m_horseShoeWidth = 1.6;
    double m_horseShoeHeight = 2.0;
    double m_circleOffsetX = 0.0;
    double m_circleOffsetY = 0.0;

    // --- Files and playback --------------------------------------------------------
    std::string m_readDirectory;
    std::string m_writeDirectory;
    int m_autoSaveFileName = 1;
    int m_openFileFilterIndex = 1;
    int m_playbackSpeed = 0;

    // --- Windows shown at start ----------------------------------------------------
    int m_diagnosticsVisible = 0;
    int m_settingsPanelVisible = 0;

    // --- [Survey Details]: the crew's own, offered again for the next survey --------
    std::string m_surveyInspector;
    std::string m_surveyCertificate;
    std::string m_surveyOwner;
    std::string m_surveyTown;
    std::string m_surveyUnits; // "metric", "imperial" or empty
};
