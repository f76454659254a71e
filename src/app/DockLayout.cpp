#include "app/DockLayout.h"

#include <algorithm>
#include <cmath>

#include <QDockWidget>
#include <QMainWindow>

#include "doc/CommandIds.h"
#include "doc/CommandMap.h"

DockSizes DefaultDockSizes(QSize window) {
    DockSizes s;
    const int w = std::max(1, window.width()), h = std::max(1, window.height());
    // The Unrolled map reads well from a couple of hundred rows of pixels;
    // more than a third of the window would squeeze the live picture.
    s.unrolledHeight = std::max(kMinUnrolledHeight, h / 4);
    s.unrolledHeight = std::min(s.unrolledHeight, std::max(kMinUnrolledHeight, h / 3));
    // The right-hand column a third of the width, the 3D view in it tall
    // enough that it covers about a quarter of the window's area.
    s.rightWidth = w / 3;
    const int column = std::max(1, h - s.unrolledHeight);
    s.pipe3dHeight =
        std::clamp(static_cast<int>(std::lround(0.25 * w * h / s.rightWidth)), 1, column * 3 / 4);
    return s;
}

void DockLayout::Apply() {
    for (QDockWidget* d : {&m_panel, &m_pipe3d, &m_unrolled})
        d->setFloating(false);
    m_frame.addDockWidget(Qt::RightDockWidgetArea, &m_panel);
    m_frame.splitDockWidget(&m_panel, &m_pipe3d, Qt::Vertical);
    m_frame.addDockWidget(Qt::BottomDockWidgetArea, &m_unrolled);
    for (QDockWidget* d : {&m_panel, &m_pipe3d, &m_unrolled})
        d->show();
    const DockSizes s = DefaultDockSizes(m_frame.size());
    m_frame.resizeDocks({&m_unrolled}, {s.unrolledHeight}, Qt::Vertical);
    m_frame.resizeDocks({&m_panel}, {s.rightWidth}, Qt::Horizontal);
    const int column = std::max(2, m_frame.height() - s.unrolledHeight);
    m_frame.resizeDocks({&m_panel, &m_pipe3d}, {column - s.pipe3dHeight, s.pipe3dHeight},
                        Qt::Vertical);
}

void AddResetLayoutCommand(CommandMap& commands, DockLayout& layout) {
    commands.Add(cmd::kResetLayout, CommandEntry{[&layout](int) { layout.Apply(); },
                                                 [](int) {
                                                     return CommandUi{true, std::nullopt};
                                                 }});
}
