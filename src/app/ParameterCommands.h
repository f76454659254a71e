// The operator's sonar-parameter controls on the main window: the step
// commands of the tool bar and function keys, the key-in commands of the
// view's letter keys, the settings panel and the mini settings bar. The
// modeless windows are made when the document starts and go when it closes.
#pragma once

#include <memory>

class CommandMap;
class DocumentObserver;
class CTubescanDoc;
class CMainFrame;
struct AppRegistry;

void AddParameterCommands(CommandMap& commands, CTubescanDoc& doc, AppRegistry& registry);

// Adds the mini bar and observes the document for the settings panel and the
// key-in box (created, shown, moved, refreshed and destroyed with it) and the
// mini bar's refresh, until the returned observer is destroyed.
std::unique_ptr<DocumentObserver> ObserveParameterWindows(CTubescanDoc& doc, AppRegistry& registry);
