// The System and View commands that open the setup dialogs (head address,
// speed of sound, profile minimum range, pipe parameters) and show the
// diagnostics window, and the document observer that keeps that window.
#pragma once

#include <memory>

class CommandMap;
class DocumentObserver;
class CTubescanDoc;
struct AppRegistry;

void AddSetupCommands(CommandMap& commands, CTubescanDoc& doc, AppRegistry& registry);

// Observes the document for the diagnostics window: created with the other
// modeless windows (hidden), destroyed with them, shown and refreshed when
// the document says so; until the returned observer is destroyed.
std::unique_ptr<DocumentObserver> ObserveDiagnostics(CTubescanDoc& doc, AppRegistry& registry);
