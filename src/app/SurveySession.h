// The survey details the program works with: those of the survey being (or
// about to be) recorded, and those of the recording being played back, each
// kept in its FILE.survey.json. No windows here: the commands and the dialog
// (SurveyCommands) show what this keeps.
#pragma once

#include <string>
#include <utility>

#include "format/SurveyDetails.h"
#include "format/UnitsText.h"

class CTubescanDoc;

class SurveySession {
  public:
    explicit SurveySession(CTubescanDoc& doc);

    // In playback, the played recording's details; otherwise the details of
    // the survey being recorded (or the next one), the crew's remembered
    // values filled in.
    const survey::SurveyDetails& Current();
    // The file Current() is kept in: the played recording's in playback, the
    // recording's while recording, none otherwise.
    std::string SidecarPath() const;
    // Whether a needed key of Current() is empty.
    bool NeedsDetails();

    // The details edited: kept, written to SidecarPath() when there is one,
    // and (live only) the crew's values remembered in the settings. Returns
    // why the file could not be written, or empty.
    std::string Apply(const survey::SurveyDetails& details);
    // A recording has started: its FILE.survey.json gets the details (with
    // the Units setting as the survey's units when none is given). Returns
    // why it could not be written, or empty.
    std::string OnRecordingStarted();
    // Loads the played recording's details when playback has moved to
    // another file. Returns why a sidecar was refused (once per file), or
    // empty.
    std::string SyncPlayback();
    // The refusal SyncPlayback met last, handed out once.
    std::string TakeLoadError() { return std::exchange(m_loadError, {}); }

    // " - Pipe SW-12: MH1 to MH2" while recording or playing back a survey
    // that names them; empty otherwise.
    std::string TitleSuffix();

    // The units the survey shown is given in: the played recording's
    // details, or the details of the survey being recorded (or set up in
    // the dialog for the next one), where they name units; else the Units
    // setting.
    units::System Units();

  private:
    bool Playing() const;
    void OfferCrewValues();

    CTubescanDoc& m_doc;
    survey::SurveyDetails m_live;
    bool m_crewOffered = false;
    bool m_liveEdited = false; // the operator set the next survey's details
    survey::SurveyDetails m_played;
    std::string m_playedPath;
    std::string m_loadError;
};
