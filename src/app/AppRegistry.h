// The program-wide references (main frame, document, head link and worker,
// modeless windows), owned by the application and handed to whoever needs
// them, so no window has to reach for the application object.
#pragma once

class CMainFrame;
class CTubescanDoc;
class QWidget;
class SonarHost;

struct AppRegistry {
    CMainFrame* mainFrame = nullptr;
    CTubescanDoc* document = nullptr;
    SonarHost* host = nullptr; // the head link and acquisition worker
    QWidget* settingsPanel = nullptr;
    QWidget* keyInBox = nullptr;
    QWidget* diagnostics = nullptr;
};
