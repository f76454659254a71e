#include "app/GoToCommands.h"

#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMessageBox>

#include "app/DockUnits.h"
#include "app/MainFrame.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

void GoToCommand(CTubescanDoc& doc, units::System system, QWidget* parent) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, QStringLiteral("Go To"), GoToEntryLabel(system), QLineEdit::Normal, QString(), &ok);
    if (!ok) return;
    const auto target = ParseGoToTarget(text.toStdString(), system);
    if (!target) {
        QMessageBox::information(parent, QStringLiteral("Go To"),
                                 QStringLiteral("\"%1\" is neither a distance nor a time of day "
                                                "(hh:mm or hh:mm:ss).")
                                     .arg(text));
        return;
    }
    const GoToResult r =
        target->isTime ? doc.GoToTime(target->value) : doc.GoToDistance(target->value);
    ShowGoToOutcome(parent, r, *target, system);
}

} // namespace

QString GoToEntryLabel(units::System system) {
    return QStringLiteral("Distance along the pipe (%1) or time of day (hh:mm:ss):")
        .arg(DockUnit(units::Kind::Distance, system));
}

void ShowGoToOutcome(QWidget* parent, const GoToResult& result, const GoToTarget& target,
                     units::System system) {
    const std::string message = GoToMessage(result, target, system);
    if (message.empty()) return;
    // Not modal: a message must never hold up the playback timer's ticks.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Go To"),
                                QString::fromStdString(message), QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("GoToMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

GoToResult GoToDistanceFrom(QWidget* parent, CTubescanDoc& doc, double metres,
                            units::System system) {
    const GoToResult r = doc.GoToDistance(metres);
    ShowGoToOutcome(parent, r, GoToTarget{false, metres}, system);
    return r;
}

void AttachGoTo(CTubescanDoc& doc, const DockUnits& units, CMainFrame& frame,
                CommandMap& commands) {
    if (QAction* action = frame.Action(cmd::kGoTo)) {
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    CMainFrame* owner = &frame;
    commands.Add(
        cmd::kGoTo,
        CommandEntry{[&doc, &units, owner](int) { GoToCommand(doc, units.System(), owner); },
                     [&doc](int) {
                         return CommandUi{doc.Run().m_playback == 1, std::nullopt};
                     }});
}
