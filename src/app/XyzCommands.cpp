#include "app/XyzCommands.h"

#include <QAction>

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
    case kIdConvertToXyz:
    case kIdUdpXyzOutput:
    case kIdUdpPrdOutput:
    case kIdUdpAddress:
        return true;
    default:
        return false;
    }
}

void RunXyzCommand(const QAction& action, CTubescanDoc& doc, QWidget* parent) {
    switch (const int id = CommandId(action)) {
    case kIdConvertToXyz:
        ConvertToXyzCommand(doc, parent);
        break;
    case kIdUdpXyzOutput:
    case kIdUdpPrdOutput:
        doc.OnUdpOutputCommand(id);
        break;
    default:
        break;
    }
}

void UpdateXyzCommand(QAction& action, const CTubescanDoc& doc) {
    switch (const int id = CommandId(action)) {
    case kIdUdpXyzOutput:
    case kIdUdpPrdOutput:
        action.setEnabled(true);
        action.setCheckable(true);
        action.setChecked(doc.IsUdpOutputChecked(id));
        break;
    case kIdUdpAddress:
        action.setEnabled(false);
        break;
    default:
        break;
    }
}
