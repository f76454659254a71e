#include "app/DataFileDialogs.h"

#include <QFileDialog>

#include "doc/TubescanDoc.h"

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string ChosenPath(QFileDialog& dialog) {
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? std::string() : files.first().toStdString();
}

} // namespace

bool RunFileDialog(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<QFileDialog> MakeRecordFileDialog(CTubescanDoc& doc, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Save Sonar Data File:"),
                                                Q(doc.Settings().m_writeDirectory));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("TubescanL Data File: (*.31l)"));
    dialog->setDefaultSuffix(QStringLiteral("31l"));
    dialog->selectFile(Q(doc.ProposedRecordPath()));
    return dialog;
}

std::unique_ptr<QFileDialog> MakePlaybackFileDialog(CTubescanDoc& doc, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Open Data File:"),
                                                Q(doc.Settings().m_readDirectory));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The pattern matches ".31L" too: name filters ignore case.
    dialog->setNameFilter(QStringLiteral("Sonar Data Files: (*.31l)"));
    dialog->setDefaultSuffix(QStringLiteral("31l"));
    return dialog;
}

std::unique_ptr<QFileDialog> MakeRecordDirectoryDialog(CTubescanDoc& doc, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Pick a Record Directory: "),
                                                Q(doc.Settings().m_writeDirectory));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    return dialog;
}

std::string ChooseRecordFile(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    auto dialog = MakeRecordFileDialog(doc, parent);
    const bool accepted = run(*dialog);
    return doc.AcceptRecordPath(accepted ? ChosenPath(*dialog) : std::string());
}

void ToggleRecordingCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    doc.ToggleRecording([&] { return ChooseRecordFile(doc, parent, run); });
}

void PickRecordDirectory(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    auto dialog = MakeRecordDirectoryDialog(doc, parent);
    if (!run(*dialog)) return;
    std::string dir = ChosenPath(*dialog);
    if (dir.empty()) return;
    if (dir.back() != '/') dir += '/';
    doc.Settings().m_writeDirectory = dir;
}

bool OpenPlaybackFile(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    doc.BeginOpenPlayback();
    auto dialog = MakePlaybackFileDialog(doc, parent);
    const std::string path = run(*dialog) ? ChosenPath(*dialog) : std::string();
    if (path.empty()) {
        doc.CancelOpenPlayback();
        return false;
    }
    return doc.OpenPlaybackPath(path);
}
