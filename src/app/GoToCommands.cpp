#include "app/GoToCommands.h"

#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMessageBox>

#include "app/MainFrame.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

QString EntryLabel(const CTubescanDoc& doc) {
    const bool feet = doc.Settings().m_units == 1 || doc.Settings().m_units == 2;
    return QStringLiteral("Distance along the pipe (%1) or time of day (hh:mm:ss):")
        .arg(feet ? QStringLiteral("ft") : QStringLiteral("m"));
}

void GoToCommand(CTubescanDoc& doc, QWidget* parent) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, QStringLiteral("Go To"), EntryLabel(doc),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok) return;
    const auto target = ParseGoToTarget(text.toStdString(), doc.Settings().m_units);
    if (!target) {
        QMessageBox::information(parent, QStringLiteral("Go To"),
                                 QStringLiteral("\"%1\" is neither a distance nor a time of day "
                                                "(hh:mm or hh:mm:ss).")
                                     .arg(text));
        return;
    }
    const GoToResult r =
        target->isTime ? doc.GoToTime(target->value) : doc.GoToDistance(target->value);
    ShowGoToOutcome(parent, doc, r, *target);
}

} // namespace

void ShowGoToOutcome(QWidget* parent, const CTubescanDoc& doc, const GoToResult& result,
                     const GoToTarget& target) {
    const std::string message = GoToMessage(result, target, doc.Settings().m_units);
    if (message.empty()) return;
    // Not modal: a message must never hold up the playback timer's ticks.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Go To"),
                                QString::fromStdString(message), QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("GoToMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

GoToResult GoToDistanceFrom(QWidget* parent, CTubescanDoc& doc, double metres) {
    const GoToResult r = doc.GoToDistance(metres);
    ShowGoToOutcome(parent, doc, r, GoToTarget{false, metres});
    return r;
}

void AttachGoTo(CTubescanDoc& doc, CMainFrame& frame, CommandMap& commands) {
    if (QAction* action = frame.Action(cmd::kGoTo)) {
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    CMainFrame* owner = &frame;
    commands.Add(cmd::kGoTo,
                 CommandEntry{[&doc, owner](int) { GoToCommand(doc, owner); },
                              [&doc](int) {
                                  return CommandUi{doc.Run().m_playback == 1, std::nullopt};
                              }});
}
