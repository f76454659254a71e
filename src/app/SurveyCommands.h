// File > Survey Details..., the details asked for when a recording starts
// without them, and the pipe and nodes in the title bar.
#pragma once

#include <QObject>
#include <QPointer>

#include "app/DockUnits.h"
#include "app/SurveySession.h"

#include <memory>

class CMainFrame;
class CommandMap;
class CTubescanDoc;
class SurveyDetailsDlg;

class SurveyCommands : public QObject {
    Q_OBJECT
  public:
    SurveyCommands(CTubescanDoc& doc, CMainFrame& frame);
    ~SurveyCommands() override;

    // kSurveyDetails into the map, and the title's suffix into the frame.
    void Attach(CommandMap& commands);
    // Writes the new recording's FILE.survey.json and, when a needed key is
    // empty, opens the dialog; the recording runs on meanwhile.
    void OnRecordingStarted();
    // The dialog for the details now in use (does nothing while one is open).
    void OpenDialog(bool atRecordingStart = false);

    SurveySession& Session() { return m_session; }
    SurveyDetailsDlg* Dialog() const;
    // The units of the survey shown, which the docks and Go To follow.
    const DockUnits& Units() const { return m_units; }
    // Takes the units anew (the details, the recording shown or the Units
    // setting changed), and says the survey shown may have changed.
    void RefreshUnits();

  signals:
    // The details, the recording shown or the settings may have changed:
    // whoever shows Session().Current() takes it anew.
    void surveyShown();

  private:
    void Say(const std::string& text);

    CTubescanDoc& m_doc;
    CMainFrame& m_frame;
    SurveySession m_session;
    QPointer<SurveyDetailsDlg> m_dialog;
    DockUnits m_units;
    // Hears of what changes the units: the Units setting (a parameter
    // change) and the recording shown (every such change sets the title).
    std::unique_ptr<class SurveyUnitsWatch> m_unitsWatch;
};
