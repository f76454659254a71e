// "&Save Screen" (32868): the operator names a file and a picture of the main
// window, as it is shown, is written to it as BMP, GIF, JPEG, TIFF or PNG.
#pragma once

#include <memory>

#include <QImage>
#include <QMessageBox>
#include <QString>

#include "app/DataFileDialogs.h"

class CTubescanDoc;
class QFileDialog;
class QWidget;

// What became of one Save Screen; a message is for the operator.
struct SaveScreenOutcome {
    enum class Kind { Cancelled, Saved, Failed };
    Kind kind = Kind::Cancelled;
    QString path;
    QString message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// The "Save Image As:" dialog: five file types, starting in the write
// directory, the selected type's extension added to a name typed without one.
std::unique_ptr<QFileDialog> MakeSaveScreenDialog(const CTubescanDoc& doc, QWidget* parent);

// Repaints window at once and takes its picture from the screen, frame
// included, where the window system allows reading the screen; otherwise
// (Wayland, for one) the window's own contents. Null when nothing is shown.
QImage CaptureWindow(QWidget& window);

// Writes image to path in the format its extension names. Empty on success,
// otherwise why it failed; a failed save leaves no file behind and keeps a
// file already at path as it was.
QString WriteScreenImage(const QImage& image, const QString& path);

// The command without its message box, for the command and for tests.
SaveScreenOutcome SaveScreen(const CTubescanDoc& doc, QWidget& window,
                             const FileDialogRunner& run = RunFileDialog);
// The command: SaveScreen, then its message, if any, in a box over window.
void SaveScreenCommand(const CTubescanDoc& doc, QWidget& window,
                       const FileDialogRunner& run = RunFileDialog);
