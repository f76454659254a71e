#include "app/DockLayout.h"

#include <algorithm>

#include <QDockWidget>
#include <QMainWindow>

#include "doc/CommandIds.h"
#include "doc/CommandMap.h"

DockSizes DefaultDockSizes(QSize window) {
    DockSizes s;
    const int w = std::max(1, window.width()), h = std::max(1, window.height());
    // The Unrolled map reads well from a couple of hundred rows of pixels;
    // a quarter of a larger window keeps the rows of a long survey apart.
    s.unrolledHeight = std::max(kMinUnrolledHeight, h / 4);
    s.pipe3dWidth = w / 4;
    return s;
}

DockLayout::DockLayout(QMainWindow& frame, QDockWidget& panel, QDockWidget& pipe3d,
                       QDockWidget& unrolled)
    : m_frame(frame), m_panel(panel), m_pipe3d(pipe3d), m_unrolled(unrolled) {
    m_frame.setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    m_frame.setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
}

void DockLayout::Apply() {
    for (QDockWidget* d : {&m_panel, &m_pipe3d, &m_unrolled})
        d->setFloating(false);
    m_frame.addDockWidget(Qt::RightDockWidgetArea, &m_panel);
    m_frame.addDockWidget(Qt::LeftDockWidgetArea, &m_pipe3d);
    m_frame.addDockWidget(Qt::BottomDockWidgetArea, &m_unrolled);
    for (QDockWidget* d : {&m_panel, &m_pipe3d, &m_unrolled})
        d->show();
    const DockSizes s = DefaultDockSizes(m_frame.size());
    m_frame.resizeDocks({&m_unrolled}, {s.unrolledHeight}, Qt::Vertical);
    m_frame.resizeDocks({&m_pipe3d}, {s.pipe3dWidth}, Qt::Horizontal);
}

void AddResetLayoutCommand(CommandMap& commands, DockLayout& layout) {
    commands.Add(cmd::kResetLayout, CommandEntry{[&layout](int) { layout.Apply(); },
                                                 [](int) {
                                                     return CommandUi{true, std::nullopt};
                                                 }});
}
