// Where the pipe-condition docks go when no layout was saved, and again when
// the operator asks for View > "Reset Layout": the Pipe Condition panel on the
// right (as tall as the figures and the plot need), the 3D view on the left, a
// quarter of the window wide, and the Unrolled map along the bottom, tall
// enough to read.
#pragma once

#include <QSize>

class CommandMap;
class QDockWidget;
class QMainWindow;

struct DockSizes {
    int pipe3dWidth = 0;    // the 3D view on the left
    int unrolledHeight = 0; // the Unrolled map at the bottom
};

// The sizes for a main window of this size: the Unrolled map at least
// kMinUnrolledHeight pixels, the 3D view a quarter of the window's width.
DockSizes DefaultDockSizes(QSize window);
inline constexpr int kMinUnrolledHeight = 200;

class DockLayout {
  public:
    // Gives the right-hand column the window's whole height, so the panel's
    // figures, plot and findings fit beside the Unrolled map.
    DockLayout(QMainWindow& frame, QDockWidget& panel, QDockWidget& pipe3d, QDockWidget& unrolled);
    // Docks and shows the three where they belong, at their default sizes
    // for the window as it is now.
    void Apply();

  private:
    QMainWindow& m_frame;
    QDockWidget& m_panel;
    QDockWidget& m_pipe3d;
    QDockWidget& m_unrolled;
};

// Answers View > "Reset Layout".
void AddResetLayoutCommand(CommandMap& commands, DockLayout& layout);
