// The menu commands of XYZ conversion and UDP output: "Convert .31L file to
// .xyz..." (32956), "Enable UDP XYZ Output" (32958), "Enable UDP
// Range/Bearing Output" (32959) and "&Udp Address..." (32960, which has no
// handler and so is always disabled).
#pragma once

#include "app/DataFileDialogs.h"
#include "doc/PointCloudOutput.h"

class CTubescanDoc;
class QAction;
class QWidget;

// Command 32956: the playback open dialog, then the conversion runs with the
// playback and ends with the end of the file. Returns true when a conversion
// is running afterwards.
bool ConvertToXyzCommand(CTubescanDoc& doc, QWidget* parent,
                         const FileDialogRunner& run = RunFileDialog);

// "Export Point Cloud (.ply)..." and "(.las)..." of the file being played
// back: a save dialog (FILE.ply or FILE.las beside it by default), then the
// file is read again from its start, with the settings file's values, in a
// pass of its own, so the playback on screen is left where it is. Says what
// came of it in a message; true when the cloud was written.
bool ExportPointCloudCommand(CTubescanDoc& doc, QWidget* parent,
                             const FileDialogRunner& run = RunFileDialog,
                             PointCloudOutput::Format format = PointCloudOutput::Format::Ply);
// Whether the export can run: a file is being played back.
bool CanExportPointCloud(const CTubescanDoc& doc);

// Whether the action's command id (its data) is one of the four above.
bool IsXyzCommand(const QAction& action);
// Runs the command of the action (32956 needs the parent for its dialog).
void RunXyzCommand(const QAction& action, CTubescanDoc& doc, QWidget* parent);
// The update rule of the action: enabled state and check mark.
void UpdateXyzCommand(QAction& action, const CTubescanDoc& doc);
