// The tool bar's pictures and the application icon, drawn by the program
// itself at start-up so the executable needs no picture files beside it.
#pragma once

#include <QIcon>

// A 32 x 30 picture for a tool-bar command.
QIcon PaintToolBarIcon(int commandId);
QIcon PaintApplicationIcon();
