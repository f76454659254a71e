// The operator's sonar-parameter controls on the main window: the step
// commands of the tool bar and function keys, the key-in commands of the
// view's letter keys, the settings panel and the mini settings bar. The
// modeless windows are made when the document starts and go when it closes.
#pragma once

class CommandMap;
class CTubescanDoc;
class CMainFrame;
struct AppRegistry;

void AddParameterCommands(CommandMap& commands, CTubescanDoc& doc, AppRegistry& registry);

// Installs the document hooks that create, show, move, refresh and destroy
// the settings panel and the key-in box, and the mini bar's refresh.
void InstallParameterWindowHooks(CTubescanDoc& doc, AppRegistry& registry);
