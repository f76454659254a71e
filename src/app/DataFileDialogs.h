// The file dialogs of recording and playback and the commands around them:
// the record command (32806), "Set Record Directory..." (32790) and
// "&Open File to Playback" (32805). Each takes a runner that shows the
// configured dialog and says whether it was accepted; tests pass their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

class CTubescanDoc;
class QFileDialog;
class QWidget;

using FileDialogRunner = std::function<bool(QFileDialog&)>;
// Shows the dialog modally.
bool RunFileDialog(QFileDialog& dialog);

std::unique_ptr<QFileDialog> MakeRecordFileDialog(CTubescanDoc& doc, QWidget* parent);
std::unique_ptr<QFileDialog> MakePlaybackFileDialog(CTubescanDoc& doc, QWidget* parent);
std::unique_ptr<QFileDialog> MakeRecordDirectoryDialog(CTubescanDoc& doc, QWidget* parent);

// The save dialog and its checks: the path to record to, or empty.
std::string ChooseRecordFile(CTubescanDoc& doc, QWidget* parent,
                             const FileDialogRunner& run = RunFileDialog);
// Command 32806.
void ToggleRecordingCommand(CTubescanDoc& doc, QWidget* parent,
                            const FileDialogRunner& run = RunFileDialog);
// Command 32790.
void PickRecordDirectory(CTubescanDoc& doc, QWidget* parent,
                         const FileDialogRunner& run = RunFileDialog);
// The open dialog around the document's playback opening. The command sets
// m_hold to 0 before it; the XYZ conversion calls it too.
bool OpenPlaybackFile(CTubescanDoc& doc, QWidget* parent,
                      const FileDialogRunner& run = RunFileDialog);
