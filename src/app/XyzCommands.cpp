#include "app/XyzCommands.h"

#include <QAction>

#include "doc/CommandIds.h"
#include "doc/TubescanDoc.h"

bool ConvertToXyzCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    return doc.StartXyzConversion([&] { return OpenPlaybackFile(doc, parent, run); });
}

namespace {

int CommandId(const QAction& action) {
    bool ok = false;
    const int id = action.data().toInt(&ok);
    return ok ? id : 0;
}

} // namespace

bool IsXyzCommand(const QAction& action) {
    switch (CommandId(action)) {
    case cmd::kConvertToXyz:
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
    case cmd::kUdpAddress:
        return true;
    default:
        return false;
    }
}

void RunXyzCommand(const QAction& action, CTubescanDoc& doc, QWidget* parent) {
    switch (const int id = CommandId(action)) {
    case cmd::kConvertToXyz:
        ConvertToXyzCommand(doc, parent);
        break;
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
        doc.OnUdpOutputCommand(id);
        break;
    default:
        break;
    }
}

void UpdateXyzCommand(QAction& action, const CTubescanDoc& doc) {
    switch (const int id = CommandId(action)) {
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
        action.setEnabled(true);
        action.setCheckable(true);
        action.setChecked(doc.IsUdpOutputChecked(id));
        break;
    case cmd::kUdpAddress:
        action.setEnabled(false);
        break;
    default:
        break;
    }
}
