// Floor 5, app: the application, the main frame, bars, dialogs and windows.
// It may include every floor below it.
//
// The application: starts the program's services, creates the document and
// the main window, connects to the head, starts a command-line recording and
// closes everything in order on every way out (window, "Exit", SIGINT, SIGTERM).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

#include "app/AppRegistry.h"
#include "doc/CommandMap.h"

class CExitSignals;
class CMainFrame;
class CTubescanDoc;
class SonarHost;
class SerialPorts;
class CPlaybackPacer;
class CPlaybackBar;
class DockLayout;
class LiveAnalysisWorker;
class SurveyCommands;
class DocumentObserver;

class CTubescanApp : public QObject {
    Q_OBJECT
  public:
    CTubescanApp();
    ~CTubescanApp() override;

    // Start-up. programDirectory: where the settings file is looked for
    // (empty: beside the executable). False ends the program.
    bool InitInstance(const QStringList& arguments, const QString& programDirectory = {});
    // After the event loop: returns the process exit status.
    int ExitInstance(int loopResult);

    AppRegistry& Registry() { return m_registry; }
    CommandMap& Commands() { return m_commands; }
    // The survey details' commands (owned by the main frame).
    SurveyCommands* Survey() const { return m_survey; }

    // Adjusts the head link after the settings are read and before the head
    // is connected (tests and tools that run a head on another port).
    std::function<void(SonarHost&)> m_beforeConnect;

    // A signal asked the program to end before its event loop ran.
    bool ExitRequested() const { return m_exitRequested; }

    // Runs the orderly close of the document once, whichever way out came first.
    void CloseDocument();

  private:
    void ObserveDocument();
    void AddLinkCommands();

    AppRegistry m_registry;
    CommandMap m_commands;
    std::unique_ptr<CTubescanDoc> m_doc;
    // The window's observers of the document (each does its own part).
    std::vector<std::unique_ptr<DocumentObserver>> m_observers;
    std::unique_ptr<SonarHost> m_host;
    std::unique_ptr<SerialPorts> m_serial;
    std::unique_ptr<CPlaybackPacer> m_pacer;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<LiveAnalysisWorker> m_live;
    std::unique_ptr<DockLayout> m_dockLayout;
    CExitSignals* m_exitSignals = nullptr;
    SurveyCommands* m_survey = nullptr;
    bool m_documentClosed = false;
    bool m_exitRequested = false;
};
