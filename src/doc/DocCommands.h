// The document's own menu commands: picture, zoom, colour table, drawing
// sizes, grid, units, profile display and head orientation. Each changes
// document fields and asks the views to redraw; none needs a window, so they
// run and are tested without one. Commands of the link, the data files, the
// dialogs and the parameter steps are added by their own subsystems.
#pragma once

class CommandMap;
class CTubescanDoc;

void AddDocumentCommands(CommandMap& commands, CTubescanDoc& doc);

// The zoom steps of "Zoom In" / "Zoom Out": quarter steps up to 2, whole
// steps above, kept within 0.5 ... 3.
inline constexpr double kMinZoom = 0.5;
inline constexpr double kMaxZoom = 3.0;
double ZoomInStep(double zoom);
double ZoomOutStep(double zoom);
