// The System and View commands that open the setup dialogs (head address,
// speed of sound, profile minimum range, pipe parameters) and show the
// diagnostics window, and the document hooks that keep that window.
#pragma once

class CommandMap;
class CTubescanDoc;
struct AppRegistry;

void AddSetupCommands(CommandMap& commands, CTubescanDoc& doc, AppRegistry& registry);

// Creates the diagnostics window with the other modeless windows (hidden),
// destroys it with them, and answers the document's show, reset and refresh
// calls. Chains onto hooks installed before.
void InstallDiagnosticsHooks(CTubescanDoc& doc, AppRegistry& registry);
